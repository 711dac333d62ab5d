// SPDX-License-Identifier: MIT
// Password decoding: UTF-8 when it is UTF-8, Windows-1252 byte by byte
// otherwise, and the line break a password file may end with.
#include "cli/password.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace velmor::cli {
namespace {

std::string utf8(char32_t code)
{
    if (code < 0x80) return std::string(1, static_cast<char>(code));
    const int extra = code < 0x800 ? 1 : 2;
    std::string out(1, static_cast<char>((0xFF << (7 - extra)) | (code >> (6 * extra))));
    for (int k = extra - 1; k >= 0; --k) out += static_cast<char>(0x80 | ((code >> (6 * k)) & 0x3F));
    return out;
}

TEST(DecodePassword, Utf8GivesItsCharacters)
{
    std::mt19937 rng(11);
    for (int round = 0; round < 2000; ++round) {
        std::u16string expected;
        std::string bytes;
        for (int i = 0; i <= round % 30; ++i) {
            auto c = static_cast<char16_t>(1 + rng() % 0xFFFF);
            if (c >= 0xD800 && c <= 0xDFFF) c = u'x';  // surrogates are no characters
            expected += c;
            bytes += utf8(c);
        }
        ASSERT_EQ(decodePassword(bytes).view(), expected);
    }
}

TEST(DecodePassword, AnythingElseIsWindows1252ByteForByte)
{
    // A truncated sequence, an overlong form, an encoded surrogate and a code
    // beyond U+10FFFF are no UTF-8; bytes 0x80..0x9F follow the code page,
    // and those it leaves unassigned stand for themselves.
    EXPECT_EQ(decodePassword("\xA3\xAC" "ab\xC2").view(), u"\u00A3\u00AC" "ab\u00C2");
    EXPECT_EQ(decodePassword("\xC0\xAF").view(), u"\u00C0\u00AF");
    EXPECT_EQ(decodePassword("\xED\xA0\x80").view(), u"\u00ED\u00A0\u20AC");
    EXPECT_EQ(decodePassword("\xF4\x90\x80\x81\x8A\x9F").view(), u"\u00F4\u0090\u20AC\u0081\u0160\u0178");

    std::mt19937 rng(12);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(1 + round % 30, '\xFF');  // 0xFF never starts UTF-8
        for (std::size_t i = 1; i < bytes.size(); ++i) bytes[i] = static_cast<char>(rng());
        const auto secret = decodePassword(bytes);
        const auto decoded = secret.view();
        ASSERT_EQ(decoded.size(), bytes.size());
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const auto b = static_cast<unsigned char>(bytes[i]);
            if (b < 0x80 || b >= 0xA0) {
                ASSERT_EQ(decoded[i], b);
            }
        }
    }
}

TEST(PasswordFile, OnlyOneFinalLineBreakIsDropped)
{
    EXPECT_EQ(withoutFinalLineBreak(" key \r\n"), " key ");
    EXPECT_EQ(withoutFinalLineBreak("key\n\n"), "key\n");
    EXPECT_EQ(withoutFinalLineBreak("key\r"), "key\r");
    EXPECT_EQ(withoutFinalLineBreak("\n"), "");
}

}  // namespace
}  // namespace velmor::cli
