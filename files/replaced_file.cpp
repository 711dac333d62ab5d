// SPDX-License-Identifier: MIT
// Temporary file, sync and renameat(2), all relative to the folder.
#include "replaced_file.h"

#include "ending_signals.h"
#include "file_error.h"
#include "kept_attributes.h"

#include <cerrno>
#include <climits>
#include <fstream>
#include <random>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmor::files {
namespace {

// Hidden, and named after its target, so that the one a SIGKILL leaves
// behind tells what it belonged to: ".notes.velmor-XXXXXX". A long name is
// cut to fit a file name's limit.
std::string temporaryName(const std::string& target)
{
    constexpr std::string_view kSuffix = ".velmor-";
    constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    constexpr std::size_t kRandom = 6;
    std::string name = ".";
    name.append(target, 0, NAME_MAX - name.size() - kSuffix.size() - kRandom);
    name += kSuffix;
    std::random_device random;
    for (std::size_t i = 0; i < kRandom; ++i) name += kLetters[random() % kLetters.size()];
    return name;
}

// The mode a new file gets: read from the kernel's account of the process,
// as setting the umask to learn it would race with files other threads
// create meanwhile.
unsigned creationMode()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("Umask:")) return 0666 & ~std::stoul(line.substr(6), nullptr, 8);
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

std::filesystem::path folderOf(const std::filesystem::path& target)
{
    const auto folder = target.parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

// The folder of `target`, which must name a file in it.
FileDescriptor openFolder(const std::filesystem::path& target, const std::string& shown)
{
    if (target.filename().empty()) throw FileError(Stage::Check, shown, "it is a folder");
    const int folder = open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) throw FileError(Stage::Create, shown, systemMessage(errno));
    return FileDescriptor(folder, true, shown);
}

}  // namespace

ReplacedFile::ReplacedFile(const std::filesystem::path& target, std::string shown)
    : folder_(openFolder(target, shown)), name_(target.filename().string()), newFileMode_(creationMode()),
      unfinished_(folder_.get(), shown)
{
    int fd = -1;
    int error = EEXIST;
    for (int attempt = 0; fd < 0 && error == EEXIST && attempt < 100; ++attempt) {
        fd = unfinished_.create(temporaryName(name_), O_WRONLY | O_NOFOLLOW | O_CLOEXEC, 0600);
        error = errno;
    }
    if (fd < 0) throw FileError(Stage::Create, shown, systemMessage(error));
    file_ = FileDescriptor(fd, true, std::move(shown));
}

ReplacedFile::~ReplacedFile()
{
    if (committed_) return;
    file_ = FileDescriptor();
    unfinished_.remove();
}

void ReplacedFile::write(std::span<const char> bytes) const
{
    file_.writeAll(bytes);
}

void ReplacedFile::commit()
{
    // The target as it is now decides what the new file gets.
    struct stat old {};
    const bool replacing =
        fstatat(folder_.get(), name_.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(old.st_mode);
    if (replacing) {
        const FileDescriptor oldFile(
            openat(folder_.get(), name_.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC), true, {});
        if (oldFile.get() >= 0) static_cast<void>(fstat(oldFile.get(), &old));
        // Unreadable, the file's access list is still reached by its path.
        const std::string oldPath = "/proc/self/fd/" + std::to_string(folder_.get()) + "/" + name_;
        keepAttributes(oldFile.get(), oldPath, old, file_.get(), shown());
    } else {
        giveNewFileRights(folder_.get(), file_.get(), newFileMode_, shown());
    }
    file_.sync();
    file_.close();
    if (renameat(folder_.get(), unfinished_.name(), folder_.get(), name_.c_str()) != 0)
        throw FileError(Stage::Replace, shown(), systemMessage(errno));
    committed_ = true;
    // Make the new name itself durable. Some file systems cannot sync a
    // folder; the file is complete and in place either way.
    static_cast<void>(fsync(folder_.get()));
}

}  // namespace velmor::files
