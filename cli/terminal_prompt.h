// SPDX-License-Identifier: MIT
// Asks for a password on the controlling terminal with echo off, so that
// standard input stays free for the text itself.
#pragma once

#include "secret.h"

#include <cstddef>
#include <optional>

namespace velmor::cli {

// Shows `prompt` on the terminal and reads one line without showing it, as
// the terminal sends it, without its line break. A line longer than
// `longest` bytes comes back longer than that, but cut. Nothing when the
// process has no terminal. Throws IoError when the terminal fails.
std::optional<Secret<char>> readHiddenLine(const char* prompt, std::size_t longest);

}  // namespace velmor::cli
