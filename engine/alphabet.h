// SPDX-License-Identifier: MIT
// The 96-character wheel alphabet and the mapping between its characters and
// their symbol numbers (0..95, in alphabet order), which the engine works in.
#pragma once

#include <cstdint>
#include <type_traits>

namespace velmor {

inline constexpr int kWheelLength = 96;

// A character's index in the alphabet.
using Symbol = std::uint8_t;

// Returned by symbolOf() for every code outside the alphabet.
inline constexpr int kNotInAlphabet = -1;

// Symbol of a character code, or kNotInAlphabet. Codes 163 ("£") and 172
// ("¬") are the same in Windows-1252 and Unicode, so bytes of a file and
// characters of a box give the same symbols.
constexpr int symbolOf(char32_t code) noexcept
{
    if (code == 32 || code == 33) return static_cast<int>(code) - 32;
    if (code >= 35 && code <= 126) return static_cast<int>(code) - 33;
    if (code == 163) return 94;
    if (code == 172) return 95;
    return kNotInAlphabet;
}

constexpr char16_t charOf(Symbol symbol) noexcept
{
    if (symbol < 2) return static_cast<char16_t>(32 + symbol);
    if (symbol < 94) return static_cast<char16_t>(33 + symbol);
    return symbol == 94 ? u'\u00A3' : u'\u00AC';
}

// The code of a text element: plain `char` is read as an unsigned byte.
template <class CharT>
constexpr char32_t codeOf(CharT c) noexcept
{
    return static_cast<char32_t>(static_cast<std::make_unsigned_t<CharT>>(c));
}

}  // namespace velmor
