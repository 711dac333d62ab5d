// SPDX-License-Identifier: MIT
// Access lists and chattr flags for the tests of replaced files, through the
// same libraries the programs use, so that no command-line tool is needed.
#pragma once

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include <acl/libacl.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/acl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace velmor::test {

// Sets the access list of `path` from its short text form, as setfacl -M
// would: "u::rw-,u:65534:rw-,g::r--,m::rw-,o::---"; or, with
// ACL_TYPE_DEFAULT, the list a folder gives what is created in it.
inline void setAccessList(const std::filesystem::path& path, const char* text, acl_type_t type = ACL_TYPE_ACCESS)
{
    const acl_t acl = acl_from_text(text);
    ASSERT_NE(acl, nullptr) << text;
    const int set = acl_set_file(path.c_str(), type, acl);
    const int error = errno;
    acl_free(acl);
    ASSERT_EQ(set, 0) << path << ": " << std::strerror(error);
}

// The access list of `path`, one entry a line, with numeric ids.
inline std::string accessList(const std::filesystem::path& path)
{
    const acl_t acl = acl_get_file(path.c_str(), ACL_TYPE_ACCESS);
    if (acl == nullptr) return std::string("(none: ") + std::strerror(errno) + ")";
    char* text = acl_to_any_text(acl, nullptr, '\n', TEXT_NUMERIC_IDS);
    std::string list = text != nullptr ? text : "(cannot be shown)";
    acl_free(text);
    acl_free(acl);
    return list;
}

// Sets the append-only and immutable flags of `path` to those in `flags`, as
// chattr would; only root may.
inline void setInodeFlags(const std::filesystem::path& path, int flags)
{
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd, 0) << path << ": " << std::strerror(errno);
    int current = 0;
    const bool done = ioctl(fd, FS_IOC_GETFLAGS, &current) == 0 &&
                      (current = (current & ~(FS_APPEND_FL | FS_IMMUTABLE_FL)) | flags,
                       ioctl(fd, FS_IOC_SETFLAGS, &current) == 0);
    const int error = errno;
    close(fd);
    ASSERT_TRUE(done) << path << ": the file system keeps no such flags here: " << std::strerror(error);
}

}  // namespace velmor::test
