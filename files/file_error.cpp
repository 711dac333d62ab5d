// SPDX-License-Identifier: MIT
// The one wording of file failures for velmor; the window words its own.
#include "file_error.h"

#include <system_error>

namespace velmor::files {
namespace {

std::string sentence(Stage stage, const std::string& shown, const std::string& reason)
{
    switch (stage) {
    case Stage::Open: return "cannot open " + shown + ": " + reason;
    case Stage::Read: return "cannot read " + shown + ": " + reason;
    case Stage::Check:
    case Stage::Write: return "cannot write " + shown + ": " + reason;
    case Stage::Create: return "cannot write " + shown + ": no file can be created in its folder: " + reason;
    case Stage::Keep: return "cannot keep the permissions of " + shown + ": " + reason;
    case Stage::Sync: return "cannot write " + shown + " to the disk: " + reason;
    case Stage::Finish: return "cannot finish writing " + shown + ": " + reason;
    case Stage::Replace: return "cannot replace " + shown + ": " + reason;
    }
    return shown + ": " + reason;
}

}  // namespace

FileError::FileError(Stage stage, const std::string& shown, std::string reason)
    : std::runtime_error(sentence(stage, shown, reason)), stage_(stage), reason_(std::move(reason))
{
}

std::string systemMessage(int errorNumber)
{
    return std::generic_category().message(errorNumber);
}

}  // namespace velmor::files
