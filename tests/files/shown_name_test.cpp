// SPDX-License-Identifier: MIT
// Escaping names for display: each kind of byte that is escaped, and random
// names against a decoder of its own.
#include "files/shown_name.h"

#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <string>

namespace velmor::files {
namespace {

TEST(ShownName, EscapesEveryControlAndInvalidByteAndNothingElse)
{
    const std::pair<std::string, std::string> examples[] = {
        {"notes caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x94\x91", "notes caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x94\x91"},
        {"a\nb\rc\td\x1B[2J\x7F", "a\\nb\\rc\\td\\x1B[2J\\x7F"},
        {"\x9B\xC2\x9B\xC2\x85", "\\x9B\\u009B\\u0085"},
        {"\xE2\x80\xAEtxt \xE2\x81\xA6\xE2\x80\x8F\xD8\x9C\xE2\x80\xA8", "\\u202Etxt \\u2066\\u200F\\u061C\\u2028"},
        {"\xC0\xAF\xF4\x90\x80\x80\xE2\x82", "\\xC0\\xAF\\xF4\\x90\\x80\\x80\\xE2\\x82"},
        {"\xED\xA0\x80\xED\xBF\xBF", "\\xED\\xA0\\x80\\xED\\xBF\\xBF"},
    };
    for (const auto& [name, shown] : examples) EXPECT_EQ(shownName(name), shown) << shown;

    // Well-formed UTF-8 as RFC 3629 spells it out, byte by byte; and, in it, the C0 and C1 controls, DEL, and
    // the marks, embeddings, overrides, isolates and separators that move or hide text.
    const std::regex wellFormed(
        R"(([\x00-\x7F]|[\xC2-\xDF][\x80-\xBF]|\xE0[\xA0-\xBF][\x80-\xBF]|\xED[\x80-\x9F][\x80-\xBF])"
        R"(|[\xE1-\xEC\xEE\xEF][\x80-\xBF]{2}|\xF0[\x90-\xBF][\x80-\xBF]{2}|[\xF1-\xF3][\x80-\xBF]{3})"
        R"(|\xF4[\x80-\x8F][\x80-\xBF]{2})*)");
    const std::regex hiding(
        R"([\x00-\x1F\x7F]|\xC2[\x80-\x9F]|\xD8\x9C|\xE2\x80[\x8E\x8F\xA8-\xAE]|\xE2\x81[\xA6-\xA9])");
    const auto harmless = [&](const std::string& s) { return regex_match(s, wellFormed) && !regex_search(s, hiding); };
    // Random names, biased towards the bytes that matter: what is shown is
    // well-formed and shows nothing that hides or moves text, and a
    // well-formed harmless name is shown as it is.
    std::mt19937 rng(20);
    const std::string pieces[] = {"a", "\\", "\n", "\x1B", "\x7F", "\x9B", "\xC2\x9B", "\xC2\xA0", "\xE2\x80\xAE",
                                  "\xE2\x81\xA9", "\xD8\x9C", "\xF0\x9F\x98\x80", "\xED\xB0\x80", "\xE2\x82", "\xFF"};
    for (int round = 0; round < 20'000; ++round) {
        std::string name;
        for (std::size_t n = rng() % 13; n > 0; --n)
            name += round % 2 ? pieces[rng() % std::size(pieces)] : std::string(1, static_cast<char>(rng()));
        const std::string shown = shownName(name);
        ASSERT_TRUE(harmless(shown)) << shown;
        ASSERT_TRUE(shown == name || !harmless(name)) << shown;
    }
}

}  // namespace
}  // namespace velmor::files
