// SPDX-License-Identifier: MIT
// Checks of the values given to velmor's options, made once the whole
// command line is read.
#pragma once

#include <string>

namespace velmor::cli {

// A count the cipher offers, written in plain decimal digits; leading zeros
// mean nothing (020 is 20, where a C library would read octal). `option`
// and `what` name it in messages ("--wheels", "wheel count"), `choices`
// lists what is offered. Throws UsageError for anything else.
int offeredCount(const std::string& option, const std::string& value, const std::string& what,
                 bool (*offered)(int) noexcept, const std::string& choices);

// Throws UsageError for an empty value, which names no file and no variable.
void requireNonEmpty(const std::string& option, const std::string& value);

}  // namespace velmor::cli
