// SPDX-License-Identifier: MIT
// Signal handlers that undo half-done work. A handler can reach only static
// storage, so what it needs is kept here, written before it is armed; the
// handler itself calls only async-signal-safe functions.
#include "interrupt_cleanup.h"

#include "progress_bar.h"

#include "files/unfinished_file.h"

#include <atomic>

#include <unistd.h>

namespace velmor::cli {
namespace {

// Those whose default action ends the process, but SIGKILL, which cannot be
// caught, and SIGPIPE and SIGXFSZ, which the tool ignores so that the write
// fails with a message instead. Real-time signals are added at run time.
constexpr int kEndingSignals[] = {
    SIGHUP,  SIGINT,    SIGQUIT, SIGILL,  SIGTRAP,   SIGABRT, SIGBUS,    SIGFPE,  SIGUSR1, SIGSEGV, SIGUSR2,
    SIGALRM, SIGTERM,   SIGSTKFLT, SIGXCPU, SIGVTALRM, SIGPROF, SIGIO, SIGPWR, SIGSYS,
};

std::atomic<bool> progressShown{false};

std::atomic<bool> terminalArmed{false};
int terminalFd = -1;
termios terminalSaved{};
static_assert(std::atomic<bool>::is_always_lock_free);

void undoAndRaise(int signalNumber)
{
    files::removeUnfinishedFile();
    if (terminalArmed.exchange(false)) tcsetattr(terminalFd, TCSAFLUSH, &terminalSaved);
    if (progressShown.exchange(false)) {
        if (write(2, ProgressBar::kClearLine, sizeof ProgressBar::kClearLine - 1) < 0) {
            // Nothing is left to do: the process ends either way.
        }
    }
    // The handler was installed to run once: the signal now takes its
    // default action, which ends the process once the handler returns and
    // the signal is no longer held.
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

sigset_t endingSignals() noexcept
{
    sigset_t set;
    sigemptyset(&set);
    for (const int signalNumber : kEndingSignals) sigaddset(&set, signalNumber);
    for (int signalNumber = SIGRTMIN; signalNumber <= SIGRTMAX; ++signalNumber) sigaddset(&set, signalNumber);
    return set;
}

}  // namespace

void installInterruptCleanup()
{
    struct sigaction action {};
    action.sa_handler = undoAndRaise;
    action.sa_mask = endingSignals();
    for (int signalNumber = 1; signalNumber < NSIG; ++signalNumber) {
        if (sigismember(&action.sa_mask, signalNumber) != 1) continue;
        struct sigaction previous {};
        if (sigaction(signalNumber, nullptr, &previous) != 0 || previous.sa_handler != SIG_DFL) continue;
        sigaction(signalNumber, &action, nullptr);
    }
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
