// SPDX-License-Identifier: MIT
// The hidden password prompt, by readpassphrase(3): it turns echo off on
// /dev/tty, gives the terminal back before a signal takes its course, and
// asks again when the tool is stopped and continued. The signals it leaves
// alone restore the terminal through the interrupt cleanup.
#include "terminal_prompt.h"

#include "failure.h"
#include "interrupt_cleanup.h"

#include <bsd/readpassphrase.h>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace velmor::cli {
namespace {

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
    explicit TerminalRestoreArmed(int fd)
    {
        termios saved{};
        if (tcgetattr(fd, &saved) != 0)
            throw IoError("cannot read the password from the terminal: " + systemMessage(errno));
        armTerminalRestore(fd, saved);
    }
    ~TerminalRestoreArmed() { disarmTerminalRestore(); }
    TerminalRestoreArmed(const TerminalRestoreArmed&) = delete;
    TerminalRestoreArmed& operator=(const TerminalRestoreArmed&) = delete;
};

}  // namespace

std::optional<Secret<char>> readHiddenLine(const char* prompt, std::size_t longest)
{
    const TerminalFile terminal;
    if (terminal.fd() < 0) return std::nullopt;
    const TerminalRestoreArmed armed(terminal.fd());
    // Room for one byte more than the longest line, to tell a longer one:
    // readpassphrase cuts what does not fit.
    Secret<char> line(longest + 1);
    const auto room = line.room();
    if (!readpassphrase(prompt, room.data(), room.size(), RPP_REQUIRE_TTY))
        throw IoError("cannot read the password from the terminal: " + systemMessage(errno));
    line.resize(std::strlen(room.data()));
    return line;
}

}  // namespace velmor::cli
