// SPDX-License-Identifier: MIT
// The option validators.
#include "option_checks.h"

#include "failure.h"

#include <algorithm>
#include <charconv>

namespace velmor::cli {

CLI::Validator offeredCount(const std::string& what, bool (*offered)(int) noexcept, const std::string& choices)
{
    const auto check = [=](std::string& value) -> std::string {
        if (value.empty()) return "the value is empty; choose " + choices;
        if (!std::ranges::all_of(value, [](char c) { return c >= '0' && c <= '9'; }))
            return cli::quoted(value) + " is not a number in decimal digits; choose " + choices;
        int count = 0;
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), count);
        if (error != std::errc() || end != value.data() + value.size() || !offered(count))
            return "there is no " + what + " " + value + "; choose " + choices;
        value = std::to_string(count);
        return {};
    };
    return CLI::Validator(check, "", "");
}

CLI::Validator nonEmpty()
{
    return CLI::Validator([](const std::string& value) { return value.empty() ? "the value is empty" : ""; }, "", "");
}

}  // namespace velmor::cli
