// SPDX-License-Identifier: MIT
// The portable walk's table walked 64 bytes at a time with AVX-512 byte
// permutes. Only in x86 builds (x86_walks.h).
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmor {

bool avx512vbmi_runs() noexcept;

// Ciphers `text` in place through a table of portable_walk(), `text[0]` being
// at row `firstRow` and `period` a multiple of 64: whole blocks of 64
// periods, then a shorter end through a scratch block when that pays, or
// else through portable_walk(). Throws std::bad_alloc when no scratch block
// can be had.
void avx512vbmi_walk(const std::uint8_t* table, std::size_t period, std::size_t firstRow, std::uint8_t* text,
                     std::size_t size);

}  // namespace velmor
