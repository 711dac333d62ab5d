// SPDX-License-Identifier: MIT
// Opening the input and learning its size.
#include "input_file.h"

#include "failure.h"

#include <cerrno>

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace velmor::cli {
namespace {

// The kernel makes up the files of these file systems as they are read, and
// their size says nothing of what a read gives: a file under /sys claims
// 4096 bytes whatever it holds.
bool sizeIsMadeUp(int fd)
{
    struct statfs fileSystem {};
    if (fstatfs(fd, &fileSystem) != 0) return false;
    switch (static_cast<unsigned long>(fileSystem.f_type)) {
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
    case EFIVARFS_MAGIC:
    case PSTOREFS_MAGIC:
    case BPF_FS_MAGIC: return true;
    default: return false;
    }
}

Input measured(files::FileDescriptor file)
{
    struct stat status {};
    if (fstat(file.get(), &status) != 0)
        throw files::FileError(files::Stage::Read, file.displayName(), systemMessage(errno));
    if (S_ISDIR(status.st_mode)) throw files::FileError(files::Stage::Read, file.displayName(), "it is a folder");
    const auto start = file.position();
    if (!S_ISREG(status.st_mode) || !start || sizeIsMadeUp(file.get())) return {std::move(file), std::nullopt, 0};
    const auto end = static_cast<std::uint64_t>(status.st_size);
    return {std::move(file), end > *start ? end - *start : 0, *start};
}

}  // namespace

Input openInput(const std::string& path)
{
    if (path == "-") {
        // A standard input closed at start is kept on /dev/null for writing
        // only: found here, before the password is asked for.
        const int flags = fcntl(STDIN_FILENO, F_GETFL);
        if (flags < 0 || (flags & O_ACCMODE) == O_WRONLY)
            throw files::FileError(files::Stage::Read, "standard input", systemMessage(flags < 0 ? errno : EBADF));
        return measured(files::standardInput());
    }
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT) throw UsageError("input file " + quoted(path) + " does not exist");
        // "in.txt/" or "in.txt/x": the path goes through a file.
        if (error == ENOTDIR) throw UsageError("input file " + quoted(path) + ": " + systemMessage(error));
        throw files::FileError(files::Stage::Open, quoted(path), systemMessage(error));
    }
    return measured(files::FileDescriptor(fd, true, quoted(path)));
}

}  // namespace velmor::cli
