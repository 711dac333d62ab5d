// SPDX-License-Identifier: MIT
// Where the ciphered text goes: standard output for "-", a file replaced all
// at once, or, for a device or a pipe named by path, that device itself.
#pragma once

#include "atomic_file.h"
#include "file_descriptor.h"

#include <memory>
#include <span>
#include <string>

namespace velmor::cli {

class OutputTarget {
public:
    // Throws IoError when the output cannot be created.
    explicit OutputTarget(const std::string& path);
    // Throws the IoError the constructor would throw for a target that
    // cannot be written, without creating or opening anything.
    static void check(const std::string& path);

    void write(std::span<const char> bytes) const;
    // Makes the output final; without it a file target is left as it was.
    void commit();

private:
    std::unique_ptr<AtomicFile> file_;
    FileDescriptor direct_;  // standard output or a device, written in place
};

}  // namespace velmor::cli
