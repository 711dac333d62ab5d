// SPDX-License-Identifier: MIT
// The temporary file of a replacement in progress, kept where a signal
// handler can reach it, so that a program ended by a signal leaves nothing.
#pragma once

namespace velmor::files {

// Removes the temporary file of the replacement in progress, if there is
// one. Async-signal-safe: meant for a handler of the signals that end the
// process. Programs without such a handler never need it.
void removeUnfinishedFile() noexcept;

// For ReplacedFile: from now on removeUnfinishedFile() removes `name` in the
// folder open as `folder`. Both must stay valid until disarmed. One file at a
// time: arming again replaces the previous one.
void armUnfinishedFile(int folder, const char* name) noexcept;
void disarmUnfinishedFile() noexcept;

}  // namespace velmor::files
