// SPDX-License-Identifier: MIT
// Laying out velmor's help.
#include "help_format.h"

#include <algorithm>
#include <sstream>

namespace velmor::cli {
namespace {

// Names wider than this put their description on the next line, so that
// the descriptions of all the others keep a column of readable width.
constexpr std::size_t kWidestNameColumn = 26;

std::string table(const std::string& heading, const std::vector<HelpEntry>& entries)
{
    if (entries.empty()) return {};
    std::size_t column = 0;
    for (const auto& [name, description] : entries)
        if (name.size() + 4 <= kWidestNameColumn) column = std::max(column, name.size() + 4);
    std::string text = heading + ":\n";
    for (const auto& [name, description] : entries) {
        std::string line = "  " + name;
        if (line.size() + 2 > column) {
            text += line + "\n";
            line.clear();
        }
        line.resize(column, ' ');
        text += line + wrapped(description, kHelpWidth, column) + "\n";
    }
    return text;
}

}  // namespace

std::string wrapped(const std::string& text, std::size_t width, std::size_t indent)
{
    std::string result;
    std::istringstream paragraphs(text);
    bool firstParagraph = true;
    for (std::string paragraph; std::getline(paragraphs, paragraph);) {
        if (!firstParagraph) result.append("\n").append(indent, ' ');
        firstParagraph = false;
        std::istringstream words(paragraph);
        std::size_t used = indent;
        bool lineStarted = false;
        for (std::string word; words >> word;) {
            if (lineStarted && used + 1 + word.size() > width) {
                result.append("\n").append(indent, ' ');
                used = indent;
                lineStarted = false;
            }
            if (lineStarted) {
                result += ' ';
                ++used;
            }
            result += word;
            used += word.size();
            lineStarted = true;
        }
    }
    return result;
}

std::string helpText(const HelpPage& page)
{
    std::string text = page.usage + "\n" + wrapped(page.description, kHelpWidth, 0) + "\n\n";
    if (!page.commands.empty()) text += table("Commands", page.commands) + "\n";
    text += table("Options", page.options);
    if (!page.footer.empty()) text.append("\n").append(wrapped(page.footer, kHelpWidth, 0)).append("\n");
    return text;
}

}  // namespace velmor::cli
