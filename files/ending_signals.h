// SPDX-License-Identifier: MIT
// One handler for every signal that would end the process: it removes the
// unfinished file of a replacement in progress before the signal ends it.
#pragma once

namespace velmor::files {

// Work a program adds to the handler; it must be async-signal-safe.
using SignalUndo = void (*)() noexcept;

// Handles every signal whose default action ends the process, except those
// that are ignored or already handled when the program starts (as under
// nohup, or a checker's own handlers). The handler removes the unfinished
// file (removeUnfinishedFile), calls `undo` if given, and lets the signal end
// the process as it would have anyway, so the exit status still tells which
// signal it was. SIGKILL alone cannot be caught. Call once, before any thread
// starts, so that every thread holds the same signals while it runs.
void installEndingSignalCleanup(SignalUndo undo = nullptr);

}  // namespace velmor::files
