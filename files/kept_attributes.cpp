// SPDX-License-Identifier: MIT
// Owner, mode, access list and extended attributes carried over with
// Debian's libacl and libattr.
#include "kept_attributes.h"

#include "file_error.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

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

// The rights of `entry`, as three mode bits.
mode_t entryRights(acl_entry_t entry)
{
    acl_permset_t rights{};
    if (acl_get_permset(entry, &rights) != 0) return 0;
    return (acl_get_perm(rights, ACL_READ) == 1 ? 4 : 0) | (acl_get_perm(rights, ACL_WRITE) == 1 ? 2 : 0) |
           (acl_get_perm(rights, ACL_EXECUTE) == 1 ? 1 : 0);
}

// The rights of the entry tagged `tag`, or none without one.
mode_t entryRights(acl_t acl, acl_tag_t tag)
{
    acl_entry_t entry{};
    for (int which = ACL_FIRST_ENTRY; acl_get_entry(acl, which, &entry) == 1; which = ACL_NEXT_ENTRY) {
        acl_tag_t entryTag{};
        if (acl_get_tag_type(entry, &entryTag) == 0 && entryTag == tag) return entryRights(entry);
    }
    return 0;
}

// What a list gives, as mode bits: to the owner, the owning group and
// everyone else, and the least that any named user or named group gets, as
// far as the mask lets it (all three bits where none is named).
struct ListRights {
    mode_t owner, group, other, leastUser, leastGroup;
};

ListRights rightsOf(acl_t acl)
{
    mode_t mask = 7;
    ListRights rights{0, 0, 0, 7, 7};
    bool userNamed = false, groupNamed = false;
    acl_entry_t entry{};
    for (int which = ACL_FIRST_ENTRY; acl_get_entry(acl, which, &entry) == 1; which = ACL_NEXT_ENTRY) {
        acl_tag_t tag{};
        if (acl_get_tag_type(entry, &tag) != 0) continue;
        const mode_t bits = entryRights(entry);
        if (tag == ACL_USER_OBJ) rights.owner = bits;
        if (tag == ACL_GROUP_OBJ) rights.group = bits;
        if (tag == ACL_OTHER) rights.other = bits;
        if (tag == ACL_MASK) mask = bits;
        if (tag == ACL_USER) rights.leastUser &= bits, userNamed = true;
        if (tag == ACL_GROUP) rights.leastGroup &= bits, groupNamed = true;
    }
    // The mask limits every entry but the owner's and everyone else's.
    rights.group &= mask;
    if (userNamed) rights.leastUser &= mask;
    if (groupNamed) rights.leastGroup &= mask;
    return rights;
}

// The attributes that copy as they are. The access list is copied on its
// own, and file capabilities, like set-user-ID, would make the new content a
// program with rights that the old content was given.
int copiedAsIs(const char* name, struct error_context* context)
{
    if (std::strcmp(name, "security.capability") == 0) return 0;
    return attr_copy_check_permissions(name, context);
}

// Takes from `entry` every right that `allowed`, three mode bits, lacks.
void limitEntry(acl_entry_t entry, mode_t allowed)
{
    acl_permset_t rights{};
    if (acl_get_permset(entry, &rights) != 0) return;
    for (const auto& [right, bit] : {std::pair{ACL_READ, 4}, {ACL_WRITE, 2}, {ACL_EXECUTE, 1}})
        if ((allowed & bit) == 0) acl_delete_perm(rights, right);
    acl_set_permset(entry, rights);
}

// The folder's default list as the kernel hands it to a file created with
// mode 0666: the owner, the mask (or, without one, the owning group) and
// others get no more than that mode gives them. Returns the mode that
// matches, with the group bits no wider than the owning group's entry.
mode_t inheritedList(acl_t list)
{
    constexpr mode_t kCreated = 0666;
    acl_entry_t entry{}, groupEntry{}, maskEntry{};
    bool hasMask = false;
    for (int which = ACL_FIRST_ENTRY; acl_get_entry(list, which, &entry) == 1; which = ACL_NEXT_ENTRY) {
        acl_tag_t tag{};
        if (acl_get_tag_type(entry, &tag) != 0) continue;
        if (tag == ACL_USER_OBJ) limitEntry(entry, kCreated >> 6 & 7);
        if (tag == ACL_OTHER) limitEntry(entry, kCreated & 7);
        if (tag == ACL_GROUP_OBJ) groupEntry = entry;
        if (tag == ACL_MASK) maskEntry = entry, hasMask = true;
    }
    limitEntry(hasMask ? maskEntry : groupEntry, kCreated >> 3 & 7);
    const mode_t group = entryRights(list, ACL_GROUP_OBJ) & (hasMask ? entryRights(list, ACL_MASK) : 7);
    return entryRights(list, ACL_USER_OBJ) << 6 | group << 3 | entryRights(list, ACL_OTHER);
}

}  // namespace

void giveNewFileRights(int folder, int file, mode_t umaskMode, const std::string& shown)
{
    const std::string folderPath = "/proc/self/fd/" + std::to_string(folder);
    const AccessList inherited(acl_get_file(folderPath.c_str(), ACL_TYPE_DEFAULT));
    mode_t mode = umaskMode;
    if (inherited && acl_entries(inherited.get()) > 0) mode = inheritedList(inherited.get());
    // The mode first: where the list cannot be set, it gives no more.
    if (fchmod(file, mode) != 0) throw FileError(Stage::Keep, shown, systemMessage(errno));
    if (inherited && acl_entries(inherited.get()) > 0) static_cast<void>(acl_set_fd(file, inherited.get()));
}

void keepAttributes(int oldFd, const std::string& oldPath, const struct stat& old, int replacement,
                    const std::string& shown)
{
    struct stat now {};
    if (fstat(replacement, &now) != 0) throw FileError(Stage::Keep, shown, systemMessage(errno));
    // Only root can give a file away; anyone else keeps at least the group
    // where they belong to it, also where the folder gave the new file its own.
    if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) && fchown(replacement, old.st_uid, old.st_gid) != 0 &&
        fchown(replacement, static_cast<uid_t>(-1), old.st_gid) != 0) {
        // Neither: the group is the user's own, and gets rights to match below.
    }
    if (fstat(replacement, &now) != 0) throw FileError(Stage::Keep, shown, systemMessage(errno));
    const bool ownerKept = now.st_uid == old.st_uid, groupKept = now.st_gid == old.st_gid;

    // A file system without access lists still has the mode.
    AccessList acl(oldFd >= 0 ? acl_get_fd(oldFd) : acl_get_file(oldPath.c_str(), ACL_TYPE_ACCESS));
    if (!acl) acl.reset(acl_from_mode(old.st_mode));
    if (!acl) throw FileError(Stage::Keep, shown, systemMessage(errno));
    const bool extended = acl_equiv_mode(acl.get(), nullptr) == 1;
    // Without the list, whoever it named falls to the owning group or to
    // everyone else, and so does the old owner or a member of the old group
    // where the new file has another: each of those gets no more than the
    // least that any of them had.
    const ListRights rights = rightsOf(acl.get());
    const mode_t named = rights.leastUser & (ownerKept ? 7 : rights.owner);
    const mode_t group = rights.group & named & (groupKept ? 7 : rights.leastGroup & rights.other);
    const mode_t other = rights.other & named & rights.leastGroup & (groupKept ? 7 : rights.group);
    // The mode first: where the list cannot be set, it gives no more.
    const mode_t mode = rights.owner << 6 | group << 3 | other;
    if (fchmod(replacement, mode) != 0) throw FileError(Stage::Keep, shown, systemMessage(errno));
    // The list's owner and owning group entries are about the old ones.
    // Where it is not copied, the plain list of the mode takes the place of
    // what the folder's default list gave the new file: the names in that
    // would keep rights the old file denied them.
    if (!(extended && ownerKept && groupKept && acl_set_fd(replacement, acl.get()) == 0)) {
        const AccessList plain(acl_from_mode(mode));
        if (!plain || (acl_set_fd(replacement, plain.get()) != 0 && errno != ENOTSUP))
            throw FileError(Stage::Keep, shown, systemMessage(errno));
    }
    // What cannot be copied (an attribute only root may set, one the file
    // system refuses) is left out: it gives no right to anyone.
    if (oldFd >= 0) static_cast<void>(attr_copy_fd(oldPath.c_str(), oldFd, shown.c_str(), replacement, copiedAsIs, nullptr));
}

}  // namespace velmor::files
