// SPDX-License-Identifier: MIT
// Access lists for the tests of replaced files, through the same library the
// programs use, so that no command-line tool is needed.
#pragma once

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include <acl/libacl.h>
#include <sys/acl.h>

namespace velmor::test {

// Sets the access list of `path` from its short text form, as setfacl -M
// would: "u::rw-,u:65534:rw-,g::r--,m::rw-,o::---"; or, with
// ACL_TYPE_DEFAULT, the list a folder gives what is created in it.
inline void setAccessList(const std::filesystem::path& path, const char* text, acl_type_t type = ACL_TYPE_ACCESS)
{
    const acl_t acl = acl_from_text(text);
    const int set = acl != nullptr ? acl_set_file(path.c_str(), type, acl) : -1, error = errno;
    acl_free(acl);
    ASSERT_EQ(set, 0) << path << " " << text << ": " << std::strerror(error);
}

// The access list of `path`, one entry a line, with numeric ids.
inline std::string accessList(const std::filesystem::path& path)
{
    const acl_t acl = acl_get_file(path.c_str(), ACL_TYPE_ACCESS);
    char* text = acl != nullptr ? acl_to_any_text(acl, nullptr, '\n', TEXT_NUMERIC_IDS) : nullptr;
    std::string list = text != nullptr ? text : std::string("(none: ") + std::strerror(errno) + ")";
    acl_free(text);
    acl_free(acl);
    return list;
}

}  // namespace velmor::test
