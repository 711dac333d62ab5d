// SPDX-License-Identifier: MIT
// The kinds of failure the tool reports, and the exit status of each.
#pragma once

#include "files/file_error.h"

#include <stdexcept>
#include <string>

namespace velmor::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitIoFailure = 1;
inline constexpr int kExitUsage = 2;

// The command line or its arguments ask for something the tool cannot do:
// an option it does not know, a value it does not offer, a missing file.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reading or writing failed while the request itself was sound; so does a
// files::FileError.
class IoError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A path as messages show it.
std::string quoted(const std::string& name);

using files::systemMessage;

}  // namespace velmor::cli
