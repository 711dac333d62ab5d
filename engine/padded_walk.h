// SPDX-License-Identifier: MIT
// The rest of a text too short for a vector walk's unit, walked through a
// zero-padded copy of one unit instead of byte by byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace velmor {

// Copies the `size` bytes of `text` into a buffer of `unitBytes`, zeroes the
// rest, has `walk` cipher the buffer and copies the bytes back. Throws
// std::bad_alloc, with `text` untouched, when no buffer can be had.
template <class Walk>
void walkPadded(std::uint8_t* text, std::size_t size, std::size_t unitBytes, Walk walk)
{
    const std::unique_ptr<std::uint8_t[]> scratch(new std::uint8_t[unitBytes]);
    std::memcpy(scratch.get(), text, size);
    std::memset(scratch.get() + size, 0, unitBytes - size);
    walk(scratch.get());
    std::memcpy(text, scratch.get(), size);
}

}  // namespace velmor
