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

std::string streamed(const std::string& text, const CipherRecipe& recipe, std::optional<std::uint64_t> sizeHint,
                     StreamLayout layout)
{
    Source source{text};
    std::string out;
    const std::uint64_t count = cipherStream(
        std::ref(source), [&](std::span<const char> bytes) { out.append(bytes.data(), bytes.size()); }, recipe,
        sizeHint, layout);
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
                const auto hint = rng() % 2 ? std::optional<std::uint64_t>(text.size()) : std::nullopt;
                ASSERT_EQ(streamed(text, recipe, hint, {blockSize, threads}), expected)
                    << "block " << blockSize << ", threads " << threads << ", length " << length;
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
        std::atomic<std::size_t> writes = 0;
        Source source{text};
        EXPECT_THROW(cipherStream(
                         std::ref(source),
                         [&](std::span<const char>) {
                             if (writes++ == failAt) throw IoError("disk full");
                         },
                         recipe, std::nullopt, layout),
                     IoError);
        EXPECT_EQ(writes.load(), failAt + 1) << "nothing is written after the failure";

        std::size_t reads = 0;
        Source failingSource{text};
        EXPECT_THROW(cipherStream(
                         [&](std::span<char> buffer) {
                             if (reads++ == failAt) throw IoError("unreadable");
                             return failingSource(buffer);
                         },
                         [](std::span<const char>) {}, recipe, std::nullopt, layout),
                     IoError);
    }
}

}  // namespace
}  // namespace velmor::cli
