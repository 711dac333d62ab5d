// SPDX-License-Identifier: MIT
// velmor's command line read into one request, every mistake in it reported
// in the tool's own words.
#pragma once

#include "cipher_command.h"

#include "engine/settings.h"

#include <string>
#include <variant>

namespace velmor::cli {

struct CipherRequest {
    Direction direction;
    CipherOptions options;
};

struct WheelsRequest {};

// Help or version: text for standard output, and nothing else to do.
struct TextRequest {
    std::string text;
};

using Request = std::variant<CipherRequest, WheelsRequest, TextRequest>;

// Throws UsageError for a command line that asks for nothing the tool
// offers. Help wins over every other mistake on the line, so that
// `velmor encrypt -h -w 5` still shows the help.
Request readCommandLine(int argc, const char* const* argv);

}  // namespace velmor::cli
