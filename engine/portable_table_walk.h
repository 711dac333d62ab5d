// SPDX-License-Identifier: MIT
// The period table walked in plain C++, for processors without the vector
// instructions of the other walks.
#pragma once

#include "wheel_pairs.h"

#include <cstddef>
#include <cstdint>

namespace velmor {

// `period` rows of delta_row.h, one after the other: 368 KiB at 30 wheels,
// which stays in a core's L2 cache.
std::size_t portableTableBytes(std::size_t period) noexcept;
// Fills row `row` of a zeroed table.
void setPortableRow(std::uint8_t* table, std::size_t row, const SymbolMap& map) noexcept;

// Ciphers `text` in place, `text[0]` being at row `firstRow`; `period` is a
// multiple of 8.
void walkPortableTable(const std::uint8_t* table, std::size_t period, std::size_t firstRow, std::uint8_t* text,
                       std::size_t size) noexcept;

}  // namespace velmor
