// The streaming pipeline gives what the cipher gives on the whole text at
// once, however the stream is cut into blocks and however many workers run,
// and a failing stage stops the stream with its own error.
#include "cli/failure.h"
#include "cli/stream_cipher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <random>
#include <string>

namespace velmor::cli {
namespace {

std::string randomBytes(std::mt19937& rng, std::size_t length)
{
    std::uniform_int_distribution<int> byte(0, 255);
    std::string text(length, '\0');
    for (char& c : text) c = static_cast<char>(byte(rng));
    return text;
}

struct Source {
    std::size_t operator()(std::span<char> buffer)
    {
        const std::size_t n = std::min(buffer.size(), text.size() - offset);
        std::memcpy(buffer.data(), text.data() + offset, n);
        offset += n;
        return n;
    }
    const std::string& text;
    std::size_t offset = 0;
};

// The text as a stream read in order, or as a file read at offsets.
StreamInput inputOf(const std::string& text, Source& source, bool positional)
{
    if (!positional) return std::ref(source);
    return PositionalInput{[&text](std::span<char> buffer, std::uint64_t offset) {
                               ASSERT_LE(offset + buffer.size(), text.size());
                               std::memcpy(buffer.data(), text.data() + offset, buffer.size());
                           },
                           text.size()};
}

std::string streamed(const std::string& text, const CipherRecipe& recipe, bool positional, StreamLayout layout)
{
    Source source{text};
    std::string out;
    const std::uint64_t count =
        cipherStream(inputOf(text, source, positional),
                     [&](std::span<const char> bytes) { out.append(bytes.data(), bytes.size()); }, recipe, layout);
    EXPECT_EQ(count, text.size());
    return out;
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
                const CipherRecipe recipe{u"Stream key \u00A3", wheels, passes, direction};
                const std::string text = randomBytes(rng, length);
                std::string expected = text;
                recipe.build(text.size()).apply(expected, 0);
                const bool positional = rng() % 2 == 0;
                ASSERT_EQ(streamed(text, recipe, positional, {blockSize, threads}), expected)
                    << "block " << blockSize << ", threads " << threads << ", length " << length
                    << (positional ? ", at offsets" : ", in order");
            }
        }
    }
}

TEST(CipherStream, AFailingStageStopsTheStreamWithItsError)
{
    std::mt19937 rng(22);
    const std::string text = randomBytes(rng, 100'000);
    const CipherRecipe recipe{u"key", 20, 3, Direction::Encrypt};
    const StreamLayout layout{1000, 3};
    for (const std::size_t failAt : {0UL, 1UL, 50UL}) {
        for (const bool positional : {false, true}) {
            std::atomic<std::size_t> writes = 0;
            Source source{text};
            EXPECT_THROW(cipherStream(
                             inputOf(text, source, positional),
                             [&](std::span<const char>) {
                                 if (writes++ == failAt) throw IoError("disk full");
                             },
                             recipe, layout),
                         IoError);
            EXPECT_EQ(writes.load(), failAt + 1) << "nothing is written after the failure";
        }

        std::atomic<std::size_t> reads = 0;
        Source failingSource{text};
        const auto failing = [&](std::span<char> buffer) {
            if (reads++ == failAt) throw IoError("unreadable");
            return failingSource(buffer);
        };
        EXPECT_THROW(cipherStream(failing, [](std::span<const char>) {}, recipe, layout), IoError);
        const PositionalInput failingFile{[&](std::span<char>, std::uint64_t) {
                                              if (reads++ == failAt) throw IoError("unreadable");
                                          },
                                          text.size()};
        reads = 0;
        EXPECT_THROW(cipherStream(failingFile, [](std::span<const char>) {}, recipe, layout), IoError);
    }
}

}  // namespace
}  // namespace velmor::cli
