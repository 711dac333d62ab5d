// SPDX-License-Identifier: MIT
// Opening the input and learning its size.
#include "input_file.h"

#include "failure.h"

#include <cerrno>
#include <sys/stat.h>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <share.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace velmor::cli {
namespace {

#ifdef _WIN32
using StatBuffer = struct _stat64;
int statFd(int fd, StatBuffer* buffer) { return _fstat64(fd, buffer); }
int openForReading(const std::string& path)
{
    int fd = -1;
    _sopen_s(&fd, path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT, _SH_DENYNO, 0);
    return fd;
}
bool isRegular(const StatBuffer& s) { return (s.st_mode & _S_IFMT) == _S_IFREG; }
bool isFolder(const StatBuffer& s) { return (s.st_mode & _S_IFMT) == _S_IFDIR; }
#else
using StatBuffer = struct stat;
int statFd(int fd, StatBuffer* buffer) { return fstat(fd, buffer); }
int openForReading(const std::string& path) { return open(path.c_str(), O_RDONLY | O_CLOEXEC); }
bool isRegular(const StatBuffer& s) { return S_ISREG(s.st_mode); }
bool isFolder(const StatBuffer& s) { return S_ISDIR(s.st_mode); }
#endif

Input measured(FileDescriptor file)
{
    StatBuffer status{};
    if (statFd(file.get(), &status) != 0)
        throw IoError("cannot read " + file.displayName() + ": " + systemMessage(errno));
    if (isFolder(status)) throw IoError("cannot read " + file.displayName() + ": it is a folder");
    const auto start = file.position();
    if (!isRegular(status) || !start) return {std::move(file), std::nullopt, 0};
    const auto end = static_cast<std::uint64_t>(status.st_size);
    return {std::move(file), end > *start ? end - *start : 0, *start};
}

}  // namespace

Input openInput(const std::string& path)
{
    if (path == "-") return measured(standardInput());
    const int fd = openForReading(path);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) throw UsageError("input file " + quoted(path) + " does not exist");
        throw IoError("cannot open " + quoted(path) + ": " + systemMessage(error));
    }
    return measured(FileDescriptor(fd, true, quoted(path)));
}

}  // namespace velmor::cli
