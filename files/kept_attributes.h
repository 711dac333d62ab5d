// SPDX-License-Identifier: MIT
// What a file that replaces another takes over from it: owner, permission
// bits, access list and extended attributes, and never more rights than the
// old file gave.
#pragma once

#include <string>

#include <sys/stat.h>

namespace velmor::files {

// Gives `replacement` (a new file, open for writing) what `old` has: its
// owner and group where the process may give them (root may give both,
// anyone a group they belong to); its permission bits without set-user-ID,
// set-group-ID and sticky; its access list where owner and group are kept;
// its extended attributes, except file capabilities. `oldFd` is the old file
// open for reading, or -1 when it cannot be read; `oldPath` names it for the
// access list then. Whatever cannot be kept is left out in the direction of
// fewer rights: no user and no group gets a right that the old file denied
// them. Throws FileError (Stage::Keep), naming `shown`, when the permissions
// cannot be set at all.
void keepAttributes(int oldFd, const std::string& oldPath, const struct stat& old, int replacement,
                    const std::string& shown);

// Gives `file`, new in the folder open as `folder`, the rights that any file
// created there with mode 0666 gets: the folder's default access list, or,
// where it has none, `umaskMode`. Throws FileError (Stage::Keep), naming
// `shown`, when the permissions cannot be set at all.
void giveNewFileRights(int folder, int file, mode_t umaskMode, const std::string& shown);

}  // namespace velmor::files
