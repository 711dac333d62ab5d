// SPDX-License-Identifier: MIT
// The hidden password prompt: /dev/tty with termios on POSIX systems, the
// console input and output buffers on Windows.
#include "terminal_prompt.h"

#include "failure.h"
#include "interrupt_cleanup.h"

#include <cerrno>

#ifdef _WIN32
#define NOMINMAX
#include <windows.h>
#else
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace velmor::cli {
namespace {

[[noreturn]] void terminalFailed(int errorNumber)
{
    throw IoError("cannot read the password from the terminal: " + systemMessage(errorNumber));
}

#ifdef _WIN32

class ConsoleHandle {
public:
    explicit ConsoleHandle(const wchar_t* name)
        : handle_(CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr))
    {}
    ~ConsoleHandle()
    {
        if (valid()) CloseHandle(handle_);
    }
    ConsoleHandle(const ConsoleHandle&) = delete;
    ConsoleHandle& operator=(const ConsoleHandle&) = delete;
    bool valid() const noexcept { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const noexcept { return handle_; }

private:
    HANDLE handle_;
};

std::string toUtf8(const std::wstring& text)
{
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                        nullptr);
    return out;
}

std::optional<std::string> readHiddenLineFrom(std::string_view prompt)
{
    const ConsoleHandle input(L"CONIN$");
    const ConsoleHandle output(L"CONOUT$");
    DWORD savedMode = 0;
    if (!input.valid() || !output.valid() || !GetConsoleMode(input.get(), &savedMode)) return std::nullopt;
    DWORD written = 0;
    WriteConsoleA(output.get(), prompt.data(), static_cast<DWORD>(prompt.size()), &written, nullptr);
    SetConsoleMode(input.get(), (savedMode | ENABLE_LINE_INPUT) & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
    std::wstring line;
    wchar_t c = 0;
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadConsoleW(input.get(), &c, 1, &got, nullptr) != 0) && got == 1 && c != L'\n')
        if (c != L'\r') line.push_back(c);
    SetConsoleMode(input.get(), savedMode);
    WriteConsoleA(output.get(), "\r\n", 2, &written, nullptr);
    if (!ok) throw IoError("cannot read the password from the console");
    if (got != 1) throw IoError("the console closed before a password was given");
    return toUtf8(line);
}

#else

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

// Echo is off for the lifetime of this object, and back on after it,
// also when a signal ends the process in between.
class EchoOff {
public:
    explicit EchoOff(int fd) : fd_(fd)
    {
        if (tcgetattr(fd_, &saved_) != 0) terminalFailed(errno);
        termios quiet = saved_;
        // ECHONL still shows the line break, so the next output starts on a
        // fresh line.
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK);
        quiet.c_lflag |= ECHONL | ICANON;
        armTerminalRestore(fd_, saved_);
        if (tcsetattr(fd_, TCSAFLUSH, &quiet) != 0) {
            const int error = errno;
            disarmTerminalRestore();
            terminalFailed(error);
        }
    }
    ~EchoOff()
    {
        tcsetattr(fd_, TCSAFLUSH, &saved_);
        disarmTerminalRestore();
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    int fd_;
    termios saved_{};
};

void writeAll(int fd, std::string_view text)
{
    while (!text.empty()) {
        const ssize_t written = write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) terminalFailed(errno);
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

std::optional<std::string> readHiddenLineFrom(std::string_view prompt)
{
    const TerminalFile terminal;
    if (terminal.fd() < 0) return std::nullopt;
    writeAll(terminal.fd(), prompt);
    const EchoOff echoOff(terminal.fd());
    std::string line;
    for (;;) {
        char c = 0;
        const ssize_t got = read(terminal.fd(), &c, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) terminalFailed(errno);
        if (got == 0) throw IoError("the terminal closed before a password was given");
        if (c == '\n') return line;
        line.push_back(c);
    }
}

#endif

}  // namespace

std::optional<std::string> readHiddenLine(std::string_view prompt)
{
    return readHiddenLineFrom(prompt);
}

}  // namespace velmor::cli
