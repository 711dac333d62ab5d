// SPDX-License-Identifier: MIT
// A strict UTF-8 reader that escapes what must not reach a screen raw.
#include "shown_name.h"

#include <cstdint>
#include <cstdio>
#include <optional>

namespace velmor::files {
namespace {

struct Decoded {
    char32_t codePoint;
    std::size_t length;
};

// The code point at the start of `text`, or nothing for a byte that does not
// begin a well-formed sequence: a stray continuation byte, a cut sequence, an
// overlong form, a surrogate or a value past U+10FFFF.
std::optional<Decoded> decode(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = byte(0);
    if (lead < 0x80) return Decoded{lead, 1};
    std::size_t length = 0;
    char32_t codePoint = 0, minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2, codePoint = lead & 0x1F, minimum = 0x80;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3, codePoint = lead & 0x0F, minimum = 0x800;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4, codePoint = lead & 0x07, minimum = 0x10000;
    else return std::nullopt;
    if (text.size() < length) return std::nullopt;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return std::nullopt;
        codePoint = codePoint << 6 | (byte(i) & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return std::nullopt;
    return Decoded{codePoint, length};
}

bool mustEscape(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F)  // C0, DEL and C1 controls
           || c == 0x061C                        // Arabic letter mark
           || c == 0x200E || c == 0x200F         // left-to-right and right-to-left marks
           || (c >= 0x2028 && c <= 0x202E)       // line and paragraph separators, embeddings, overrides
           || (c >= 0x2066 && c <= 0x2069);      // isolates
}

std::string escaped(const char* format, unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

std::string shownName(std::string_view text)
{
    std::string shown;
    shown.reserve(text.size());
    while (!text.empty()) {
        const std::optional<Decoded> next = decode(text);
        if (!next) {
            shown += escaped("\\x%02X", static_cast<std::uint8_t>(text[0]));
            text.remove_prefix(1);
            continue;
        }
        const char32_t c = next->codePoint;
        if (!mustEscape(c)) shown.append(text.substr(0, next->length));
        else if (c == U'\n') shown += "\\n";
        else if (c == U'\r') shown += "\\r";
        else if (c == U'\t') shown += "\\t";
        else if (c <= 0x7F) shown += escaped("\\x%02X", static_cast<unsigned>(c));
        else shown += escaped("\\u%04X", static_cast<unsigned>(c));
        text.remove_prefix(next->length);
    }
    return shown;
}

}  // namespace velmor::files
