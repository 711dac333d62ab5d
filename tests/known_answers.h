// SPDX-License-Identifier: MIT
// Reads docs/known-answers.tsv, the outputs every version of the cipher must
// give, for the engine's, the tool's and the window's tests.
#pragma once

#include "codec/windows1252.h"
#include "engine/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <ranges>
#include <stdexcept>
#include <string>
#include <vector>

namespace velmor::test {

// Windows-1252 bytes as the characters they stand for, in any 16-bit string.
template <class String = std::u16string>
String widened(const std::string& bytes)
{
    String text;
    for (const char byte : bytes) text += codec::windows1252Char(static_cast<unsigned char>(byte));
    return text;
}

struct KnownAnswer {
    int line = 0, wheels = 0, passes = 0;  // line: in the file, for failure messages
    Direction direction = Direction::Encrypt;
    std::string password, input, output;  // Windows-1252 bytes
    std::u16string passwordText() const { return widened(password); }
    std::string name() const { return "known answer on line " + std::to_string(line); }
};

// Equal texts, or where the first difference is: the long rows are too long
// to print whole.
template <class Text>
::testing::AssertionResult sameText(const Text& actual, const Text& expected)
{
    const auto differs = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end()).first;
    return ::testing::AssertionResult(actual == expected) << "length " << actual.size() << " instead of "
           << expected.size() << ", first difference at index " << (differs - actual.begin());
}

// Every row of the file; throws std::runtime_error for a malformed one, so
// that a damaged file fails the tests instead of shrinking them.
inline std::vector<KnownAnswer> knownAnswers()
{
    std::ifstream file(VELMOR_KNOWN_ANSWERS, std::ios::binary);
    if (!file) throw std::runtime_error("cannot open " VELMOR_KNOWN_ANSWERS);
    const auto bytes = [](const std::string& hex) {  // lowercase, two digits a byte
        if (hex.size() % 2 != 0 || hex.find_first_not_of("0123456789abcdef") != std::string::npos)
            throw std::runtime_error("known answers: not lowercase hex bytes: " + hex.substr(0, 20));
        std::string out;
        for (std::size_t i = 0; i < hex.size(); i += 2) out += char(std::stoi(hex.substr(i, 2), nullptr, 16));
        return out;
    };
    std::vector<KnownAnswer> rows;
    for (auto [line, text] = std::pair(1, std::string()); std::getline(file, text); ++line) {
        if (text.empty() || text[0] == '#') continue;
        std::vector<std::string> f;
        for (const auto cell : std::views::split(text, '\t')) f.emplace_back(cell.begin(), cell.end());
        if (f.size() != 6 || (f[2] != "encrypt" && f[2] != "decrypt"))
            throw std::runtime_error("known answers, line " + std::to_string(line) + ": not a row");
        const Direction direction = f[2] == "encrypt" ? Direction::Encrypt : Direction::Decrypt;
        rows.push_back({line, std::stoi(f[0]), std::stoi(f[1]), direction, bytes(f[3]), bytes(f[4]), bytes(f[5])});
    }
    return rows;
}

}  // namespace velmor::test
