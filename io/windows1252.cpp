// SPDX-License-Identifier: MIT
// The Windows-1252 table and its inverse.
#include "windows1252.h"

#include <array>

namespace velmor::io {
namespace {

// Characters of bytes 0x80..0x9F; unassigned bytes keep their own code.
constexpr std::array<char16_t, 32> kHighControlRange{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// One look-up per byte: decoding a large file is bound by memory, not by
// range checks.
constexpr std::array<char16_t, 256> kByteToChar = [] {
    std::array<char16_t, 256> table{};
    for (std::size_t byte = 0; byte < table.size(); ++byte)
        table[byte] = byte >= 0x80 && byte <= 0x9F ? kHighControlRange[byte - 0x80] : char16_t(byte);
    return table;
}();

}  // namespace

char16_t windows1252Char(unsigned char byte) noexcept
{
    return kByteToChar[byte];
}

int windows1252Byte(char16_t character) noexcept
{
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) return character;
    for (std::size_t i = 0; i < kHighControlRange.size(); ++i)
        if (kHighControlRange[i] == character) return static_cast<int>(0x80 + i);
    return -1;
}

QString fromWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    auto* out = reinterpret_cast<char16_t*>(text.data());
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    for (qsizetype i = 0; i < bytes.size(); ++i) out[i] = kByteToChar[in[i]];
    return text;
}

Encoded toWindows1252(QStringView text)
{
    Encoded result;
    result.bytes.resize(text.size());
    char* out = result.bytes.data();
    const char16_t* in = text.utf16();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t character = in[i];
        // Most text is below 0x80; only the rest needs the table.
        const int byte = character < 0x80 ? character : windows1252Byte(character);
        if (byte < 0) {
            result.bytes.truncate(i);
            result.unencodableAt = i;
            return result;
        }
        out[i] = static_cast<char>(byte);
    }
    return result;
}

}  // namespace velmor::io
