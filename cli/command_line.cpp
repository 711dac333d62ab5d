// SPDX-License-Identifier: MIT
// Reading velmor's command line with the C library's getopt_long, from one
// table of options. getopt_long only finds the options and their values;
// every check and every message is the tool's own.
#include "command_line.h"

#include "failure.h"
#include "help_format.h"
#include "option_checks.h"

#include <getopt.h>

#include <array>
#include <optional>
#include <string_view>
#include <vector>

namespace velmor::cli {
namespace {

const std::string kVersionText =
    "velmor " VELMOR_VERSION "\nCopyright (c) 2026 The Velmor Machine authors. MIT License.\n";

enum class Command { None, Encrypt, Decrypt, Wheels };

struct CommandRow {
    const char* name;
    Command command;
    const char* description;
};

constexpr CommandRow kCommands[] = {
    {"encrypt", Command::Encrypt, "Encrypt text."},
    {"decrypt", Command::Decrypt, "Decrypt text."},
    {"wheels", Command::Wheels, "Print the 30 built-in wheels, one line each, in Windows-1252."},
};

// The options, in the order help lists them; a row's place is its id.
enum OptionId { kHelp, kVersion, kWheels, kPasses, kInput, kOutput, kPasswordFile, kPasswordEnv, kOptionCount };

struct OptionRow {
    const char* name;       // the long name, without its dashes
    char letter;            // the short name, 0 for none
    const char* valueName;  // nullptr for an option that takes no value
    bool cipherOnly;        // for encrypt and decrypt alone
    std::string description;
};

const std::array<OptionRow, kOptionCount>& options()
{
    static const std::array<OptionRow, kOptionCount> rows{{
        {"help", 'h', nullptr, false, "Show this help and exit"},
        {"version", 0, nullptr, false, "Show the version and exit"},
        {"wheels", 'w', "COUNT", true,
         "Wheels in use: " + wheelCountChoices() + "; default " + std::to_string(kStartWheelCount)},
        {"passes", 'n', "N", true, "Passes: " + passCountChoices() + "; default 1"},
        {"input", 'i', "FILE", true, "The text to read; - or none is standard input"},
        {"output", 'o', "FILE", true,
         "Where the result goes; - or none is standard output. A file is replaced only once the result is "
         "complete, and may be the input file itself"},
        {"password-file", 0, "FILE", true, "Read the password from FILE (one final line break is not part of it)"},
        {"password-env", 0, "VAR", true, "Read the password from the environment variable VAR"},
    }};
    return rows;
}

// What getopt_long returns for a row: its letter, or a code past any byte.
int codeOf(std::size_t id)
{
    return options()[id].letter ? options()[id].letter : 256 + static_cast<int>(id);
}

std::optional<std::size_t> idOf(int code)
{
    for (std::size_t id = 0; id < kOptionCount; ++id)
        if (codeOf(id) == code) return id;
    return std::nullopt;
}

const char* nameOf(Command command)
{
    for (const CommandRow& row : kCommands)
        if (row.command == command) return row.name;
    return "";
}

std::string helpHint(Command command)
{
    return command == Command::None ? " (velmor --help lists the commands and options)"
                                    : std::string(" (velmor ") + nameOf(command) + " --help lists its options)";
}

std::string helpFor(Command command)
{
    HelpPage page;
    const bool cipher = command == Command::Encrypt || command == Command::Decrypt;
    if (command == Command::None) {
        page.usage = "Usage: velmor COMMAND [OPTIONS]\n       velmor --help | --version\n";
        page.description = "Encrypts and decrypts text with a password on 30 encryption wheels; the same cipher as "
                           "the window of The Velmor Machine.";
        for (const CommandRow& row : kCommands) page.commands.emplace_back(row.name, row.description);
        page.footer = "Files are bytes, one Windows-1252 character each, and are never converted.\n"
                      "Exit status: 0 success, 1 read or write failure, 2 usage error.";
    } else {
        page.usage = std::string("Usage: velmor ") + nameOf(command) + " [OPTIONS]\n";
        for (const CommandRow& row : kCommands)
            if (row.command == command) page.description = row.description;
        if (cipher)
            page.footer = "Without --password-file or --password-env, the password is asked for on the terminal.";
    }
    for (const OptionRow& row : options()) {
        if (row.cipherOnly && !cipher) continue;
        std::string name = row.letter ? std::string{'-', row.letter, ',', ' '} : std::string();
        name += std::string("--") + row.name;
        if (row.valueName) name += std::string(" ") + row.valueName;
        page.options.emplace_back(name, row.description);
    }
    return helpText(page);
}

// A word that reads as an option; "-" alone names standard input or output.
bool looksLikeOption(std::string_view word)
{
    return word.size() > 1 && word[0] == '-';
}

// What one pass over the line found. The first mistake is kept, to be
// reported only if neither help nor version is asked for.
struct Reading {
    Command command = Command::None;
    bool commandWordSeen = false;
    bool help = false, version = false;
    std::optional<std::string> mistake;
    std::string misplaced;  // an option of encrypt and decrypt put before the command
    std::array<std::optional<std::string>, kOptionCount> values;

    void note(std::string message)
    {
        if (!mistake && misplaced.empty()) mistake = std::move(message);
    }

    void takeWord(const std::string& word)
    {
        if (commandWordSeen) return note("unexpected argument " + quoted(word) + helpHint(command));
        commandWordSeen = true;
        for (const CommandRow& row : kCommands)
            if (word == row.name) command = row.command;
        if (command == Command::None)
            note("there is no command " + quoted(word) + "; choose encrypt, decrypt or wheels" + helpHint(command));
    }

    // `typed` is the option as written, "-w" or "--wheels"; `value` is null
    // when it is missing.
    void takeOption(std::size_t id, const std::string& typed, const char* value)
    {
        const OptionRow& row = options()[id];
        if (row.cipherOnly && command == Command::None) {
            if (!mistake && misplaced.empty()) misplaced = typed;
        } else if (row.cipherOnly && command == Command::Wheels) {
            note("there is no option " + quoted(typed) + helpHint(command));
        } else if (row.valueName && !value) {
            note(std::string("--") + row.name + " needs a value (" + row.valueName + ")" + helpHint(command));
        } else if (id == kHelp) {
            help = true;
        } else if (id == kVersion) {
            version = true;
        } else if (values[id]) {
            note(std::string("--") + row.name + " is given more than once" + helpHint(command));
        } else {
            values[id] = value;
        }
    }
};

Reading read(int argc, const char* const* argv)
{
    std::vector<option> longOptions;
    std::string letters = "+:";  // in the order typed; missing values returned as ':'
    for (std::size_t id = 0; id < kOptionCount; ++id) {
        const OptionRow& row = options()[id];
        longOptions.push_back({row.name, row.valueName ? required_argument : no_argument, nullptr, codeOf(id)});
        if (row.letter) letters += std::string(1, row.letter) + (row.valueName ? ":" : "");
    }
    longOptions.push_back({});
    // Without REQUIRE_ORDER ('+') getopt_long would reorder argv; it is only read.
    char* const* words = const_cast<char* const*>(argv);
    // optind 0 makes glibc forget a reading before this one (and where in a
    // word of letters it stopped); its own messages are off.
    opterr = 0;
    optind = 0;
    char program[] = "velmor";
    char* const none[] = {program, nullptr};
    getopt_long(1, none, letters.c_str(), longOptions.data(), nullptr);
    optind = 1;

    Reading reading;
    int word = 0;  // the word the last option was found in
    for (;;) {
        if (optind != word) {  // between words, not within "-hw"
            if (optind >= argc) break;
            const std::string here = argv[optind];
            // velmor takes no arguments but a command and options, so nothing
            // may follow "--".
            if (here == "--") {
                if (optind + 1 < argc)
                    reading.note("unexpected argument " + quoted(argv[optind + 1]) + " after --" +
                                 helpHint(reading.command));
                break;
            }
            if (!looksLikeOption(here)) {
                reading.takeWord(here);
                ++optind;
                continue;
            }
            word = optind;
        }
        const int code = getopt_long(argc, words, letters.c_str(), longOptions.data(), nullptr);
        if (code == -1) break;
        const int found = code == ':' || code == '?' ? optopt : code;
        const std::string_view written = argv[word];
        const bool isLong = written.starts_with("--");
        const std::string typed = isLong ? std::string(written.substr(0, written.find('=')))
                                         : std::string("-") + static_cast<char>(found);
        const std::optional<std::size_t> id = idOf(found);
        // getopt_long takes "--he" for --help; velmor takes only whole names.
        if (!id || (isLong && typed != std::string("--") + options()[*id].name)) {
            reading.note("there is no option " + quoted(typed) + helpHint(reading.command));
            continue;
        }
        if (code == '?') {  // a value given to an option that takes none
            reading.note(typed + " takes no value" + helpHint(reading.command));
            continue;
        }
        const char* value = code == ':' ? nullptr : optarg;
        // A separate value that reads as an option is the next option, and
        // the value is missing: `-o -i in.txt` is short of an output.
        if (value && optind == word + 2 && looksLikeOption(value)) {
            value = nullptr;
            optind = word + 1;
        }
        reading.takeOption(*id, typed, value);
    }
    return reading;
}

}  // namespace

Request readCommandLine(int argc, const char* const* argv)
{
    const Reading reading = read(argc, argv);
    if (reading.version) return TextRequest{kVersionText};
    if (reading.help) return TextRequest{helpFor(reading.command)};
    if (!reading.misplaced.empty()) {
        const Command where = reading.command == Command::Decrypt ? Command::Decrypt : Command::Encrypt;
        throw UsageError("the option " + reading.misplaced + " belongs after the command, as in: velmor " +
                         nameOf(where) + " " + reading.misplaced + " ...");
    }
    if (reading.mistake) throw UsageError(*reading.mistake);
    if (reading.command == Command::None)
        throw UsageError("a command is needed: encrypt, decrypt or wheels (velmor --help lists them)");
    if (reading.command == Command::Wheels) return WheelsRequest{};

    const auto& values = reading.values;
    if (values[kPasswordFile] && values[kPasswordEnv])
        throw UsageError("--password-file and --password-env cannot both be given: the password comes from one "
                         "place");
    CipherRequest result{reading.command == Command::Encrypt ? Direction::Encrypt : Direction::Decrypt, {}};
    CipherOptions& chosen = result.options;
    if (values[kWheels])
        chosen.wheelCount = offeredCount("--wheels", *values[kWheels], "wheel count", isValidWheelCount,
                                         wheelCountChoices());
    if (values[kPasses])
        chosen.passes = offeredCount("--passes", *values[kPasses], "pass count", isValidPassCount, passCountChoices());
    const auto given = [&](OptionId id) {
        if (values[id]) requireNonEmpty(std::string("--") + options()[id].name, *values[id]);
        return values[id];
    };
    chosen.input = given(kInput).value_or("-");
    chosen.output = given(kOutput).value_or("-");
    chosen.password.file = given(kPasswordFile);
    chosen.password.variable = given(kPasswordEnv);
    return result;
}

}  // namespace velmor::cli
