// SPDX-License-Identifier: MIT
// The Windows-1252 table, shared by the file layer and the command-line tool:
// every byte stands for one character, so any file survives a trip through
// a text box and back.
#pragma once

#include <array>
#include <cstddef>

namespace velmor::codec {

namespace detail {

// Characters of bytes 0x80..0x9F. The five bytes the code page leaves
// unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the control character
// of the same code, as all other bytes stand for their Latin-1 character.
inline constexpr std::array<char16_t, 32> kHighControlRange{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace detail

// Indexed by byte: one look-up per byte, since decoding a large file is
// bound by memory, not by range checks.
inline constexpr std::array<char16_t, 256> kWindows1252 = [] {
    std::array<char16_t, 256> table{};
    for (std::size_t byte = 0; byte < table.size(); ++byte)
        table[byte] = byte >= 0x80 && byte <= 0x9F ? detail::kHighControlRange[byte - 0x80]
                                                   : static_cast<char16_t>(byte);
    return table;
}();

// The character a byte stands for.
constexpr char16_t windows1252Char(unsigned char byte) noexcept
{
    return kWindows1252[byte];
}

// The byte for a character, or -1 when Windows-1252 cannot hold it.
constexpr int windows1252Byte(char16_t character) noexcept
{
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) return character;
    for (std::size_t i = 0; i < detail::kHighControlRange.size(); ++i)
        if (detail::kHighControlRange[i] == character) return static_cast<int>(0x80 + i);
    return -1;
}

}  // namespace velmor::codec
