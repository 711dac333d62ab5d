// SPDX-License-Identifier: MIT
// velmor's help text: usage, description, commands, options and footer,
// wrapped to fit an 80-column terminal.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace velmor::cli {

inline constexpr std::size_t kHelpWidth = 80;

// `text` broken at spaces into lines of at most `width` columns (a word
// longer than that stands alone on its line), every line after the first
// indented by `indent` spaces. Line breaks in `text` are kept.
std::string wrapped(const std::string& text, std::size_t width, std::size_t indent);

using HelpEntry = std::pair<std::string, std::string>;  // name, description

struct HelpPage {
    std::string usage;  // every line of it, each ending with a line break
    std::string description;
    std::vector<HelpEntry> commands;
    std::vector<HelpEntry> options;
    std::string footer;
};

std::string helpText(const HelpPage& page);

}  // namespace velmor::cli
