// SPDX-License-Identifier: MIT
// What must be undone when a signal ends the tool: the unfinished output
// file is removed (files::removeUnfinishedFile), a terminal whose echo was
// turned off gets it back and a progress bar is cleared, so that the shell's
// prompt starts a clean line. The
// signal then ends the process as it would have anyway, so the exit status
// still tells which signal it was.
#pragma once

#include <csignal>

#include <termios.h>

namespace velmor::cli {

// Handles every signal whose default action ends the process, except those
// that are ignored or already handled when the tool starts (as under nohup,
// or a checker's own handlers). SIGKILL alone cannot be caught. Call once,
// before anything is armed.
void installInterruptCleanup();

// While armed, a signal clears the progress bar's line on standard error.
void armProgressClear() noexcept;
void disarmProgressClear() noexcept;

// While armed, a signal puts `saved` back on the terminal `fd`.
void armTerminalRestore(int fd, const termios& saved) noexcept;
void disarmTerminalRestore() noexcept;

}  // namespace velmor::cli
