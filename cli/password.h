// SPDX-License-Identifier: MIT
// Password text as the tool receives it (bytes from a file, the environment
// or the terminal), decoded into the characters the window would hold, and
// the checks made before the wheels are keyed.
#pragma once

#include "secret.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velmor::cli {

// UTF-8 when `bytes` is valid UTF-8, otherwise Windows-1252 with one byte
// per character. Throws UsageError for a character the window cannot hold
// (one outside the Basic Multilingual Plane).
Secret<char16_t> decodePassword(std::string_view bytes);

// `content` without one final line break (LF or CR LF), as a password file
// written by an editor or `echo` ends.
std::string_view withoutFinalLineBreak(std::string_view content) noexcept;

// The 1-based positions of the characters that are on no wheel; each leaves
// its wheel unrotated.
std::vector<std::size_t> positionsOffTheWheels(std::u16string_view password);

// Throws UsageError when the password has more characters than there are
// wheels to key.
void requireFitsWheels(std::u16string_view password, int wheelCount);

}  // namespace velmor::cli
