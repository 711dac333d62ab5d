// SPDX-License-Identifier: MIT
// The streaming pipeline gives what the cipher gives on the whole text at
// once, however the stream is cut into blocks and however many workers run,
// and a read failing mid-stream stops it with its own error.
#include "cli/failure.h"
#include "cli/stream_cipher.h"
#include "engine/keying.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <random>
#include <string>

namespace velmor::cli {
namespace {

// The text as a stream read in order, or as a file read at offsets; read
// number `failAt` (counted from 0) throws.
StreamInput inputOf(const std::string& text, bool positional, std::size_t failAt = SIZE_MAX)
{
    const auto reads = std::make_shared<std::atomic<std::size_t>>(0);
    const auto count = [reads, failAt] {
        if ((*reads)++ == failAt) throw IoError("unreadable");
    };
    if (positional)
        return PositionalInput{[&text, count](std::span<char> buffer, std::uint64_t offset) {
                                   count();
                                   ASSERT_LE(offset + buffer.size(), text.size());
                                   text.copy(buffer.data(), buffer.size(), offset);
                               },
                               text.size()};
    return [&text, count, offset = std::size_t{0}](std::span<char> buffer) mutable {
        count();
        const std::size_t n = text.copy(buffer.data(), buffer.size(), offset);
        offset += n;
        return n;
    };
}

TEST(CipherStream, EqualsTheCipherOnTheWholeText)
{
    std::mt19937 rng(21);
    for (const std::size_t blockSize : {1UL, 7UL, 96UL, 1000UL, 16384UL}) {
        for (const unsigned threads : {1U, 2U, 5U}) {
            for (const std::size_t length : {0UL, 1UL, blockSize - 1, blockSize, blockSize + 1, 20 * blockSize + 3}) {
                const int wheels = 4 + 2 * static_cast<int>(rng() % 14);
                const int passes = kPassCounts[rng() % kPassCounts.size()];
                const auto direction = rng() % 2 ? Direction::Encrypt : Direction::Decrypt;
                const WheelSet keyed = keyedWheels(builtinWheels(), u"Stream key \u00A3");
                const CipherRecipe recipe{keyed, wheels, passes, direction};
                std::string text(length, '\0');
                for (char& c : text) c = static_cast<char>(rng());
                std::string expected = text;
                recipe.build(text.size()).apply(expected, 0);
                const bool positional = rng() % 2 == 0;
                std::string out;
                const auto append = [&](std::span<const char> bytes) { out.append(bytes.data(), bytes.size()); };
                EXPECT_EQ(cipherStream(inputOf(text, positional), append, recipe, {blockSize, threads}), length);
                ASSERT_EQ(out, expected) << "block " << blockSize << ", threads " << threads << ", length " << length
                                         << (positional ? ", at offsets" : ", in order");
            }
        }
    }
}

TEST(CipherStream, AFailingReadStopsTheStreamWithItsError)
{
    const std::string text(100'000, 'x');
    const CipherRecipe recipe{keyedWheels(builtinWheels(), u"key"), 20, 3, Direction::Encrypt};
    for (const bool positional : {false, true})
        EXPECT_THROW(cipherStream(inputOf(text, positional, 50), [](auto) {}, recipe, {1000, 3}), IoError);
}

}  // namespace
}  // namespace velmor::cli
