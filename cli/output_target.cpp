// SPDX-License-Identifier: MIT
// Choosing how to write the output.
#include "output_target.h"

#include "failure.h"

#include "files/write_target.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace velmor::cli {
namespace {

files::WriteTarget targetOf(const std::string& path)
{
    if (path == "-") return files::examineDescriptor(STDOUT_FILENO, "standard output");
    return files::examineTarget(path, quoted(path));
}

files::FileDescriptor openInPlace(const std::filesystem::path& path, const std::string& shown)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) throw files::FileError(files::Stage::Open, shown, systemMessage(errno));
    return files::FileDescriptor(fd, true, shown);
}

}  // namespace

void OutputTarget::check(const std::string& path)
{
    static_cast<void>(targetOf(path));
}

OutputTarget::OutputTarget(const std::string& path)
{
    const files::WriteTarget target = targetOf(path);
    const std::string shown = path == "-" ? "standard output" : quoted(path);
    switch (target.kind) {
    // As with a shell redirection, writing goes on where the descriptor
    // stands, and appends where it was opened to append.
    case files::WriteTarget::Kind::OpenDescriptor: direct_ = files::FileDescriptor(target.descriptor, false, shown); break;
    case files::WriteTarget::Kind::InPlace: direct_ = openInPlace(target.path, shown); break;
    case files::WriteTarget::Kind::Replaced: file_ = std::make_unique<files::ReplacedFile>(target.path, shown); break;
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
