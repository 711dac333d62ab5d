// SPDX-License-Identifier: MIT
// A handler can reach only static storage: what it undoes is kept here,
// written before it is armed, and it calls only async-signal-safe functions.
#include "ending_signals.h"

#include "file_error.h"

#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace velmor::files {
namespace {

// Those whose default action ends the process, but SIGKILL, which cannot be
// caught, and SIGPIPE and SIGXFSZ, which the programs ignore so that the
// write fails with a message instead. Real-time signals are added at run
// time.
constexpr int kEndingSignals[] = {
    SIGHUP,  SIGINT,  SIGQUIT,   SIGILL,    SIGTRAP, SIGABRT, SIGBUS, SIGFPE, SIGUSR1, SIGSEGV,
    SIGUSR2, SIGALRM, SIGTERM, SIGSTKFLT, SIGXCPU, SIGVTALRM, SIGPROF, SIGIO, SIGPWR, SIGSYS,
};

// An unfinished file's way from a free slot to one the handler removes.
enum SlotState : int { Free, Claimed, Creating, Created, Removing };

struct Slot {
    std::atomic<int> state{Free};
    int folder = -1;
    char name[NAME_MAX + 1] = {};
};
static_assert(std::atomic<int>::is_always_lock_free);

// Several files may be saved at once, each by its own thread.
constexpr int kSlots = 32;
Slot slots[kSlots];

std::atomic<bool> terminalArmed{false};
int terminalFd = -1;
termios terminalSaved{};

std::atomic<const char*> lineClear{nullptr};
std::atomic<std::size_t> lineClearSize{0};
static_assert(std::atomic<const char*>::is_always_lock_free && std::atomic<std::size_t>::is_always_lock_free);

void removeUnfinishedFiles() noexcept
{
    for (Slot& slot : slots) {
        // Another thread is between creating a file and saying so: it holds
        // every signal meanwhile, and is done in a moment.
        for (long spins = 0; slot.state.load() == Creating && spins < 100'000'000; ++spins) {
        }
        int created = Created;
        if (slot.state.compare_exchange_strong(created, Removing)) unlinkat(slot.folder, slot.name, 0);
    }
}

void undoAndRaise(int signalNumber)
{
    removeUnfinishedFiles();
    // Flushed: a half-typed password must not reach the shell that reads
    // the terminal next.
    if (terminalArmed.exchange(false)) tcsetattr(terminalFd, TCSAFLUSH, &terminalSaved);
    if (const char* text = lineClear.exchange(nullptr)) {
        if (write(STDERR_FILENO, text, lineClearSize.load()) < 0) {
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

// Signals wait in this thread while it creates a file and notes that it
// did; those a fault raises cannot wait.
class SignalsHeld {
public:
    SignalsHeld() noexcept
    {
        sigset_t held;
        sigfillset(&held);
        for (const int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP}) sigdelset(&held, fault);
        pthread_sigmask(SIG_BLOCK, &held, &previous_);
    }
    ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t previous_{};
};

}  // namespace

void installEndingSignalCleanup()
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

void armErrorLineClear(std::string_view text) noexcept
{
    lineClearSize.store(text.size());
    lineClear.store(text.data());
}

void disarmErrorLineClear() noexcept
{
    lineClear.store(nullptr);
}

UnfinishedFile::UnfinishedFile(int folder, const std::string& shown) : slot_(-1)
{
    for (int i = 0; i < kSlots && slot_ < 0; ++i) {
        int free = Free;
        if (slots[i].state.compare_exchange_strong(free, Claimed)) slot_ = i;
    }
    if (slot_ < 0) throw FileError(Stage::Create, shown, "too many files are being saved at once");
    slots[slot_].folder = folder;
}

UnfinishedFile::~UnfinishedFile()
{
    // A handler that has begun to remove the file keeps the slot: the process ends.
    int state = slots[slot_].state.load();
    while (state != Removing && !slots[slot_].state.compare_exchange_weak(state, Free)) {
    }
}

int UnfinishedFile::create(const std::string& name, int flags, mode_t mode) noexcept
{
    Slot& slot = slots[slot_];
    if (name.size() > NAME_MAX) {
        errno = ENAMETOOLONG;
        return -1;
    }
    // The handler reads the name only of a file created, so it can change now.
    std::memcpy(slot.name, name.c_str(), name.size() + 1);
    const SignalsHeld held;
    slot.state.store(Creating);
    const int fd = openat(slot.folder, slot.name, flags | O_CREAT | O_EXCL, mode);
    const int error = errno;
    slot.state.store(fd >= 0 ? Created : Claimed);
    errno = error;
    return fd;
}

const char* UnfinishedFile::name() const noexcept
{
    return slots[slot_].name;
}

void UnfinishedFile::remove() const noexcept
{
    unlinkat(slots[slot_].folder, slots[slot_].name, 0);
}

}  // namespace velmor::files
