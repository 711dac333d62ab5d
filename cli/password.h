// SPDX-License-Identifier: MIT
// Password text as the tool receives it (UTF-8 bytes from a file, the
// environment or the terminal), decoded into the characters the window
// holds, and the checks made before the wheels are keyed.
#pragma once

#include "secret.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velmor::cli {

// The characters of `bytes`, read as UTF-8. Throws UsageError when they are
// not UTF-8, or name a character that Windows-1252 cannot hold: the window
// and the page hold only those, so any other would key the wheels in one
// edition and not in the others.
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
