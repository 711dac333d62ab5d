// SPDX-License-Identifier: MIT
// Password decoding and checks.
#include "password.h"

#include "failure.h"

#include "codec/windows1252.h"
#include "engine/alphabet.h"

#include <cstdio>

namespace velmor::cli {
namespace {

struct LeadByte {
    int extra;          // continuation bytes that follow; -1 for no lead byte
    char32_t bits;      // the code point bits the lead byte carries
    char32_t smallest;  // below this, the sequence is an overlong form
};

constexpr LeadByte leadByteForm(unsigned char lead) noexcept
{
    if (lead < 0x80) return {0, lead, 0};
    if ((lead & 0xE0) == 0xC0) return {1, static_cast<char32_t>(lead & 0x1F), 0x80};
    if ((lead & 0xF0) == 0xE0) return {2, static_cast<char32_t>(lead & 0x0F), 0x800};
    if ((lead & 0xF8) == 0xF0) return {3, static_cast<char32_t>(lead & 0x07), 0x10000};
    return {-1, 0, 0};
}

// Calls `take` with each code point of `bytes` in turn; false when they are
// not strict UTF-8 (no overlong forms, no surrogates, nothing above
// U+10FFFF). No copy of the text is made on the way.
template <class Take>
bool forEachUtf8(std::string_view bytes, Take take)
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const LeadByte form = leadByteForm(lead);
        if (form.extra < 0 || i + static_cast<std::size_t>(form.extra) >= bytes.size()) return false;
        const int extra = form.extra;
        char32_t code = form.bits;
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        if (code < form.smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        take(code);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

// "U+0100": a name that is safe to print whatever the character is, a
// control or a change of writing direction included.
std::string codePointName(char32_t code)
{
    char name[16];
    std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(code));
    return name;
}

}  // namespace

Secret<char16_t> decodePassword(std::string_view bytes)
{
    // A character takes at least one byte, so the room is enough either way.
    Secret<char16_t> password(bytes.size());
    // Bytes that are not UTF-8 are Windows-1252, one character each, as the
    // project's text files are: every such byte names a character the
    // password may hold, and password files written that way keep working.
    if (!forEachUtf8(bytes, [](char32_t) {})) {
        for (const char byte : bytes) password.push_back(codec::windows1252Char(static_cast<unsigned char>(byte)));
        return password;
    }
    forEachUtf8(bytes, [&](char32_t code) {
        if (code > 0xFFFF || codec::windows1252Byte(static_cast<char16_t>(code)) < 0)
            throw UsageError("password character " + std::to_string(password.size() + 1) + " is " +
                             codePointName(code) + ", which Windows-1252 cannot hold; a password holds only "
                             "Windows-1252 characters");
        password.push_back(static_cast<char16_t>(code));
    });
    return password;
}

std::string_view withoutFinalLineBreak(std::string_view content) noexcept
{
    if (content.ends_with("\r\n")) content.remove_suffix(2);
    else if (content.ends_with('\n')) content.remove_suffix(1);
    return content;
}

std::vector<std::size_t> positionsOffTheWheels(std::u16string_view password)
{
    std::vector<std::size_t> positions;
    for (std::size_t i = 0; i < password.size(); ++i)
        if (symbolOf(password[i]) == kNotInAlphabet) positions.push_back(i + 1);
    return positions;
}

void requireFitsWheels(std::u16string_view password, int wheelCount)
{
    if (password.size() > static_cast<std::size_t>(wheelCount))
        throw UsageError("the password has " + std::to_string(password.size()) + " characters, but " +
                         std::to_string(wheelCount) + " wheels take at most " + std::to_string(wheelCount) +
                         "; use a shorter password or more wheels (--wheels)");
}

}  // namespace velmor::cli
