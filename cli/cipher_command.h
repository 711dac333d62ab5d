// SPDX-License-Identifier: MIT
// `velmor encrypt` and `velmor decrypt`: the whole road from the options to
// a finished output.
#pragma once

#include "password_source.h"

#include "engine/settings.h"

#include <string>

namespace velmor::cli {

// The counts are those the cipher offers: the command line checks them.
struct CipherOptions {
    int wheelCount = kStartWheelCount;
    int passes = 1;
    std::string input = "-";
    std::string output = "-";
    PasswordSource password;
};

// Throws UsageError or IoError; on any failure a file output is left as it
// was before.
void runCipherCommand(Direction direction, const CipherOptions& options);

}  // namespace velmor::cli
