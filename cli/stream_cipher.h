// Ciphers a stream of any length in memory for a few blocks: one thread
// reads, the calling thread ciphers on every core, one thread writes, so
// that reading, ciphering and writing overlap.
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
    std::size_t blockSize = std::size_t{4} << 20;
    std::size_t blockCount = 4;
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
