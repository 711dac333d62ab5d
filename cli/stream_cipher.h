// Ciphers a stream of any length in memory for one block per core, with
// reading, ciphering and writing overlapping across the cores.
#pragma once

#include "engine/cipher.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

namespace velmor::cli {

// Everything a Cipher needs but the length of the text.
struct CipherRecipe {
    std::u16string password;
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

// Fills the buffer unless the stream ends first; returns the bytes read.
using ReadFull = std::function<std::size_t(std::span<char>)>;
using WriteAll = std::function<void(std::span<const char>)>;
// Told the bytes written so far, from the writing thread.
using ProgressReport = std::function<void(std::uint64_t)>;

// Returns the number of bytes ciphered. `sizeHint` (the input's size when it
// is known) lets the cipher choose between its table and direct work. The
// first failure of any stage stops all of them and is rethrown here.
std::uint64_t cipherStream(const ReadFull& read, const WriteAll& write, const CipherRecipe& recipe,
                           std::optional<std::uint64_t> sizeHint, const StreamLayout& layout,
                           const ProgressReport& progress = {});

}  // namespace velmor::cli
