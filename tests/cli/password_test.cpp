// SPDX-License-Identifier: MIT
// Password decoding: UTF-8 only, and only characters that Windows-1252 can
// hold, through the project's one code-page table.
#include "cli/password.h"

#include "cli/failure.h"
#include "cli/secret.h"
#include "codec/windows1252.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <utility>

namespace velmor::cli {
namespace {

std::string utf8(char32_t code)
{
    if (code < 0x80) return std::string(1, static_cast<char>(code));
    if (code < 0x800) return {static_cast<char>(0xC0 | code >> 6), static_cast<char>(0x80 | (code & 0x3F))};
    if (code < 0x10000)
        return {static_cast<char>(0xE0 | code >> 12), static_cast<char>(0x80 | (code >> 6 & 0x3F)),
                static_cast<char>(0x80 | (code & 0x3F))};
    return {static_cast<char>(0xF0 | code >> 18), static_cast<char>(0x80 | (code >> 12 & 0x3F)),
            static_cast<char>(0x80 | (code >> 6 & 0x3F)), static_cast<char>(0x80 | (code & 0x3F))};
}

// Every code point, in random passwords: one Windows-1252 holds comes back
// as itself, any other is refused by its number, wherever it stands.
TEST(DecodePassword, TakesExactlyTheCharactersOfWindows1252)
{
    std::mt19937 rng(1252);
    std::uniform_int_distribution<int> byte(0, 255);
    for (char32_t code = 0; code <= 0x10FFFF; code += code < 0x3000 ? 1 : 97) {
        if (code >= 0xD800 && code <= 0xDFFF) continue;
        std::string bytes;
        std::u16string expected;
        const int before = byte(rng) % 5;
        for (int i = 0; i < before; ++i) {
            const char16_t c = codec::windows1252Char(static_cast<unsigned char>(byte(rng)));
            bytes += utf8(c);
            expected += c;
        }
        bytes += utf8(code);
        const bool held = code <= 0xFFFF && codec::windows1252Byte(static_cast<char16_t>(code)) >= 0;
        if (held) {
            expected += static_cast<char16_t>(code);
            EXPECT_EQ(decodePassword(bytes).view(), expected) << std::hex << static_cast<unsigned>(code);
            continue;
        }
        char name[16];
        std::snprintf(name, sizeof name, "U+%04X,", static_cast<unsigned>(code));
        try {
            decodePassword(bytes);
            ADD_FAILURE() << "accepted " << name;
        } catch (const UsageError& e) {
            EXPECT_EQ(std::string(e.what()), "password character " + std::to_string(before + 1) + " is " + name +
                                                 " which Windows-1252 cannot hold; a password holds only "
                                                 "Windows-1252 characters");
        }
    }
}

TEST(DecodePassword, ReadsWhatIsNotUtf8AsWindows1252Bytes)
{
    // A lone Windows-1252 byte, a truncated sequence, an overlong form, an
    // encoded surrogate, a code beyond U+10FFFF, and a valid "\u0100" whose
    // text is not UTF-8 as a whole, so is not refused.
    const std::pair<std::string, std::u16string> cases[] = {
        {"ab\xA3", u"ab\u00A3"},
        {"\xC2\xA3" "ab\xC2", u"\u00C2\u00A3ab\u00C2"},
        {"\xC0\xAF", u"\u00C0\u00AF"},
        {"\xED\xA0\x80", u"\u00ED\u00A0\u20AC"},
        {"\xF4\x90\x80\x81", u"\u00F4\u0090\u20AC\u0081"},
        {"\xC4\x80\xE9", u"\u00C4\u20AC\u00E9"},
    };
    for (const auto& [bytes, expected] : cases)
        EXPECT_EQ(std::u16string(decodePassword(bytes).view()), expected) << bytes;
}

TEST(Secret, AMovedFromOneHoldsNothingAndHasNoRoom)
{
    Secret<char> first(8);
    first.push_back('k');
    const Secret<char> second(std::move(first));
    EXPECT_EQ(second.view(), "k");
    EXPECT_EQ(first.size(), 0U);  // NOLINT(bugprone-use-after-move): what is left is the point
    EXPECT_EQ(first.capacity(), 0U);
    EXPECT_TRUE(first.view().empty());
    EXPECT_TRUE(first.room().empty());
    EXPECT_THROW(first.push_back('x'), std::length_error);
}

}  // namespace
}  // namespace velmor::cli
