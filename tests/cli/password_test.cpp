// SPDX-License-Identifier: MIT
// Password decoding: UTF-8 when it is UTF-8, Windows-1252 byte by byte
// otherwise, through the project's one code-page table.
#include "cli/password.h"

#include <gtest/gtest.h>

#include <string>

namespace velmor::cli {
namespace {

TEST(DecodePassword, Utf8GivesItsCharactersAndAnythingElseIsWindows1252)
{
    EXPECT_EQ(decodePassword("a\xC2\xA3\xE2\x82\xAC\xE2\x80\x99").view(), u"a\u00A3\u20AC\u2019");
    // A truncated sequence, an overlong form, an encoded surrogate and a code
    // beyond U+10FFFF are no UTF-8; bytes 0x80..0x9F follow the code page,
    // and those it leaves unassigned stand for themselves.
    EXPECT_EQ(decodePassword("\xA3\xAC" "ab\xC2").view(), u"\u00A3\u00AC" "ab\u00C2");
    EXPECT_EQ(decodePassword("\xC0\xAF").view(), u"\u00C0\u00AF");
    EXPECT_EQ(decodePassword("\xED\xA0\x80").view(), u"\u00ED\u00A0\u20AC");
    EXPECT_EQ(decodePassword("\xF4\x90\x80\x81\x8A\x9F\x8D\x8F\x99\x9D\x7F\xFF").view(),
              u"\u00F4\u0090\u20AC\u0081\u0160\u0178\u008D\u008F\u2122\u009D\u007F\u00FF");
}

}  // namespace
}  // namespace velmor::cli
