// SPDX-License-Identifier: MIT
// What the tool's signal handler undoes besides the unfinished file. A
// handler can reach only static storage, so what it needs is kept here,
// written before it is armed; it calls only async-signal-safe functions.
#include "interrupt_cleanup.h"

#include "progress_bar.h"

#include "files/ending_signals.h"

#include <atomic>

#include <unistd.h>

namespace velmor::cli {
namespace {

std::atomic<bool> progressShown{false};

std::atomic<bool> terminalArmed{false};
int terminalFd = -1;
termios terminalSaved{};
static_assert(std::atomic<bool>::is_always_lock_free);

void undoTerminalAndProgress() noexcept
{
    if (terminalArmed.exchange(false)) tcsetattr(terminalFd, TCSAFLUSH, &terminalSaved);
    if (progressShown.exchange(false)) {
        if (write(2, ProgressBar::kClearLine, sizeof ProgressBar::kClearLine - 1) < 0) {
            // Nothing is left to do: the process ends either way.
        }
    }
}

}  // namespace

void installInterruptCleanup()
{
    files::installEndingSignalCleanup(&undoTerminalAndProgress);
}

void armProgressClear() noexcept
{
    progressShown.store(true);
}

void disarmProgressClear() noexcept
{
    progressShown.store(false);
}

void armTerminalRestore(int fd, const termios& saved) noexcept
{
    terminalFd = fd;
    terminalSaved = saved;
    terminalArmed.store(true);
}

void disarmTerminalRestore() noexcept
{
    terminalArmed.store(false);
}

}  // namespace velmor::cli
