// SPDX-License-Identifier: MIT
// A handler can reach only static storage: the program's own undo is kept
// here, written before the handler is armed.
#include "ending_signals.h"

#include "unfinished_file.h"

#include <atomic>
#include <csignal>

namespace velmor::files {
namespace {

// Those whose default action ends the process, but SIGKILL, which cannot be
// caught, and SIGPIPE and SIGXFSZ, which the programs ignore so that the
// write fails with a message instead. Real-time signals are added at run
// time.
constexpr int kEndingSignals[] = {
    SIGHUP,  SIGINT,    SIGQUIT, SIGILL,  SIGTRAP,   SIGABRT, SIGBUS,    SIGFPE,  SIGUSR1, SIGSEGV, SIGUSR2,
    SIGALRM, SIGTERM,   SIGSTKFLT, SIGXCPU, SIGVTALRM, SIGPROF, SIGIO, SIGPWR, SIGSYS,
};

std::atomic<SignalUndo> programUndo{nullptr};
static_assert(std::atomic<SignalUndo>::is_always_lock_free);

void undoAndRaise(int signalNumber)
{
    removeUnfinishedFile();
    if (const SignalUndo undo = programUndo.exchange(nullptr)) undo();
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

void installEndingSignalCleanup(SignalUndo undo)
{
    programUndo.store(undo);
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

}  // namespace velmor::files
