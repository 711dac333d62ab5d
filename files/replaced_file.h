// SPDX-License-Identifier: MIT
// A file replaced all at once: the new content goes to a temporary file in
// the same folder, which takes the target's name only when it is complete
// and on the disk. Until then the target stays as it was, whatever happens.
// Everything is done relative to the folder opened at the start, so a
// folder renamed meanwhile gets the result and keeps no stray file.
#pragma once

#include "ending_signals.h"
#include "file_descriptor.h"

#include <filesystem>
#include <span>
#include <string>

namespace velmor::files {

class ReplacedFile {
public:
    // Creates the temporary file beside `target`, a file or a name for a new
    // one (no link: see examineTarget), which messages call `shown`.
    // Throws FileError.
    ReplacedFile(const std::filesystem::path& target, std::string shown);
    // Without commit(), removes the temporary file: the target is untouched.
    ~ReplacedFile();
    // Not movable: the signal handler holds the temporary file's name.
    ReplacedFile(const ReplacedFile&) = delete;
    ReplacedFile& operator=(const ReplacedFile&) = delete;

    void write(std::span<const char> bytes) const;
    // Gives the new file what the target has (keepAttributes), or, for a new
    // name, what any new file in the folder gets (giveNewFileRights): the
    // folder's default access list, else the mode that the umask allows;
    // syncs it, renames it over the target and syncs the folder, so that the
    // new name survives a crash.
    // Throws FileError.
    void commit();

    const std::string& shown() const noexcept { return file_.displayName(); }

private:
    FileDescriptor folder_;
    std::string name_;           // the target's name in its folder
    unsigned newFileMode_;       // permission bits for a target that does not exist yet
    UnfinishedFile unfinished_;  // the temporary file, beside the target
    FileDescriptor file_;
    bool committed_ = false;
};

}  // namespace velmor::files
