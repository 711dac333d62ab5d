// SPDX-License-Identifier: MIT
// Signal handlers that undo half-done work. A handler can reach only static
// storage, so what it needs is kept here, written before it is armed; the
// handler itself calls only async-signal-safe functions.
#include "interrupt_cleanup.h"

#include <atomic>
#include <csignal>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace velmor::cli {
namespace {

constexpr int kHandledSignals[] = {
    SIGINT,
    SIGTERM,
#ifndef _WIN32
    SIGHUP,
#endif
};

using PathChar = std::filesystem::path::value_type;
std::atomic<const PathChar*> fileToRemove{nullptr};
static_assert(std::atomic<const PathChar*>::is_always_lock_free);

#ifndef _WIN32
std::atomic<bool> terminalArmed{false};
int terminalFd = -1;
termios terminalSaved{};
static_assert(std::atomic<bool>::is_always_lock_free);
#endif

void undoAndRaise(int signalNumber)
{
    if (const PathChar* path = fileToRemove.exchange(nullptr)) {
#ifdef _WIN32
        _wunlink(path);
#else
        unlink(path);
#endif
    }
#ifndef _WIN32
    if (terminalArmed.exchange(false)) tcsetattr(terminalFd, TCSAFLUSH, &terminalSaved);
#endif
    // The handler was installed to run once: the signal now takes its
    // default action, which ends the process when the handler returns.
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

}  // namespace

void installInterruptCleanup()
{
    for (const int signalNumber : kHandledSignals) {
#ifdef _WIN32
        std::signal(signalNumber, undoAndRaise);
#else
        struct sigaction previous {};
        sigaction(signalNumber, nullptr, &previous);
        if (previous.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = undoAndRaise;
        sigemptyset(&action.sa_mask);
        for (const int other : kHandledSignals) sigaddset(&action.sa_mask, other);
        sigaction(signalNumber, &action, nullptr);
#endif
    }
}

void armFileRemoval(const PathChar* path) noexcept
{
    fileToRemove.store(path);
}

void disarmFileRemoval() noexcept
{
    fileToRemove.store(nullptr);
}

#ifndef _WIN32
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
#endif

}  // namespace velmor::cli
