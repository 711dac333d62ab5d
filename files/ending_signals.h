// SPDX-License-Identifier: MIT
// One handler for every signal that would end the process, and what it
// undoes: unfinished files of replacements, a terminal's settings, a line of
// standard error.
#pragma once

#include <string>
#include <string_view>

#include <sys/types.h>
#include <termios.h>

namespace velmor::files {

// Handles every signal whose default action ends the process, except those
// that are ignored or already handled when the program starts (as under
// nohup, or a checker's own handlers). The handler removes every unfinished
// file, undoes what is armed below, and lets the signal end the process as
// it would have anyway, so the exit status still tells which signal it was.
// SIGKILL alone cannot be caught. Call once, before any thread starts.
void installEndingSignalCleanup();

// While armed, an ending signal puts `saved` back on the terminal `fd`.
void armTerminalRestore(int fd, const termios& saved) noexcept;
void disarmTerminalRestore() noexcept;

// While armed, an ending signal writes `text`, which must stay valid, to
// standard error: the escapes that clear a progress line.
void armErrorLineClear(std::string_view text) noexcept;
void disarmErrorLineClear() noexcept;

// A temporary file in a folder, known to the handler by its name before it
// is created, so that no moment passes in which it exists and a signal
// would leave it. The handler removes it only once this process has created
// it: a name that was taken already belongs to someone else.
class UnfinishedFile {
public:
    // Throws FileError (Stage::Create), naming `shown`, when too many files
    // are being made at once.
    UnfinishedFile(int folder, const std::string& shown);
    // Forgets the name; the file, if any, stays.
    ~UnfinishedFile();
    UnfinishedFile(const UnfinishedFile&) = delete;
    UnfinishedFile& operator=(const UnfinishedFile&) = delete;

    // Creates `name` (at most NAME_MAX bytes) with O_CREAT | O_EXCL and
    // `flags`; returns the descriptor, or -1 with errno set.
    int create(const std::string& name, int flags, mode_t mode) noexcept;
    // The name given last.
    const char* name() const noexcept;
    // Removes the file created last.
    void remove() const noexcept;

private:
    int slot_;
};

}  // namespace velmor::files
