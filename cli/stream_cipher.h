// SPDX-License-Identifier: MIT
// Ciphers a stream of any length in memory for one block per core, with
// reading, ciphering and writing overlapping across the cores.
#pragma once

#include "engine/cipher.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <variant>

namespace velmor::cli {

// Everything a Cipher needs but the length of the text. The wheels are
// keyed already, so that the password itself need not be kept.
struct CipherRecipe {
    WheelSet keyedWheels;
    int wheelCount = kStartWheelCount;
    int passes = 1;
    Direction direction = Direction::Encrypt;

    Cipher build(std::uint64_t textLength) const;
};

struct StreamLayout {
    // Small enough for a block and the cipher's table to share a core's cache.
    std::size_t blockSize = std::size_t{256} << 10;
    unsigned threads = 1;
};

// A stream read in order: fills the buffer unless the stream ends first and
// returns the bytes read.
using ReadFull = std::function<std::size_t(std::span<char>)>;

// A file of known length read at offsets, on several threads at once, so
// that reading needs no turns. `readAt` fills the whole span or throws.
struct PositionalInput {
    std::function<void(std::span<char>, std::uint64_t offset)> readAt;
    std::uint64_t length = 0;
};

using StreamInput = std::variant<ReadFull, PositionalInput>;
using WriteAll = std::function<void(std::span<const char>)>;
// Told the bytes written so far, from the writing thread.
using ProgressReport = std::function<void(std::uint64_t)>;

// Returns the number of bytes ciphered. The first failure of any stage
// stops all of them and is rethrown here.
std::uint64_t cipherStream(const StreamInput& input, const WriteAll& write, const CipherRecipe& recipe,
                           const StreamLayout& layout, const ProgressReport& progress = {});

}  // namespace velmor::cli
