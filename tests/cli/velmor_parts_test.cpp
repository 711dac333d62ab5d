// SPDX-License-Identifier: MIT
// velmor's parts below the command line: passwords take exactly the
// characters of Windows-1252, and the streaming pipeline gives what the
// cipher gives on the whole text, however it is cut and however many
// workers run, until a read fails with its own error.
#include "cli/failure.h"
#include "cli/password.h"
#include "cli/secret.h"
#include "cli/stream_cipher.h"
#include "codec/windows1252.h"
#include "engine/keying.h"

#include <QString>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>

namespace velmor::cli {
namespace {

std::string utf8(char32_t code) { return QString::fromUcs4(&code, 1).toStdString(); }

// Random code points (and the last one) after random Windows-1252
// characters: one that Windows-1252 holds comes back as itself, any other is
// refused by its number and its place.
TEST(DecodePassword, TakesExactlyTheCharactersOfWindows1252)
{
    std::mt19937 rng(1252);
    for (int i = 0; i < 40'000; ++i) {
        const auto code = static_cast<char32_t>(i == 0 ? 0x10FFFF : i % 2 ? rng() % 0x3000 : rng() % 0x110000);
        if (code >= 0xD800 && code <= 0xDFFF) continue;
        std::string bytes;
        std::u16string expected;
        const std::size_t before = rng() % 5;
        for (std::size_t k = 0; k < before; ++k) expected += codec::windows1252Char(static_cast<unsigned char>(rng()));
        for (const char16_t c : expected) bytes += utf8(c);
        char name[16];
        std::snprintf(name, sizeof name, "U+%04X,", static_cast<unsigned>(code));
        const bool held = code <= 0xFFFF && codec::windows1252Byte(static_cast<char16_t>(code)) >= 0;
        try {
            const auto decoded = decodePassword(bytes + utf8(code));
            EXPECT_TRUE(held && decoded.view() == expected + char16_t(code)) << name;
        } catch (const UsageError& e) {
            const std::string place = "password character " + std::to_string(before + 1) + " is " + name;
            EXPECT_TRUE(!held && std::string(e.what()).starts_with(place)) << e.what();
        }
    }
}

// Lone Windows-1252 bytes, a truncated sequence, an overlong form, an encoded
// surrogate, a code beyond U+10FFFF, and a valid "\u0100" whose text is not
// UTF-8 as a whole, so is not refused.
TEST(DecodePassword, ReadsWhatIsNotUtf8AsWindows1252Bytes)
{
    const std::pair<std::string, std::u16string> cases[] = {
        {"ab\xA3", u"ab\u00A3"}, {"\x80", u"\u20AC"}, {"\xC2\xA3" "ab\xC2", u"\u00C2\u00A3ab\u00C2"},
        {"\xC0\xAF", u"\u00C0\u00AF"}, {"\xED\xA0\x80", u"\u00ED\u00A0\u20AC"},
        {"\xF4\x90\x80\x81", u"\u00F4\u0090\u20AC\u0081"}, {"\xC4\x80\xE9", u"\u00C4\u20AC\u00E9"},
    };
    for (const auto& [bytes, expected] : cases) EXPECT_EQ(decodePassword(bytes).view(), expected) << bytes;
}

TEST(Secret, AMovedFromOneHoldsNothingAndHasNoRoom)
{
    Secret<char> first(8);
    first.push_back('k');
    const Secret<char> second(std::move(first));
    EXPECT_EQ(second.view(), "k");
    // NOLINTNEXTLINE(bugprone-use-after-move): what is left is the point
    EXPECT_TRUE(first.size() == 0 && first.capacity() == 0 && first.view().empty() && first.room().empty());
    EXPECT_THROW(first.push_back('x'), std::length_error);
}

// The text as a stream read in order, or as a file read at offsets; read
// number `failAt` (counted from 0) throws.
StreamInput inputOf(const std::string& text, bool positional, std::size_t failAt = SIZE_MAX)
{
    const auto count = [reads = std::make_shared<std::atomic<std::size_t>>(0), failAt] {
        if ((*reads)++ == failAt) throw IoError("unreadable");
    };
    const auto copy = [&text, count](std::span<char> to, std::size_t at) {
        return count(), text.copy(to.data(), to.size(), at);
    };
    if (positional) return PositionalInput{copy, text.size()};
    return [copy, at = 0UL](std::span<char> to) mutable { const std::size_t n = copy(to, at); at += n; return n; };
}

// However the stream is cut and however many workers run, it gives what the
// cipher gives on the whole text; a failing read stops it with its error.
TEST(CipherStream, EqualsTheCipherOnTheWholeTextUntilAReadFails)
{
    std::mt19937 rng(21);
    const WheelSet keyed = keyedWheels(builtinWheels(), u"Stream key \u00A3");
    for (const std::size_t blockSize : {1UL, 7UL, 96UL, 1000UL, 16384UL}) {
        for (const unsigned threads : {1U, 2U, 5U}) {
            for (const std::size_t length : {0UL, 1UL, blockSize - 1, blockSize, blockSize + 1, 20 * blockSize + 3}) {
                const int wheels = 4 + 2 * static_cast<int>(rng() % 14);
                const int passes = kPassCounts.at(rng() % kPassCounts.size());
                const CipherRecipe recipe{keyed, wheels, passes, rng() % 2 ? Direction::Encrypt : Direction::Decrypt};
                std::string text(length, '\0'), expected;
                for (char& c : text) c = static_cast<char>(rng());
                recipe.build(text.size()).apply(expected = text, 0);
                for (const bool positional : {false, true}) {
                    std::string out;
                    const auto append = [&](std::span<const char> bytes) { out.append(bytes.data(), bytes.size()); };
                    EXPECT_EQ(cipherStream(inputOf(text, positional), append, recipe, {blockSize, threads}), length);
                    ASSERT_EQ(out, expected) << "block " << blockSize << ", threads " << threads << ", length "
                                             << length << (positional ? ", at offsets" : ", in order");
                    if (length <= 20 * blockSize) continue;  // else the 11th read fails, with workers busy
                    const StreamInput failing = inputOf(text, positional, 10);
                    EXPECT_THROW(cipherStream(failing, append, recipe, {blockSize, threads}), IoError);
                }
            }
        }
    }
}

}  // namespace
}  // namespace velmor::cli
