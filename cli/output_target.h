// SPDX-License-Identifier: MIT
// Where the ciphered text goes: standard output for "-", a file replaced all
// at once, or, for one of the tool's own descriptors or a device or pipe
// named by path, that descriptor or device itself.
#pragma once

#include "files/file_descriptor.h"
#include "files/replaced_file.h"

#include <memory>
#include <span>
#include <string>

namespace velmor::cli {

class OutputTarget {
public:
    // Throws FileError when the output cannot be created.
    explicit OutputTarget(const std::string& path);
    // Throws the FileError that writing `path` would end in, as far as it
    // can be known without creating or opening anything for writing.
    static void check(const std::string& path);

    void write(std::span<const char> bytes) const;
    // Makes the output final; without it a file target is left as it was.
    void commit();

private:
    std::unique_ptr<files::ReplacedFile> file_;
    files::FileDescriptor direct_;  // a descriptor or a device, written in place
};

}  // namespace velmor::cli
