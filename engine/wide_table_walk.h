// SPDX-License-Identifier: MIT
// The period table of portable_table_walk.h walked 64 bytes at a time with
// AVX-512 byte permutes, on processors that have them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmor {

// True when this processor and build can run walkWideTable().
bool wideTableWalkAvailable() noexcept;

// Ciphers `text` in place through a table of byte rows, `text[0]` being at
// row `firstRow` and `period` a multiple of 64: whole blocks of 64 periods,
// then a shorter end through a scratch block when that pays, or else through
// walkByteRows().
void walkWideTable(const std::uint8_t* table, std::size_t period, std::size_t firstRow, std::uint8_t* text,
                          std::size_t size) noexcept;

}  // namespace velmor
