// SPDX-License-Identifier: MIT
// File descriptor reads, writes and closes.
#include "file_descriptor.h"

#include "file_error.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <utility>

#include <poll.h>
#include <unistd.h>

namespace velmor::files {
namespace {

// A pipe or terminal that another process left non-blocking (the flag is
// shared by every process that has it open) answers EAGAIN instead of
// waiting: wait here until it is ready, as a blocking call would have.
bool waitedUntilReady(int fd, short events)
{
    if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
    pollfd ready{fd, events, 0};
    while (poll(&ready, 1, -1) < 0)
        if (errno != EINTR) return false;
    return true;
}

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
    if (owned_ && fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

std::size_t FileDescriptor::readFull(std::span<char> buffer) const
{
    std::size_t filled = 0;
    while (filled < buffer.size()) {
        const std::size_t wanted = std::min<std::size_t>(buffer.size() - filled, SSIZE_MAX);
        const ssize_t got = ::read(fd_, buffer.data() + filled, wanted);
        if (got < 0 && (errno == EINTR || waitedUntilReady(fd_, POLLIN))) continue;
        if (got < 0) throw FileError(Stage::Read, displayName_, systemMessage(errno));
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    return filled;
}

void FileDescriptor::readAt(std::span<char> buffer, std::uint64_t offset) const
{
    std::size_t filled = 0;
    while (filled < buffer.size()) {
        const std::size_t wanted = std::min<std::size_t>(buffer.size() - filled, SSIZE_MAX);
        const ssize_t got = pread(fd_, buffer.data() + filled, wanted, static_cast<off_t>(offset + filled));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw FileError(Stage::Read, displayName_, systemMessage(errno));
        if (got == 0) throw FileError(Stage::Read, displayName_, "it became shorter while it was read");
        filled += static_cast<std::size_t>(got);
    }
}

std::optional<std::uint64_t> FileDescriptor::position() const
{
    const off_t at = lseek(fd_, 0, SEEK_CUR);
    if (at < 0) return std::nullopt;
    return static_cast<std::uint64_t>(at);
}

void FileDescriptor::moveTo(std::uint64_t position) const
{
    if (lseek(fd_, static_cast<off_t>(position), SEEK_SET) < 0)
        throw FileError(Stage::Read, displayName_, systemMessage(errno));
}

void FileDescriptor::writeAll(std::span<const char> bytes) const
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd_, bytes.data(), std::min<std::size_t>(bytes.size(), SSIZE_MAX));
        if (written < 0 && (errno == EINTR || waitedUntilReady(fd_, POLLOUT))) continue;
        // A write that takes nothing without an error means there is no room.
        const int error = written < 0 ? errno : ENOSPC;
        if (written <= 0) throw FileError(Stage::Write, displayName_, systemMessage(error));
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
}

void FileDescriptor::sync() const
{
    if (fsync(fd_) != 0) throw FileError(Stage::Sync, displayName_, systemMessage(errno));
}

void FileDescriptor::close()
{
    const int fd = std::exchange(fd_, -1);
    if (owned_ && fd >= 0 && ::close(fd) != 0)
        throw FileError(Stage::Finish, displayName_, systemMessage(errno));
}

FileDescriptor standardInput()
{
    return FileDescriptor(0, false, "standard input");
}

FileDescriptor standardOutput()
{
    return FileDescriptor(1, false, "standard output");
}

}  // namespace velmor::files
