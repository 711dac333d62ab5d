// SPDX-License-Identifier: MIT
// Shared wording of failure messages.
#include "failure.h"

namespace velmor::cli {

std::string quoted(const std::string& name)
{
    return "'" + name + "'";
}

}  // namespace velmor::cli
