// SPDX-License-Identifier: MIT
// The C entry points the page's worker calls: a cipher keyed once per
// command, then applied piece by piece to a text copied through the module's
// memory: Windows-1252 bytes, or UTF-16 units where the text holds
// characters Windows-1252 has no byte for.
#include "engine/cipher.h"
#include "engine/settings.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <span>
#include <string_view>

#include <emscripten/emscripten.h>

extern "C" {

// A cipher for one command, to free with velmor_cipher_end, or null when the
// counts, which arrive from script, are not ones the cipher offers.
EMSCRIPTEN_KEEPALIVE velmor::Cipher* velmor_cipher_begin(const char16_t* password, std::size_t passwordLength,
                                                         int wheelCount, int passes, int decrypt,
                                                         double textLength)
{
    if (!velmor::isValidWheelCount(wheelCount) || !velmor::isValidPassCount(passes)) return nullptr;
    if (passwordLength > 0 && password == nullptr) return nullptr;
    const auto direction = decrypt != 0 ? velmor::Direction::Decrypt : velmor::Direction::Encrypt;
    return new (std::nothrow) velmor::Cipher(velmor::Cipher::forPassword(
        std::u16string_view(password, passwordLength), wheelCount, passes, direction,
        static_cast<std::uint64_t>(textLength)));
}

// Ciphers text[0..length), units of `unitBytes` bytes (1 or 2), in place;
// its first unit is text position `firstPosition`. Returns 0, or 1 for a
// call it refuses, which leaves the text as it was.
EMSCRIPTEN_KEEPALIVE int velmor_cipher_apply(const velmor::Cipher* cipher, void* text, std::size_t length,
                                             int unitBytes, double firstPosition)
{
    if (cipher == nullptr || (unitBytes != 1 && unitBytes != 2) || (length > 0 && text == nullptr)) return 1;
    const auto first = static_cast<std::uint64_t>(firstPosition);
    if (unitBytes == 1)
        cipher->apply(std::span<char>(static_cast<char*>(text), length), first);
    else
        cipher->apply(std::span<char16_t>(static_cast<char16_t*>(text), length), first);
    return 0;
}

EMSCRIPTEN_KEEPALIVE void velmor_cipher_end(velmor::Cipher* cipher)
{
    delete cipher;
}

}  // extern "C"
