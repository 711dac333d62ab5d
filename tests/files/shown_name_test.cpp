// SPDX-License-Identifier: MIT
// Escaping names for display: each kind of byte that is escaped, and random
// names against a decoder of its own.
#include "files/shown_name.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>

namespace velmor::files {
namespace {

// The code points of `text` if it is well-formed UTF-8, decoded in the
// plainest way: from the bit patterns, checking each rule on its own.
std::optional<std::u32string> strictUtf8(const std::string& text)
{
    std::u32string decoded;
    for (std::size_t i = 0, length = 0; i < text.size(); i += length) {
        const auto lead = static_cast<unsigned char>(text[i]);
        length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
        if (length == 0 || i + length > text.size()) return std::nullopt;
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (const char next : text.substr(i + 1, length - 1)) {
            if ((next & 0xC0) != 0x80) return std::nullopt;
            c = c << 6 | (next & 0x3F);
        }
        constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < kShortest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
        decoded += c;
    }
    return decoded;
}

bool hidesOrMoves(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
           (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

TEST(ShownName, EscapesEveryControlAndInvalidByteAndNothingElse)
{
    const std::pair<std::string, std::string> examples[] = {
        {"notes.txt", "notes.txt"},
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x94\x91", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x94\x91"},
        {"a\nb\rc\td\x1B[2J\x7F", "a\\nb\\rc\\td\\x1B[2J\\x7F"},
        {"\x9B\xC2\x9B\xC2\x85", "\\x9B\\u009B\\u0085"},
        {"\xE2\x80\xAEtxt.exe \xE2\x81\xA6\xE2\x80\x8F", "\\u202Etxt.exe \\u2066\\u200F"},
        {"\xD8\x9C\xE2\x80\xA8", "\\u061C\\u2028"},
        {"\xC0\xAF \xED\xA0\x80 \xF4\x90\x80\x80", "\\xC0\\xAF \\xED\\xA0\\x80 \\xF4\\x90\\x80\\x80"},
        {"\xE2\x82", "\\xE2\\x82"},
    };
    for (const auto& [name, shown] : examples) EXPECT_EQ(shownName(name), shown) << shown;

    // Random names, biased towards the bytes that matter: what is shown is
    // well-formed and shows nothing that hides or moves text, and a
    // well-formed harmless name is shown as it is.
    std::mt19937 rng(20);
    const std::string pieces[] = {"a", "\\", "\n", "\x1B", "\x7F", "\x9B", "\xC2\x9B", "\xC2\xA0", "\xE2\x80\xAE",
                                  "\xE2\x81\xA9", "\xD8\x9C", "\xF0\x9F\x98\x80", "\xED\xB0\x80", "\xE2\x82", "\xFF"};
    std::uniform_int_distribution<std::size_t> piece(0, std::size(pieces) - 1), length(0, 12);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 20'000; ++round) {
        std::string name;
        for (std::size_t n = length(rng); n > 0; --n)
            name += round % 2 ? pieces[piece(rng)] : std::string(1, static_cast<char>(byte(rng)));
        const std::string shown = shownName(name);
        const auto decoded = strictUtf8(shown), original = strictUtf8(name);
        ASSERT_TRUE(decoded && std::ranges::none_of(*decoded, hidesOrMoves)) << shown;
        ASSERT_TRUE(!original || std::ranges::any_of(*original, hidesOrMoves) || shown == name) << shown;
    }
}

}  // namespace
}  // namespace velmor::files
