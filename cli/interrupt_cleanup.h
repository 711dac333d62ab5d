// SPDX-License-Identifier: MIT
// What must be undone when SIGINT, SIGTERM or SIGHUP ends the tool: the
// unfinished output file is removed and a terminal whose echo was turned off
// gets it back. The signal then ends the process as it would have anyway, so
// the exit status still tells which signal it was.
#pragma once

#include <filesystem>

#ifndef _WIN32
#include <termios.h>
#endif

namespace velmor::cli {

// Installs the handlers, except for signals that were ignored when the tool
// started (as under nohup). Call once, before anything is armed.
void installInterruptCleanup();

// While armed, an interrupt removes the file at `path`. The string must stay
// alive and unchanged until disarmFileRemoval().
void armFileRemoval(const std::filesystem::path::value_type* path) noexcept;
void disarmFileRemoval() noexcept;

#ifndef _WIN32
// While armed, an interrupt puts `saved` back on the terminal `fd`.
void armTerminalRestore(int fd, const termios& saved) noexcept;
void disarmTerminalRestore() noexcept;
#endif

}  // namespace velmor::cli
