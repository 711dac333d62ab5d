// SPDX-License-Identifier: MIT
// Where a path that a program is asked to write leads, and whether it can be
// written there, found out before any work is done.
#pragma once

#include <filesystem>
#include <string>

namespace velmor::files {

// Why a target is refused where no errno says it.
namespace refusal {
inline constexpr char kFolder[] = "it is a folder";
inline constexpr char kSocket[] = "it is a socket, which cannot be opened to write";
inline constexpr char kUnnamedOpenFile[] =
    "it is another process's open file, and no name leads to the file it opens (deleted, moved, or under another "
    "root), so it cannot be replaced";
inline constexpr char kImmutable[] = "it is immutable (chattr +i), so nothing can replace it";
inline constexpr char kAppendOnly[] = "it is append-only (chattr +a), so it can only grow, not be replaced";
inline constexpr char kFolderImmutable[] = "its folder is immutable (chattr +i), so nothing can replace it";
inline constexpr char kFolderAppendOnly[] =
    "its folder is append-only (chattr +a), so no file in it can be renamed or replaced";
inline constexpr char kStickyFolder[] =
    "it belongs to another user, and its folder is sticky: only the file's owner may replace it";
inline constexpr char kKernelFile[] =
    "it is one of the kernel's own files (/proc or /sys), which no file can be put in place of";
}  // namespace refusal

struct WriteTarget {
    enum class Kind {
        // One of the process's own descriptors (/dev/stdout, /dev/fd/N,
        // /proc/self/fd/N): written through the descriptor, where it stands,
        // never replaced by name.
        OpenDescriptor,
        // A device or a named pipe, also one that another process has open
        // (/proc/PID/fd/N): written as it is, since a file put in its place
        // would be something else. A socket is refused.
        InPlace,
        // A file to replace all at once, or to create. Links are followed: a
        // link stays a link, and the file at the end of its chain is replaced.
        Replaced,
    } kind;
    int descriptor = -1;         // OpenDescriptor
    std::filesystem::path path;  // InPlace and Replaced
};

// Looks at `path` as it is now and throws the FileError (Stage::Check or
// Stage::Create) that writing it would end in, naming it `shown`: a folder,
// a file the user may not write, a name too long for its file system, a
// path through something that is not a folder, an immutable or append-only
// file, another user's file in a sticky folder, one of the kernel's files, a
// folder where no file can be created, a descriptor that is not open for
// writing, another process's open file that no name leads to any more.
// Nothing is created.
WriteTarget examineTarget(const std::string& path, const std::string& shown);

// The open descriptor `fd` as a target, refused as examineTarget refuses
// one named by path: when it is not open for writing.
WriteTarget examineDescriptor(int fd, const std::string& shown);

}  // namespace velmor::files
