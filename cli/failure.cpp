// SPDX-License-Identifier: MIT
// Shared wording of failure messages.
#include "failure.h"

#include <system_error>

namespace velmor::cli {

std::string quoted(const std::string& name)
{
    return "'" + name + "'";
}

std::string systemMessage(int errorNumber)
{
    return std::generic_category().message(errorNumber);
}

}  // namespace velmor::cli
