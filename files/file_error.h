// SPDX-License-Identifier: MIT
// The failure of a file operation: what was being done, to which file, and
// why, so that each program can word it in its own way.
#pragma once

#include <stdexcept>
#include <string>

namespace velmor::files {

// What was being done when a file operation failed.
enum class Stage {
    Open,     // opening an existing file
    Read,     // reading it
    Check,    // looking at a target before anything is written
    Create,   // making the temporary file beside the target
    Write,    // writing the new content
    Keep,     // giving the new file the old one's owner, permissions and attributes
    Sync,     // putting it on the disk
    Finish,   // closing it
    Replace,  // giving it the target's name
};

class FileError : public std::runtime_error {
public:
    // `shown` names the file as messages show it; `reason` says why, as a
    // phrase that starts in lower case unless it is the system's own.
    FileError(Stage stage, const std::string& shown, std::string reason);

    Stage stage() const noexcept { return stage_; }
    const std::string& reason() const noexcept { return reason_; }

private:
    Stage stage_;
    std::string reason_;
};

// The message of an errno value, safe to call from several threads.
std::string systemMessage(int errorNumber);

}  // namespace velmor::files
