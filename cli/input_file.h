// SPDX-License-Identifier: MIT
// Opens the text to cipher: a file, or standard input for "-".
#pragma once

#include "files/file_descriptor.h"

#include <cstdint>
#include <optional>
#include <string>

namespace velmor::cli {

struct Input {
    files::FileDescriptor file;
    // For regular files: the bytes from `start`, the file position when it
    // was opened (standard input may have been read from before), to the
    // end. A pipe, a terminal or a file the kernel makes up as it is read
    // (under /proc or /sys) tells nothing.
    std::optional<std::uint64_t> size;
    std::uint64_t start = 0;
};

// Throws UsageError for a file that does not exist or a path through
// something that is not a folder, FileError for one that cannot be opened.
Input openInput(const std::string& path);

}  // namespace velmor::cli
