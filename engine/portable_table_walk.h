// SPDX-License-Identifier: MIT
// The period table as rows of 256 bytes, one entry per code, walked in plain
// C++. The AVX-512 walk reads the same table and leaves its odd ends to this
// one.
#pragma once

#include "wheel_pairs.h"

#include <cstddef>
#include <cstdint>

namespace velmor {

// `period` rows of 256 entries: 720 KiB at 30 wheels, of which a text of
// alphabet characters reads 2 or 3 cache lines a row.
std::size_t byteRowTableBytes(std::size_t period) noexcept;
// Fills row `row` of a table.
void setByteRow(std::uint8_t* table, std::size_t row, const SymbolMap& map) noexcept;

// Ciphers `text` in place, `text[0]` being at row `firstRow`; `period` is a
// multiple of 8.
void walkByteRows(const std::uint8_t* table, std::size_t period, std::size_t firstRow, std::uint8_t* text,
                  std::size_t size) noexcept;

}  // namespace velmor
