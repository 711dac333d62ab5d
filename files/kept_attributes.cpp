// SPDX-License-Identifier: MIT
// Owner, mode, access list and extended attributes carried over with
// Debian's libacl and libattr.
#include "kept_attributes.h"

#include "file_error.h"

#include <cerrno>
#include <cstring>
#include <memory>

#include <acl/libacl.h>
#include <attr/libattr.h>
#include <sys/acl.h>
#include <unistd.h>

namespace velmor::files {
namespace {

struct AclFree {
    void operator()(void* acl) const noexcept { acl_free(acl); }
};
using AccessList = std::unique_ptr<std::remove_pointer_t<acl_t>, AclFree>;

// The rights of the entry tagged `tag`, as three mode bits.
mode_t entryRights(acl_t acl, acl_tag_t tag)
{
    acl_entry_t entry{};
    for (int which = ACL_FIRST_ENTRY; acl_get_entry(acl, which, &entry) == 1; which = ACL_NEXT_ENTRY) {
        acl_tag_t entryTag{};
        acl_permset_t rights{};
        if (acl_get_tag_type(entry, &entryTag) != 0 || entryTag != tag || acl_get_permset(entry, &rights) != 0)
            continue;
        return (acl_get_perm(rights, ACL_READ) == 1 ? 4 : 0) | (acl_get_perm(rights, ACL_WRITE) == 1 ? 2 : 0) |
               (acl_get_perm(rights, ACL_EXECUTE) == 1 ? 1 : 0);
    }
    return 0;
}

// The attributes that copy as they are. The access list is copied on its
// own, and file capabilities, like set-user-ID, would make the new content a
// program with rights that the old content was given.
int copiedAsIs(const char* name, struct error_context* context)
{
    if (std::strcmp(name, "security.capability") == 0) return 0;
    return attr_copy_check_permissions(name, context);
}

}  // namespace

void keepAttributes(int oldFd, const std::string& oldPath, const struct stat& old, int replacement,
                    const std::string& shown)
{
    // Only root can give a file away; anyone else keeps at least the group
    // where they belong to it, and otherwise the replacement is their own.
    if ((old.st_uid != geteuid() || old.st_gid != getegid()) && fchown(replacement, old.st_uid, old.st_gid) != 0
        && fchown(replacement, static_cast<uid_t>(-1), old.st_gid) != 0) {
        // Neither: the group is the user's own, and gets rights to match below.
    }
    struct stat now {};
    if (fstat(replacement, &now) != 0) throw FileError(Stage::Keep, shown, systemMessage(errno));
    const bool groupKept = now.st_gid == old.st_gid;

    const AccessList acl(oldFd >= 0 ? acl_get_fd(oldFd) : acl_get_file(oldPath.c_str(), ACL_TYPE_ACCESS));
    const bool extended = acl && acl_equiv_mode(acl.get(), nullptr) == 1;
    mode_t mode = old.st_mode & 0777;
    // With an access list, the group bits of the mode are its mask, the most
    // any entry gives; the owning group itself may have had less.
    if (extended) mode = (mode & ~S_IRWXG) | (mode & entryRights(acl.get(), ACL_GROUP_OBJ) << 3);
    // Another group than the old one gets no more than everyone else had.
    if (!groupKept) mode = (mode & ~S_IRWXG) | (mode & (mode & S_IRWXO) << 3);
    if (fchmod(replacement, mode) != 0) throw FileError(Stage::Keep, shown, systemMessage(errno));
    // Where the list cannot be set, the narrower mode stands. Its entries are
    // about the old group, so with another group they are left out.
    if (extended && groupKept) static_cast<void>(acl_set_fd(replacement, acl.get()));
    // What cannot be copied (an attribute only root may set, one the file
    // system refuses) is left out: it gives no right to anyone.
    if (oldFd >= 0) static_cast<void>(attr_copy_fd(oldPath.c_str(), oldFd, shown.c_str(), replacement, copiedAsIs, nullptr));
}

}  // namespace velmor::files
