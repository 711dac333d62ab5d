// SPDX-License-Identifier: MIT
// The hidden password prompt, read from /dev/tty byte by byte in canonical
// mode with echo off: the terminal still edits the line (erase, kill), and
// end of input (Ctrl-D) reads as nothing at all, which an empty line never
// does.
#include "terminal_prompt.h"

#include "failure.h"
#include "files/ending_signals.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace velmor::cli {
namespace {

constexpr int kStopSignals[] = {SIGTSTP, SIGTTIN, SIGTTOU};

// The stop signal that cut a read or a terminal call short, 0 for none.
// Only the prompt's handler writes it, and only while the prompt runs.
volatile std::sig_atomic_t caughtStop = 0;

void noteStop(int signalNumber)
{
    caughtStop = signalNumber;
}

class TerminalFile {
public:
    TerminalFile() : fd_(open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC)) {}
    ~TerminalFile()
    {
        if (fd_ >= 0) close(fd_);
    }
    TerminalFile(const TerminalFile&) = delete;
    TerminalFile& operator=(const TerminalFile&) = delete;
    int fd() const noexcept { return fd_; }

private:
    int fd_;
};

class TerminalRestoreArmed {
public:
    TerminalRestoreArmed(int fd, const termios& saved) { files::armTerminalRestore(fd, saved); }
    ~TerminalRestoreArmed() { files::disarmTerminalRestore(); }
    TerminalRestoreArmed(const TerminalRestoreArmed&) = delete;
    TerminalRestoreArmed& operator=(const TerminalRestoreArmed&) = delete;
};

// While it lives, a stop signal is noted instead of stopping the tool at
// once, and interrupts a waiting read (no SA_RESTART), so that the terminal
// is given back before the tool stops. Signals that were ignored when the
// prompt began stay ignored.
class StopSignalsNoted {
public:
    StopSignalsNoted()
    {
        struct sigaction noting {};
        noting.sa_handler = noteStop;
        sigemptyset(&noting.sa_mask);
        for (std::size_t i = 0; i < std::size(kStopSignals); ++i) {
            sigaction(kStopSignals[i], nullptr, &previous_[i]);
            if (previous_[i].sa_handler == SIG_DFL) sigaction(kStopSignals[i], &noting, nullptr);
        }
    }
    ~StopSignalsNoted()
    {
        for (std::size_t i = 0; i < std::size(kStopSignals); ++i) sigaction(kStopSignals[i], &previous_[i], nullptr);
    }
    StopSignalsNoted(const StopSignalsNoted&) = delete;
    StopSignalsNoted& operator=(const StopSignalsNoted&) = delete;

    // Whether the signal would stop the tool, were it not noted.
    bool wouldStop(int signalNumber) const
    {
        for (std::size_t i = 0; i < std::size(kStopSignals); ++i)
            if (kStopSignals[i] == signalNumber) return previous_[i].sa_handler == SIG_DFL;
        return false;
    }

    // Gives the terminal back, if `saved`, stops as the signal would have,
    // and once continued notes stop signals again.
    void stopNow(int fd, const termios* saved) const
    {
        const int signalNumber = caughtStop;
        // From the background this call is itself refused with SIGTTOU; the
        // terminal then was never changed, and that signal is not one more
        // stop to come.
        if (saved) tcsetattr(fd, TCSANOW, saved);
        caughtStop = 0;
        struct sigaction noting {};
        sigaction(signalNumber, nullptr, &noting);
        signal(signalNumber, SIG_DFL);
        raise(signalNumber);
        sigaction(signalNumber, &noting, nullptr);
    }

private:
    struct sigaction previous_[std::size(kStopSignals)] {};
};

[[noreturn]] void failTerminal(int error)
{
    throw IoError("cannot read the password from the terminal: " + systemMessage(error));
}

enum class Outcome { Line, EndOfInput, Stopped };

// One attempt: echo off, the prompt, the line. Stopped when a stop signal
// came first.
Outcome askOnce(int fd, const termios& saved, const char* prompt, Secret<char>& line)
{
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL);
    quiet.c_lflag |= ICANON;
    // Enter ends the line even on a terminal left passing its carriage
    // return through (stty -icrnl, as stty raw leaves it).
    quiet.c_iflag |= ICRNL;
    quiet.c_iflag &= ~static_cast<tcflag_t>(IGNCR | INLCR);
    // TCSANOW, not TCSAFLUSH: what was typed ahead, such as the second
    // answer and the text pasted with the first, is still velmor's to read.
    if (tcsetattr(fd, TCSANOW, &quiet) != 0) {
        if (errno == EINTR && caughtStop) return Outcome::Stopped;
        failTerminal(errno);
    }
    for (std::size_t done = 0, length = std::strlen(prompt); done < length;) {
        const ssize_t wrote = write(fd, prompt + done, length - done);
        if (wrote < 0 && errno == EINTR) {
            if (caughtStop) return Outcome::Stopped;
            continue;
        }
        if (wrote < 0) failTerminal(errno);
        done += static_cast<std::size_t>(wrote);
    }
    line.resize(0);
    const auto room = line.room();
    std::size_t kept = 0;
    for (;;) {
        if (caughtStop) return Outcome::Stopped;
        char byte = 0;
        const ssize_t got = read(fd, &byte, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) failTerminal(errno);
        if (got == 0) return Outcome::EndOfInput;
        if (byte == '\n') break;
        // What does not fit is read and dropped: a full room tells the
        // caller that the line was longer than any password.
        if (kept < line.capacity()) room[kept++] = byte;
    }
    line.resize(kept);
    return Outcome::Line;
}

}  // namespace

std::optional<Secret<char>> readHiddenLine(const char* prompt, std::size_t longest)
{
    const TerminalFile terminal;
    const int fd = terminal.fd();
    if (fd < 0) return std::nullopt;
    // Room for one byte more than the longest line, to tell a longer one.
    Secret<char> line(longest + 1);
    termios saved{};
    std::optional<TerminalRestoreArmed> armed;
    Outcome outcome = Outcome::Stopped;
    {
        const StopSignalsNoted stops;
        caughtStop = 0;
        bool waited = false;
        while (outcome == Outcome::Stopped) {
            // The settings to give back are read while velmor holds the
            // terminal, and again after every stop: read from the background
            // they would be the shell's own, kept while it edits its command
            // line. In the background velmor first stops, as a job that
            // touches the terminal does (unless SIGTTOU is ignored, which
            // lets it); only once, since the kernel never stops an orphaned
            // one.
            if (!waited && stops.wouldStop(SIGTTOU) && tcgetpgrp(fd) != getpgrp()) {
                caughtStop = SIGTTOU;
                stops.stopNow(fd, nullptr);
                waited = true;
                continue;
            }
            waited = false;
            armed.reset();
            if (tcgetattr(fd, &saved) != 0) failTerminal(errno);
            armed.emplace(fd, saved);
            outcome = askOnce(fd, saved, prompt, line);
            if (outcome == Outcome::Stopped) stops.stopNow(fd, &saved);
        }
    }
    // TCSANOW keeps what was typed after the password: it is the text, when
    // the text comes from the terminal too.
    tcsetattr(fd, TCSANOW, &saved);
    // The line break typed was not shown, echo being off: end the prompt's
    // line here.
    if (write(fd, "\n", 1) < 0) {
        // The prompt is done either way; the next message starts on its line.
    }
    if (outcome == Outcome::EndOfInput) throw UsageError("no password was given (end of input at the prompt); nothing was done");
    return line;
}

}  // namespace velmor::cli
