// SPDX-License-Identifier: MIT
// The option checks.
#include "option_checks.h"

#include "failure.h"

#include <algorithm>
#include <charconv>

namespace velmor::cli {

int offeredCount(const std::string& option, const std::string& value, const std::string& what,
                 bool (*offered)(int) noexcept, const std::string& choices)
{
    requireNonEmpty(option, value);
    if (!std::ranges::all_of(value, [](char c) { return c >= '0' && c <= '9'; }))
        throw UsageError(option + ": " + quoted(value) + " is not a number in decimal digits; choose " + choices);
    int count = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), count);
    if (error != std::errc() || end != value.data() + value.size() || !offered(count))
        throw UsageError(option + ": there is no " + what + " " + value + "; choose " + choices);
    return count;
}

void requireNonEmpty(const std::string& option, const std::string& value)
{
    if (value.empty()) throw UsageError(option + ": the value is empty");
}

}  // namespace velmor::cli
