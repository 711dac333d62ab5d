// SPDX-License-Identifier: MIT
// Following a written path to what it leads to, and every check that can be
// made before the password is asked for and the work is done.
#include "write_target.h"

#include "file_descriptor.h"
#include "file_error.h"

#include <algorithm>
#include <cerrno>
#include <optional>

#include <fcntl.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace velmor::files {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void refuse(const std::string& shown, const std::string& reason, Stage stage = Stage::Check)
{
    throw FileError(stage, shown, reason);
}

fs::path folderOf(const fs::path& file)
{
    const fs::path folder = file.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

// The descriptor that `path` names when it is one of this process's own,
// whichever way it is spelled: /proc/self/fd/N, /proc/PID/fd/N,
// /proc/thread-self/fd/N, /dev/fd/N. The kernel would otherwise follow such
// a path as a link to the file behind the descriptor, by its name.
std::optional<int> ownDescriptor(const fs::path& path)
{
    const std::string name = path.filename().string();
    if (name.empty() || name.size() > 9 || !std::ranges::all_of(name, [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    std::error_code error;
    const fs::path folder = fs::canonical(folderOf(path), error);
    if (error || folder.filename() != "fd") return std::nullopt;
    const fs::path process = fs::path("/proc") / std::to_string(getpid());
    const fs::path owner = folder.parent_path();
    if (owner != process && owner.parent_path() != process / "task") return std::nullopt;
    return std::stoi(name);
}

// Whether `link`, a link whose text leads to `text`, is one of the kernel's
// links to what a process has open (/proc/PID/fd/N, /proc/PID/cwd): the
// kernel follows such a link to the open object itself, which its text need
// not name: "pipe:[1234]", "/notes (deleted)", or a path seen from another
// process's root. An ordinary link leads where its text does.
bool leadsElsewhereThanItsText(const fs::path& link, const fs::path& text)
{
    struct stat followed {}, named {};
    if (stat(link.c_str(), &followed) != 0) return false;
    return stat(text.c_str(), &named) != 0 || named.st_dev != followed.st_dev || named.st_ino != followed.st_ino;
}

// A socket on disk cannot be opened at all: said before any work is done.
void refuseSocket(const struct stat& status, const std::string& shown)
{
    if (S_ISSOCK(status.st_mode)) refuse(shown, refusal::kSocket);
}

// Written as it is when it is a pipe or a device, as a shell redirection
// would. A file has no name to replace it by.
WriteTarget throughOpenObject(const fs::path& link, const std::string& shown)
{
    struct stat object {};
    if (stat(link.c_str(), &object) != 0) refuse(shown, systemMessage(errno));
    if (S_ISDIR(object.st_mode)) refuse(shown, refusal::kFolder);
    refuseSocket(object, shown);
    if (S_ISREG(object.st_mode))
        refuse(shown, refusal::kUnnamedOpenFile);
    if (faccessat(AT_FDCWD, link.c_str(), W_OK, AT_EACCESS) != 0) refuse(shown, systemMessage(errno));
    return {WriteTarget::Kind::InPlace, -1, link};
}

// The inode flags that chattr sets, where the file system keeps them.
int inodeFlags(int fd)
{
    int flags = 0;
    return ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 ? flags : 0;
}

// A file is replaced by renaming a new one over it, which needs more than the
// right to write it.
void checkReplaceable(const fs::path& file, const struct stat& existing, int folder,
                      const struct stat& folderStatus, const std::string& shown)
{
    const std::string name = file.filename().string();
    const int readable = openat(folder, name.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (readable >= 0) {
        const int flags = inodeFlags(readable);
        close(readable);
        if (flags & FS_IMMUTABLE_FL) refuse(shown, refusal::kImmutable);
        if (flags & FS_APPEND_FL) refuse(shown, refusal::kAppendOnly);
    }
    if (faccessat(folder, name.c_str(), W_OK, AT_EACCESS) != 0)
        refuse(shown, systemMessage(errno));
    // In a sticky folder such as /tmp only a file's owner, the folder's owner
    // and root may take its name away.
    const uid_t user = geteuid();
    if ((folderStatus.st_mode & S_ISVTX) && existing.st_uid != user && folderStatus.st_uid != user && user != 0)
        refuse(shown, refusal::kStickyFolder);
}

// The folder must take a new file and a new name.
void checkFolder(int folder, const std::string& shown)
{
    const int flags = inodeFlags(folder);
    if (flags & FS_IMMUTABLE_FL) refuse(shown, refusal::kFolderImmutable);
    if (flags & FS_APPEND_FL) refuse(shown, refusal::kFolderAppendOnly);
    if (faccessat(folder, ".", W_OK | X_OK, AT_EACCESS) != 0) refuse(shown, systemMessage(errno), Stage::Create);
    // A disk whose every file is taken takes no new one, whatever room it
    // has. File systems that count no files say they have none.
    struct statvfs disk {};
    if (fstatvfs(folder, &disk) == 0 && disk.f_files > 0 && (geteuid() == 0 ? disk.f_ffree : disk.f_favail) == 0)
        refuse(shown, systemMessage(ENOSPC), Stage::Create);
}

WriteTarget examineFile(const fs::path& file, const std::string& shown)
{
    struct stat existing {};
    const bool exists = lstat(file.c_str(), &existing) == 0;
    // A name too long, a path through a file, a loop: the real reason,
    // rather than treating the path as a new file.
    if (!exists && errno != ENOENT) refuse(shown, systemMessage(errno));
    if (exists && S_ISDIR(existing.st_mode)) refuse(shown, refusal::kFolder);
    if (exists && !S_ISREG(existing.st_mode)) {
        refuseSocket(existing, shown);
        if (faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) != 0) refuse(shown, systemMessage(errno));
        return {WriteTarget::Kind::InPlace, -1, file};
    }
    const int folderFd = open(folderOf(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0) refuse(shown, systemMessage(errno), Stage::Create);
    const FileDescriptor folder(folderFd, true, shown);
    struct stat folderStatus {};
    if (fstat(folder.get(), &folderStatus) != 0) refuse(shown, systemMessage(errno), Stage::Create);
    // The kernel's files are made up as they are read: no file can be
    // created beside one, and the errno would not say why.
    constexpr decltype(statfs::f_type) kKernelFileSystems[] = {
        PROC_SUPER_MAGIC, SYSFS_MAGIC,     CGROUP_SUPER_MAGIC, CGROUP2_SUPER_MAGIC, DEBUGFS_MAGIC,  TRACEFS_MAGIC,
        SECURITYFS_MAGIC, SELINUX_MAGIC,   SMACK_MAGIC,        PSTOREFS_MAGIC,      EFIVARFS_MAGIC, BINFMTFS_MAGIC,
        BPF_FS_MAGIC};
    struct statfs system {};
    if (fstatfs(folder.get(), &system) == 0 && std::ranges::find(kKernelFileSystems, system.f_type) != std::end(kKernelFileSystems))
        refuse(shown, refusal::kKernelFile);
    if (exists) checkReplaceable(file, existing, folder.get(), folderStatus, shown);
    checkFolder(folder.get(), shown);
    return {WriteTarget::Kind::Replaced, -1, file};
}

}  // namespace

WriteTarget examineDescriptor(int fd, const std::string& shown)
{
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0) refuse(shown, systemMessage(errno));
    if ((flags & O_ACCMODE) == O_RDONLY) refuse(shown, systemMessage(EBADF));
    return {WriteTarget::Kind::OpenDescriptor, fd, {}};
}

// The kernel's rule for links in a shared sticky folder such as /tmp
// (fs.protected_symlinks), kept here too since velmor follows links itself:
// a link that neither the user nor the folder's owner made is not followed,
// or anyone could lead a write where only its victim may write.
void refuseLinkPlantedInSharedFolder(const fs::path& link, const std::string& shown)
{
    struct stat linkStatus {}, folderStatus {};
    if (lstat(link.c_str(), &linkStatus) != 0 || stat(folderOf(link).c_str(), &folderStatus) != 0) return;
    const bool shared = (folderStatus.st_mode & (S_ISVTX | S_IWOTH)) == (S_ISVTX | S_IWOTH);
    if (shared && linkStatus.st_uid != geteuid() && linkStatus.st_uid != folderStatus.st_uid)
        refuse(shown, systemMessage(EACCES));
}

WriteTarget examineTarget(const std::string& path, const std::string& shown)
{
    constexpr int kMaxLinks = 40;  // as many as the kernel follows
    fs::path target = path;
    for (int links = 0;; ++links) {
        if (const auto fd = ownDescriptor(target)) return examineDescriptor(*fd, shown);
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(target, error))) break;
        if (links == kMaxLinks) refuse(shown, systemMessage(ELOOP));
        refuseLinkPlantedInSharedFolder(target, shown);
        const fs::path next = fs::read_symlink(target, error);
        if (error) refuse(shown, error.message());
        const fs::path following = next.is_absolute() ? next : target.parent_path() / next;
        if (leadsElsewhereThanItsText(target, following)) return throughOpenObject(target, shown);
        target = following;
    }
    return examineFile(target, shown);
}

}  // namespace velmor::files
