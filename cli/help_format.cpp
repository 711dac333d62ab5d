// SPDX-License-Identifier: MIT
// Laying out velmor's help.
#include "help_format.h"

#include <algorithm>
#include <sstream>
#include <utility>
#include <vector>

namespace velmor::cli {
namespace {

// Names wider than this put their description on the next line, so that
// the descriptions of all the others keep a column of readable width.
constexpr std::size_t kWidestNameColumn = 26;

using Entry = std::pair<std::string, std::string>;  // name, description

std::string optionName(const CLI::Option& option)
{
    std::string name;
    for (const std::string& letter : option.get_snames()) name += (name.empty() ? "-" : ", -") + letter;
    for (const std::string& word : option.get_lnames()) name += (name.empty() ? "--" : ", --") + word;
    if (option.get_type_size() > 0) name += " " + option.get_type_name();
    return name;
}

std::string table(const std::string& heading, const std::vector<Entry>& entries)
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
        if (!firstParagraph) result += "\n" + std::string(indent, ' ');
        firstParagraph = false;
        std::istringstream words(paragraph);
        std::size_t used = indent;
        bool lineStarted = false;
        for (std::string word; words >> word;) {
            if (lineStarted && used + 1 + word.size() > width) {
                result += "\n" + std::string(indent, ' ');
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

std::string HelpFormat::make_help(const CLI::App* app, std::string name, CLI::AppFormatMode) const
{
    const bool isCommand = app->get_parent() != nullptr;
    // `name` is the whole way to the command, "velmor encrypt".
    std::string text = isCommand ? "Usage: " + name + " [OPTIONS]\n"
                                 : "Usage: " + name + " COMMAND [OPTIONS]\n       " + name + " --help | --version\n";
    text += "\n" + wrapped(app->get_description(), kHelpWidth, 0) + "\n\n";

    std::vector<Entry> commands;
    for (const CLI::App* command : app->get_subcommands([](const CLI::App*) { return true; }))
        commands.emplace_back(command->get_name(), command->get_description());
    if (!commands.empty()) text += table("Commands", commands) + "\n";

    std::vector<Entry> options;
    for (const CLI::Option* option : app->get_options()) options.emplace_back(optionName(*option), option->get_description());
    text += table("Options", options);

    if (!app->get_footer().empty()) text += "\n" + wrapped(app->get_footer(), kHelpWidth, 0) + "\n";
    return text;
}

}  // namespace velmor::cli
