// SPDX-License-Identifier: MIT
// File descriptor reads, writes and closes on POSIX systems and Windows.
#include "file_descriptor.h"

#include "failure.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <utility>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#define NOMINMAX
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace velmor::cli {
namespace {

#ifdef _WIN32
// The CRT's calls take an unsigned int count.
constexpr std::size_t kLargestCall = INT_MAX;
long long readSome(int fd, char* data, std::size_t size) { return _read(fd, data, static_cast<unsigned>(size)); }
long long writeSome(int fd, const char* data, std::size_t size)
{
    return _write(fd, data, static_cast<unsigned>(size));
}
int syncFd(int fd) { return _commit(fd); }
int closeFd(int fd) { return _close(fd); }
long long seekFd(int fd, long long offset, int whence) { return _lseeki64(fd, offset, whence); }
// ReadFile with an offset leaves other threads' reads alone; 0 at the end.
long long readSomeAt(int fd, char* data, std::size_t size, std::uint64_t offset)
{
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (ReadFile(handle, data, static_cast<DWORD>(std::min<std::size_t>(size, INT_MAX)), &got, &at)) return got;
    if (GetLastError() == ERROR_HANDLE_EOF) return 0;
    errno = EIO;
    return -1;
}
#else
constexpr std::size_t kLargestCall = SSIZE_MAX;
long long readSome(int fd, char* data, std::size_t size) { return read(fd, data, size); }
long long writeSome(int fd, const char* data, std::size_t size) { return write(fd, data, size); }
int syncFd(int fd) { return fsync(fd); }
int closeFd(int fd) { return ::close(fd); }
long long seekFd(int fd, long long offset, int whence) { return lseek(fd, static_cast<off_t>(offset), whence); }
long long readSomeAt(int fd, char* data, std::size_t size, std::uint64_t offset)
{
    return pread(fd, data, size, static_cast<off_t>(offset));
}
#endif

}  // namespace

FileDescriptor::FileDescriptor(int fd, bool owned, std::string displayName) noexcept
    : fd_(fd), owned_(owned), displayName_(std::move(displayName))
{}

FileDescriptor::~FileDescriptor()
{
    release();
}

FileDescriptor::FileDescriptor(FileDescriptor&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), owned_(other.owned_), displayName_(std::move(other.displayName_))
{}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept
{
    if (this != &other) {
        release();
        fd_ = std::exchange(other.fd_, -1);
        owned_ = other.owned_;
        displayName_ = std::move(other.displayName_);
    }
    return *this;
}

void FileDescriptor::release() noexcept
{
    // A close that fails here has nothing left to lose: a file whose data
    // matters is closed with close() first, which reports.
    if (owned_ && fd_ >= 0) closeFd(fd_);
    fd_ = -1;
}

std::size_t FileDescriptor::readFull(std::span<char> buffer) const
{
    std::size_t filled = 0;
    while (filled < buffer.size()) {
        const long long got = readSome(fd_, buffer.data() + filled, std::min(buffer.size() - filled, kLargestCall));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw IoError("cannot read " + displayName_ + ": " + systemMessage(errno));
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    return filled;
}

void FileDescriptor::readAt(std::span<char> buffer, std::uint64_t offset) const
{
    std::size_t filled = 0;
    while (filled < buffer.size()) {
        const long long got = readSomeAt(fd_, buffer.data() + filled, std::min(buffer.size() - filled, kLargestCall),
                                         offset + filled);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw IoError("cannot read " + displayName_ + ": " + systemMessage(errno));
        if (got == 0) throw IoError("cannot read " + displayName_ + ": it became shorter while it was read");
        filled += static_cast<std::size_t>(got);
    }
}

std::optional<std::uint64_t> FileDescriptor::position() const
{
    const long long at = seekFd(fd_, 0, SEEK_CUR);
    if (at < 0) return std::nullopt;
    return static_cast<std::uint64_t>(at);
}

void FileDescriptor::moveTo(std::uint64_t position) const
{
    if (seekFd(fd_, static_cast<long long>(position), SEEK_SET) < 0)
        throw IoError("cannot read " + displayName_ + ": " + systemMessage(errno));
}

void FileDescriptor::writeAll(std::span<const char> bytes) const
{
    while (!bytes.empty()) {
        const long long written = writeSome(fd_, bytes.data(), std::min(bytes.size(), kLargestCall));
        if (written < 0 && errno == EINTR) continue;
        // A write that takes nothing without an error means there is no room.
        const int error = written < 0 ? errno : ENOSPC;
        if (written <= 0) throw IoError("cannot write " + displayName_ + ": " + systemMessage(error));
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
}

void FileDescriptor::sync() const
{
    if (syncFd(fd_) != 0) throw IoError("cannot write " + displayName_ + " to the disk: " + systemMessage(errno));
}

void FileDescriptor::close()
{
    const int fd = std::exchange(fd_, -1);
    if (owned_ && fd >= 0 && closeFd(fd) != 0)
        throw IoError("cannot finish writing " + displayName_ + ": " + systemMessage(errno));
}

FileDescriptor standardInput()
{
#ifdef _WIN32
    _setmode(0, _O_BINARY);
#endif
    return FileDescriptor(0, false, "standard input");
}

FileDescriptor standardOutput()
{
#ifdef _WIN32
    _setmode(1, _O_BINARY);
#endif
    return FileDescriptor(1, false, "standard output");
}

}  // namespace velmor::cli
