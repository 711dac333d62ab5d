// SPDX-License-Identifier: MIT
// Whole-file reads through one descriptor: open, examine, read to the end.
#include "read_file.h"

#include "file_descriptor.h"
#include "file_error.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>

namespace velmor::files {

WholeFile readWholeFile(const std::string& path, std::uint64_t maxBytes, const std::string& shown)
{
    // Without O_NONBLOCK the open itself would wait for a named pipe's
    // writer; without O_NOCTTY a terminal could become the program's own.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) throw FileError(Stage::Open, shown, systemMessage(errno));
    const FileDescriptor file(fd, true, shown);
    struct stat status {};
    if (::fstat(fd, &status) != 0) throw FileError(Stage::Open, shown, systemMessage(errno));
    if (S_ISDIR(status.st_mode)) throw FileError(Stage::Open, shown, "it is a folder");
    if (!S_ISREG(status.st_mode)) throw FileError(Stage::Open, shown, "it is not an ordinary file");

    const auto size = static_cast<std::uint64_t>(status.st_size);
    if (size > maxBytes) return {{}, size};
    std::string bytes(size, '\0');
    bytes.resize(file.readFull(bytes));
    if (bytes.size() < size) return {std::move(bytes), std::nullopt};
    std::string chunk(64 * 1024, '\0');
    for (;;) {
        const std::size_t got = file.readFull(chunk);
        if (got == 0) break;
        if (bytes.size() + got > maxBytes) return {{}, bytes.size() + got};
        bytes.append(chunk, 0, got);
        if (got < chunk.size()) break;
    }
    return {std::move(bytes), std::nullopt};
}

}  // namespace velmor::files
