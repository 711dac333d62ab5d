// SPDX-License-Identifier: MIT
// velmor's help text: usage, description, options and footer, wrapped to
// fit an 80-column terminal.
#pragma once

#include <CLI/CLI.hpp>

#include <string>

namespace velmor::cli {

inline constexpr std::size_t kHelpWidth = 80;

// `text` broken at spaces into lines of at most `width` columns (a word
// longer than that stands alone on its line), every line after the first
// indented by `indent` spaces. Line breaks in `text` are kept.
std::string wrapped(const std::string& text, std::size_t width, std::size_t indent);

class HelpFormat : public CLI::FormatterBase {
public:
    std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const override;
};

}  // namespace velmor::cli
