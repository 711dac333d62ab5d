// SPDX-License-Identifier: MIT
// CLI11 validators for the values of velmor's options.
#pragma once

#include <CLI/CLI.hpp>

#include <string>

namespace velmor::cli {

// A count the cipher offers, written in plain decimal digits; leading zeros
// mean nothing. CLI11 alone would read 020 as octal and 0x14 as hexadecimal,
// so the value is handed on rewritten as the number it is. `what` names the
// count in messages ("wheel count"), `choices` lists what is offered.
CLI::Validator offeredCount(const std::string& what, bool (*offered)(int) noexcept, const std::string& choices);

// Refuses an empty value, which names no file and no variable.
CLI::Validator nonEmpty();

}  // namespace velmor::cli
