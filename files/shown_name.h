// SPDX-License-Identifier: MIT
// Names of files and other text from outside, made safe to show to a person
// on a terminal or in a message box.
#pragma once

#include <string>
#include <string_view>

namespace velmor::files {

// `text` (UTF-8 as far as it goes) with everything that could move the
// cursor, change a terminal's state, reorder what follows or hide itself
// written as a visible escape: line breaks and tabs as \n, \r and \t, other
// C0 controls and DEL as \xHH, C1 controls, bidirectional controls and the
// line and paragraph separators as \uHHHH, and every byte that is not part
// of valid UTF-8 as \xHH. Its result passes through unchanged.
std::string shownName(std::string_view text);

}  // namespace velmor::files
