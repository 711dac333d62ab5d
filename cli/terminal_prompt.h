// SPDX-License-Identifier: MIT
// Asks for a password on the controlling terminal with echo off, so that
// standard input stays free for the text itself.
#pragma once

#include "secret.h"

#include <cstddef>
#include <optional>

namespace velmor::cli {

// Shows `prompt` on the terminal and reads one line without showing it, as
// the terminal sends it, without its line break; an empty line is an empty
// password. A line longer than `longest` bytes comes back longer than that,
// but cut. Nothing when the process has no terminal. Throws UsageError when
// the input ends before a line does (Ctrl-D), IoError when the terminal
// fails.
//
// A signal that ends the tool gives the terminal back first (through the
// interrupt cleanup); one that stops it gives the terminal back while it is
// stopped, and once continued the prompt is shown again and the line typed
// anew. The settings given back are read whenever the tool holds the
// terminal, so never those of a shell that held it in the meantime.
std::optional<Secret<char>> readHiddenLine(const char* prompt, std::size_t longest);

}  // namespace velmor::cli
