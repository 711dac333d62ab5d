// SPDX-License-Identifier: MIT
// The period table walked 32 bytes at a time with AVX2 byte shuffles, for
// processors with AVX2 but without the byte permutes of AVX-512 VBMI. Only in
// x86 builds (x86_walks.h).
#pragma once

#include "wheel_pairs.h"

#include <cstddef>
#include <cstdint>

namespace velmor {

bool avx2_runs() noexcept;

// `period` rows of 128 XOR deltas, rearranged for the shuffles: 360 KiB at
// 30 wheels. `period` is a multiple of 32.
std::size_t avx2_tableBytes(std::size_t period) noexcept;
void avx2_setRow(std::uint8_t* table, std::size_t row, const SymbolMap& map) noexcept;

// Ciphers `text` in place, `text[0]` being at row `firstRow`. `table` is
// aligned to 32 bytes. Throws std::bad_alloc when no scratch tile for the
// text's end can be had.
void avx2_walk(const std::uint8_t* table, std::size_t period, std::size_t firstRow, std::uint8_t* text,
               std::size_t size);

}  // namespace velmor
