// SPDX-License-Identifier: MIT
// Temporary file, sync and rename: mkstemp and rename(2) on POSIX systems,
// an exclusive create and MoveFileExW on Windows.
#include "atomic_file.h"

#include "failure.h"
#include "interrupt_cleanup.h"

#include <cerrno>
#include <csignal>
#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <random>
#include <share.h>
#include <sys/stat.h>
#define NOMINMAX
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velmor::cli {
namespace {

std::filesystem::path folderOf(const std::filesystem::path& target)
{
    const auto folder = target.parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

[[noreturn]] void cannotCreate(const std::filesystem::path& target, int errorNumber)
{
    throw IoError("cannot write " + quoted(target.string()) + ": no file can be created in its folder: " +
                  systemMessage(errorNumber));
}

#ifndef _WIN32

// Signals that would leave the temporary file behind wait while it is being
// created and registered for removal.
class InterruptsHeld {
public:
    InterruptsHeld()
    {
        sigset_t held;
        sigemptyset(&held);
        for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&held, signalNumber);
        pthread_sigmask(SIG_BLOCK, &held, &previous_);
    }
    ~InterruptsHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    InterruptsHeld(const InterruptsHeld&) = delete;
    InterruptsHeld& operator=(const InterruptsHeld&) = delete;

private:
    sigset_t previous_{};
};

unsigned creationMode()
{
    // Output files are opened before any thread starts, so reading the umask
    // by setting it and putting it back cannot race with a file creation.
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

#endif

}  // namespace

#ifdef _WIN32

AtomicFile::AtomicFile(std::filesystem::path target) : target_(std::move(target)), newFileMode_(0)
{
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto name = folderOf(target_) / (".velmor-" + std::to_string(random()) + ".tmp");
        int fd = -1;
        const errno_t error = _wsopen_s(&fd, name.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                                        _SH_DENYNO, _S_IREAD | _S_IWRITE);
        if (error == EEXIST) continue;
        if (error != 0) cannotCreate(target_, error);
        temporary_ = std::move(name);
        armFileRemoval(temporary_.c_str());
        file_ = FileDescriptor(fd, true, quoted(target_.string()));
        return;
    }
    cannotCreate(target_, EEXIST);
}

void AtomicFile::commit()
{
    file_.sync();
    file_.close();
    if (!MoveFileExW(temporary_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw IoError("cannot replace " + displayName() + ": Windows error " + std::to_string(GetLastError()));
    committed_ = true;
    disarmFileRemoval();
}

void AtomicFile::removeTemporary() noexcept
{
    _wunlink(temporary_.c_str());
}

#else

AtomicFile::AtomicFile(std::filesystem::path target) : target_(std::move(target)), newFileMode_(creationMode())
{
    std::string name = (folderOf(target_) / ".velmor-XXXXXX").string();
    std::string displayName = quoted(target_.string());
    int fd = -1;
    int error = 0;
    {
        const InterruptsHeld held;
        fd = mkstemp(name.data());
        error = errno;
        if (fd >= 0) {
            temporary_ = name;
            armFileRemoval(temporary_.c_str());
        }
    }
    if (fd < 0) cannotCreate(target_, error);
    file_ = FileDescriptor(fd, true, std::move(displayName));
}

void AtomicFile::commit()
{
    // The target as it is now decides the permissions: a file that replaces
    // another keeps its mode bits and, where allowed, its owner.
    struct stat existing {};
    const bool replacing = stat(target_.c_str(), &existing) == 0;
    const mode_t mode = replacing ? existing.st_mode & 07777 : static_cast<mode_t>(newFileMode_);
    if (fchmod(file_.get(), mode) != 0)
        throw IoError("cannot set the permissions of " + displayName() + ": " + systemMessage(errno));
    // Only root can give a file away; anyone else's replacement belongs to
    // them, as with every program that saves by renaming.
    if (replacing && (existing.st_uid != geteuid() || existing.st_gid != getegid()))
        static_cast<void>(fchown(file_.get(), existing.st_uid, existing.st_gid));

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

void AtomicFile::removeTemporary() noexcept
{
    unlink(temporary_.c_str());
}

#endif

AtomicFile::~AtomicFile()
{
    if (committed_ || temporary_.empty()) return;
    // Closed first: Windows cannot remove an open file.
    file_ = FileDescriptor();
    removeTemporary();
    disarmFileRemoval();
}

void AtomicFile::write(std::span<const char> bytes) const
{
    file_.writeAll(bytes);
}

}  // namespace velmor::cli
