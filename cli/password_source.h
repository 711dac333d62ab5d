// SPDX-License-Identifier: MIT
// Where the password comes from: a file, an environment variable, or the
// terminal. Never the command line, which other users can read in the
// process list.
#pragma once

#include "secret.h"

#include <optional>
#include <string>

namespace velmor::cli {

struct PasswordSource {
    std::optional<std::string> file;      // its content without one final line break
    std::optional<std::string> variable;  // the name of an environment variable
};

// The password's bytes, not yet decoded. With neither a file nor a variable,
// asks on the terminal, twice when `confirm` (a mistyped encryption password
// would make the text unreadable). Throws UsageError when there is no
// terminal to ask, the prompt gets end of input, the variable is not set,
// the password is far too long or the password file is the open file
// `inputFd` that the text comes from; IoError when reading fails.
Secret<char> readPassword(const PasswordSource& source, bool confirm, int inputFd);

}  // namespace velmor::cli
