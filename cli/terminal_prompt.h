// SPDX-License-Identifier: MIT
// Asks for a password on the controlling terminal with echo off, so that
// standard input stays free for the text itself.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmor::cli {

// Shows `prompt` on the terminal and reads one line without showing it. The
// line comes back without its line break; as UTF-8 on Windows, as the
// terminal sends it elsewhere. Nothing when the process has no terminal.
// Throws IoError when the terminal fails or ends before a line is given.
std::optional<std::string> readHiddenLine(std::string_view prompt);

}  // namespace velmor::cli
