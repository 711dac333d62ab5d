// SPDX-License-Identifier: MIT
// The period table walked 64 bytes at a time with AVX-512 byte permutes, for
// 8-bit text on processors that have them; Cipher falls back to one look-up
// per byte elsewhere.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmor {

// True when this processor and build can run walkWideTable().
bool wideTableWalkAvailable() noexcept;

// Ciphers the front of `text` in place through `table` (`period` rows of 256
// entries, `period` a multiple of 64), `text[0]` being at row `firstRow`.
// Works on whole blocks of 64 periods, plus a shorter end through a scratch
// block when that pays; returns how many bytes it ciphered, the rest being
// left for the caller.
std::size_t walkWideTable(const std::uint8_t* table, std::size_t period, std::size_t firstRow, std::uint8_t* text,
                          std::size_t size) noexcept;

}  // namespace velmor
