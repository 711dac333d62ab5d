// SPDX-License-Identifier: MIT
// The period table as rows of 256 bytes, one entry per code, walked in plain
// C++. The AVX-512 walk reads the same table and leaves its odd ends to this
// one.
#pragma once

#include "wheel_pairs.h"

#include <cstddef>
#include <cstdint>

namespace velmor {

// One entry per 8-bit code.
inline constexpr std::size_t kPortableRowBytes = 256;

// `period` rows: 720 KiB at 30 wheels, of which a text of alphabet
// characters reads 2 or 3 cache lines a row.
std::size_t portable_tableBytes(std::size_t period) noexcept;
void portable_setRow(std::uint8_t* table, std::size_t row, const SymbolMap& map) noexcept;

// `period` is a multiple of 8.
void portable_walk(const std::uint8_t* table, std::size_t period, std::size_t firstRow, std::uint8_t* text,
                   std::size_t size) noexcept;

}  // namespace velmor
