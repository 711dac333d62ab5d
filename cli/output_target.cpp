// SPDX-License-Identifier: MIT
// Choosing how to write the output.
#include "output_target.h"

#include "failure.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace velmor::cli {
namespace {

namespace fs = std::filesystem;

// A link stays a link: the file at the end of its chain is replaced, or
// created when the link points nowhere yet, as a shell redirection would.
fs::path linkedFile(const std::string& path)
{
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

// Where `path` leads: nothing for standard output, the path itself for a
// device or pipe written in place, or the file to replace, checked as a
// shell redirection would check it: a file the user may not write is
// refused, although its folder would let it be replaced.
struct Destination {
    enum class Kind { StandardOutput, InPlace, Replaced } kind;
    fs::path path;
};

Destination destinationOf(const std::string& path)
{
    if (path == "-") return {Destination::Kind::StandardOutput, {}};
    std::error_code ignored;  // a path that cannot be looked at is treated as new
    const fs::file_status status = fs::status(path, ignored);
    if (fs::is_directory(status)) throw IoError("cannot write " + quoted(path) + ": it is a folder");
    if (fs::exists(status) && faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
        throw IoError("cannot write " + quoted(path) + ": " + systemMessage(errno));
    // Renaming over /dev/null or a named pipe would put a plain file in its
    // place; such targets are written as they are.
    if (fs::exists(status) && !fs::is_regular_file(status)) return {Destination::Kind::InPlace, path};
    fs::path target = linkedFile(path);
    requireFolderWritable(target);
    return {Destination::Kind::Replaced, std::move(target)};
}

FileDescriptor openInPlace(const fs::path& path)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) throw IoError("cannot open " + quoted(path.string()) + ": " + systemMessage(errno));
    return FileDescriptor(fd, true, quoted(path.string()));
}

}  // namespace

void OutputTarget::check(const std::string& path)
{
    static_cast<void>(destinationOf(path));
}

OutputTarget::OutputTarget(const std::string& path)
{
    const Destination destination = destinationOf(path);
    switch (destination.kind) {
    case Destination::Kind::StandardOutput: direct_ = standardOutput(); break;
    case Destination::Kind::InPlace: direct_ = openInPlace(destination.path); break;
    case Destination::Kind::Replaced: file_ = std::make_unique<AtomicFile>(destination.path); break;
    }
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
