// SPDX-License-Identifier: MIT
// Temporary file, sync and rename(2).
#include "atomic_file.h"

#include "failure.h"
#include "interrupt_cleanup.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmor::cli {
namespace {

std::filesystem::path folderOf(const std::filesystem::path& target)
{
    const auto folder = target.parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

// Hidden, and named after its target, so that the one a SIGKILL leaves
// behind tells what it belonged to: ".notes.velmor-XXXXXX". A long name is
// cut to fit a file name's limit.
std::filesystem::path temporaryPattern(const std::filesystem::path& target)
{
    constexpr std::string_view kSuffix = ".velmor-XXXXXX";
    std::string name = ".";
    name.append(target.filename().string(), 0, NAME_MAX - name.size() - kSuffix.size());
    name += kSuffix;
    return folderOf(target) / name;
}

// Signals that would leave the temporary file behind wait while it is being
// created and registered for removal.
class SignalsHeld {
public:
    SignalsHeld()
    {
        const sigset_t held = endingSignals();
        pthread_sigmask(SIG_BLOCK, &held, &previous_);
    }
    ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t previous_{};
};

mode_t creationMode()
{
    // Output files are opened before any thread starts, so reading the umask
    // by setting it and putting it back cannot race with a file creation.
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// The IoError of a target beside which no file can be created.
[[noreturn]] void cannotCreate(const std::filesystem::path& target, int errorNumber)
{
    throw IoError("cannot write " + quoted(target.string()) + ": no file can be created in its folder: " +
                  systemMessage(errorNumber));
}

}  // namespace

void requireFolderWritable(const std::filesystem::path& target)
{
    if (faccessat(AT_FDCWD, folderOf(target).c_str(), W_OK | X_OK, AT_EACCESS) != 0) cannotCreate(target, errno);
}

AtomicFile::AtomicFile(std::filesystem::path target) : target_(std::move(target)), newFileMode_(creationMode())
{
    std::string name = temporaryPattern(target_).string();
    std::string displayName = quoted(target_.string());
    int fd = -1;
    int error = 0;
    {
        const SignalsHeld held;
        fd = mkostemp(name.data(), O_CLOEXEC);
        error = errno;
        if (fd >= 0) {
            temporary_ = name;
            armFileRemoval(temporary_.c_str());
        }
    }
    if (fd < 0) cannotCreate(target_, error);
    file_ = FileDescriptor(fd, true, std::move(displayName));
}

AtomicFile::~AtomicFile()
{
    if (committed_ || temporary_.empty()) return;
    file_ = FileDescriptor();
    unlink(temporary_.c_str());
    disarmFileRemoval();
}

void AtomicFile::write(std::span<const char> bytes) const
{
    file_.writeAll(bytes);
}

void AtomicFile::commit()
{
    // The target as it is now decides the permissions: a file that replaces
    // another keeps its mode bits, but never set-user-ID or set-group-ID,
    // which would make the result a program running with its owner's
    // rights; and, where allowed, its owner.
    struct stat existing {};
    const bool replacing = stat(target_.c_str(), &existing) == 0;
    const mode_t mode = replacing ? existing.st_mode & 07777 & ~(S_ISUID | S_ISGID) : newFileMode_;
    if (fchmod(file_.get(), mode) != 0)
        throw IoError("cannot set the permissions of " + displayName() + ": " + systemMessage(errno));
    // Only root can give a file away; anyone else's replacement belongs to
    // them, as with every program that saves by renaming.
    if (replacing && (existing.st_uid != geteuid() || existing.st_gid != getegid())
        && fchown(file_.get(), existing.st_uid, existing.st_gid) != 0) {
        // Not allowed: the replacement stays the user's own.
    }

    file_.sync();
    file_.close();
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0)
        throw IoError("cannot replace " + displayName() + ": " + systemMessage(errno));
    committed_ = true;
    disarmFileRemoval();
    // Make the new name itself durable. Some file systems cannot sync a
    // folder; the file is complete and in place either way.
    const int folder = open(folderOf(target_).c_str(), O_RDONLY | O_CLOEXEC);
    if (folder >= 0) {
        static_cast<void>(fsync(folder));
        close(folder);
    }
}

}  // namespace velmor::cli
