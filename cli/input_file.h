// Opens the text to cipher: a file, or standard input for "-".
#pragma once

#include "file_descriptor.h"

#include <cstdint>
#include <optional>
#include <string>

namespace velmor::cli {

struct Input {
    FileDescriptor file;
    // Known for regular files; a pipe or a terminal tells nothing.
    std::optional<std::uint64_t> size;
};

// Throws UsageError for a file that does not exist, IoError for one that
// cannot be opened.
Input openInput(const std::string& path);

}  // namespace velmor::cli
