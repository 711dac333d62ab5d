// SPDX-License-Identifier: MIT
// Choosing how to write the output.
#include "output_target.h"

#include "failure.h"

#include <cerrno>
#include <filesystem>

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

FileDescriptor openInPlace(const std::string& path)
{
#ifdef _WIN32
    int fd = -1;
    _sopen_s(&fd, path.c_str(), _O_WRONLY | _O_BINARY | _O_NOINHERIT, _SH_DENYNO, 0);
#else
    const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
#endif
    if (fd < 0) throw IoError("cannot open " + quoted(path) + ": " + systemMessage(errno));
    return FileDescriptor(fd, true, quoted(path));
}

// A link stays a link: the file at the end of its chain is replaced, or
// created when the link points nowhere yet, as a shell redirection would.
std::filesystem::path linkedFile(const std::string& path)
{
    namespace fs = std::filesystem;
    constexpr int kMaxLinks = 40;  // as many as the kernel follows
    fs::path target = path;
    std::error_code ignored;  // what cannot be looked at is no link
    for (int links = 0; fs::is_symlink(fs::symlink_status(target, ignored)); ++links) {
        if (links == kMaxLinks) throw IoError("cannot write " + quoted(path) + ": too many levels of links");
        std::error_code error;
        const fs::path next = fs::read_symlink(target, error);
        if (error) throw IoError("cannot write " + quoted(path) + ": " + error.message());
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target;
}

}  // namespace

OutputTarget::OutputTarget(const std::string& path)
{
    if (path == "-") {
        direct_ = standardOutput();
        return;
    }
    namespace fs = std::filesystem;
    std::error_code ignored;  // a path that cannot be looked at is treated as new
    const fs::file_status status = fs::status(path, ignored);
    if (fs::is_directory(status)) throw IoError("cannot write " + quoted(path) + ": it is a folder");
    // Renaming over /dev/null or a named pipe would put a plain file in its
    // place; such targets are written as they are.
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        direct_ = openInPlace(path);
        return;
    }
    file_ = std::make_unique<AtomicFile>(linkedFile(path));
}

void OutputTarget::write(std::span<const char> bytes) const
{
    if (file_) file_->write(bytes);
    else direct_.writeAll(bytes);
}

void OutputTarget::commit()
{
    if (file_) file_->commit();
}

}  // namespace velmor::cli
