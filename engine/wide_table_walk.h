// SPDX-License-Identifier: MIT
// The period table walked 64 bytes at a time with AVX-512 byte permutes, on
// processors that have them.
#pragma once

#include "wheel_pairs.h"

#include <cstddef>
#include <cstdint>

namespace velmor {

// True when this processor and build can run walkWideTable().
bool wideTableWalkAvailable() noexcept;

// `period` rows of 256 entries, a row mapping every byte: 720 KiB at 30
// wheels. `period` is a multiple of 64.
std::size_t wideTableBytes(std::size_t period) noexcept;
// Fills row `row` of a table.
void setWideRow(std::uint8_t* table, std::size_t row, const SymbolMap& map) noexcept;

// Ciphers `text` in place, `text[0]` being at row `firstRow`: whole blocks of
// 64 periods, then a shorter end through a scratch block when that pays, or
// else one look-up per byte.
void walkWideTable(const std::uint8_t* table, std::size_t period, std::size_t firstRow, std::uint8_t* text,
                          std::size_t size) noexcept;

}  // namespace velmor
