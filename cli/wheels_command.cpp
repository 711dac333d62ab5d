// SPDX-License-Identifier: MIT
// Printing the wheel set.
#include "wheels_command.h"

#include "engine/builtin_wheels.h"
#include "files/file_descriptor.h"

#include <string>

namespace velmor::cli {

void runWheelsCommand()
{
    std::string listing;
    for (const std::string_view wheel : builtinWheelCodes()) {
        listing += wheel;
        listing += '\n';
    }
    files::standardOutput().writeAll(listing);
}

}  // namespace velmor::cli
