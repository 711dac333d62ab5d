// SPDX-License-Identifier: MIT
// An owner of an open file descriptor, with whole reads and writes that
// turn failures into a FileError naming the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace velmor::files {

class FileDescriptor {
public:
    FileDescriptor() = default;
    // Takes ownership of `fd` when `owned`; standard streams are borrowed.
    FileDescriptor(int fd, bool owned, std::string displayName) noexcept;
    ~FileDescriptor();
    FileDescriptor(FileDescriptor&& other) noexcept;
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const noexcept { return fd_; }
    // How messages name the file: 'path', or "standard input".
    const std::string& displayName() const noexcept { return displayName_; }

    // Fills `buffer` unless the end of the input comes first; returns the
    // number of bytes read, less than the buffer only at the end.
    std::size_t readFull(std::span<char> buffer) const;
    // Fills `buffer` with the bytes from `offset` on, without moving the
    // file position, so several threads can read at once. Throws FileError
    // also when the file ends first: it became shorter while it was read.
    void readAt(std::span<char> buffer, std::uint64_t offset) const;
    // The file position, for files that have one.
    std::optional<std::uint64_t> position() const;
    void moveTo(std::uint64_t position) const;
    void writeAll(std::span<const char> bytes) const;
    // Forces written data to the disk.
    void sync() const;
    // Closes now, so that a failure of the close is seen and reported.
    void close();

private:
    void release() noexcept;

    int fd_ = -1;
    bool owned_ = false;
    std::string displayName_;
};

FileDescriptor standardInput();
FileDescriptor standardOutput();

}  // namespace velmor::files
