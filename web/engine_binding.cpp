// SPDX-License-Identifier: MIT
// The C entry point the page's worker calls: one encrypt or decrypt command,
// all its passes, over a text in the module's memory: Windows-1252 bytes, or
// UTF-16 units where the text holds characters Windows-1252 has no byte for.
#include "engine/cipher.h"
#include "engine/settings.h"

#include <cstddef>
#include <span>
#include <string_view>

#include <emscripten/emscripten.h>

namespace {

// Values the worker tells apart; kept in step with worker.js.
constexpr int kCiphered = 0;
constexpr int kRefused = 1;

}  // namespace

extern "C" {

// Ciphers text[0..length), units of `unitBytes` bytes (1 or 2), in place with
// `passes` passes keyed from password[0..passwordLength). The counts arrive
// from script, so they are checked here rather than trusted; a refused call
// leaves the text as it was.
EMSCRIPTEN_KEEPALIVE int velmor_cipher(void* text, std::size_t length, int unitBytes, const char16_t* password,
                                       std::size_t passwordLength, int wheelCount, int passes, int decrypt)
{
    if (!velmor::isValidWheelCount(wheelCount) || !velmor::isValidPassCount(passes)) return kRefused;
    if ((unitBytes != 1 && unitBytes != 2) || (length > 0 && text == nullptr) ||
        (passwordLength > 0 && password == nullptr))
        return kRefused;
    const auto direction = decrypt != 0 ? velmor::Direction::Decrypt : velmor::Direction::Encrypt;
    const velmor::Cipher cipher = velmor::Cipher::forPassword(std::u16string_view(password, passwordLength),
                                                              wheelCount, passes, direction, length);
    if (unitBytes == 1)
        cipher.apply(std::span<char>(static_cast<char*>(text), length), 0);
    else
        cipher.apply(std::span<char16_t>(static_cast<char16_t*>(text), length), 0);
    return kCiphered;
}

}  // extern "C"
