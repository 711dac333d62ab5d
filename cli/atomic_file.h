// SPDX-License-Identifier: MIT
// A file replaced all at once: the new content goes to a temporary file in
// the same folder, which takes the target's name only when it is complete
// and on the disk. Until then the target stays as it was, whatever happens.
#pragma once

#include "file_descriptor.h"

#include <filesystem>
#include <span>
#include <string>

namespace velmor::cli {

// Throws the IoError of a target beside which no file can be created now,
// when the target's folder is not writable.
void requireFolderWritable(const std::filesystem::path& target);

class AtomicFile {
public:
    // Creates the temporary file beside `target`; throws IoError.
    explicit AtomicFile(std::filesystem::path target);
    // Without commit(), removes the temporary file: the target is untouched.
    ~AtomicFile();
    // Not movable: the interrupt cleanup holds the temporary file's name.
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void write(std::span<const char> bytes) const;
    // Syncs, closes and renames over the target, which keeps its permission
    // bits (without set-user-ID and set-group-ID) and, where allowed, its
    // owner. Throws IoError.
    void commit();

    const std::string& displayName() const noexcept { return file_.displayName(); }

private:
    std::filesystem::path target_;
    unsigned newFileMode_;  // permission bits for a target that does not exist yet
    std::filesystem::path temporary_;
    FileDescriptor file_;
    bool committed_ = false;
};

}  // namespace velmor::cli
