// SPDX-License-Identifier: MIT
// Reading velmor's command line with CLI11. CLI11 only sorts the words into
// options, values and leftovers; every check and every message is the
// tool's own, made once the whole line is read.
#include "command_line.h"

#include "failure.h"
#include "help_format.h"
#include "option_checks.h"

#include <CLI/CLI.hpp>

#include <memory>
#include <string_view>

namespace velmor::cli {
namespace {

const std::string kVersionText = "velmor " VELMOR_VERSION "\nCopyright (c) 2026 The Velmor Machine authors. MIT License.";

std::string helpHint(const CLI::App& app)
{
    const CLI::App* parent = app.get_parent();
    return parent ? " (" + parent->get_name() + " " + app.get_name() + " --help lists its options)"
                  : " (" + app.get_name() + " --help lists the commands and options)";
}

void addHelpAndVersion(CLI::App& app)
{
    app.set_help_flag("-h,--help", "Show this help and exit");
    app.set_version_flag("--version", kVersionText, "Show the version and exit");
    // Leftover words are reported below, in the order they were typed.
    app.allow_extras();
}

// A value option; given twice, it is reported below, not silently replaced.
CLI::Option* addValue(CLI::App& command, const std::string& names, std::string& value, const std::string& type,
                      const std::string& description)
{
    return command.add_option(names, value, description)
        ->type_name(type)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

struct CipherLine {
    Direction direction;
    CLI::App* command = nullptr;
    std::string wheels, passes, input = "-", output = "-", passwordFile, passwordVariable;
    CLI::Option *wheelsOption = nullptr, *passesOption = nullptr, *inputOption = nullptr, *outputOption = nullptr,
                *fileOption = nullptr, *variableOption = nullptr;

    CipherLine(CLI::App& app, Direction which, const std::string& name, const std::string& description)
        : direction(which), command(app.add_subcommand(name, description))
    {
        addHelpAndVersion(*command);
        wheelsOption = addValue(*command, "-w,--wheels", wheels, "COUNT",
                                "Wheels in use: " + wheelCountChoices() + "; default " +
                                    std::to_string(kStartWheelCount));
        passesOption = addValue(*command, "-n,--passes", passes, "N", "Passes: " + passCountChoices() + "; default 1");
        inputOption = addValue(*command, "-i,--input", input, "FILE", "The text to read; - or none is standard input");
        outputOption = addValue(*command, "-o,--output", output, "FILE",
                                "Where the result goes; - or none is standard output. A file is replaced only once "
                                "the result is complete, and may be the input file itself");
        fileOption = addValue(*command, "--password-file", passwordFile, "FILE",
                              "Read the password from FILE (one final line break is not part of it)");
        variableOption = addValue(*command, "--password-env", passwordVariable, "VAR",
                                  "Read the password from the environment variable VAR");
        command->footer("Without --password-file or --password-env, the password is asked for on the terminal.");
    }

    CipherRequest request() const
    {
        for (const CLI::Option* option : command->get_options())
            if (option->count() > 1)
                throw UsageError(option->get_name() + " is given more than once" + helpHint(*command));
        if (fileOption->count() > 0 && variableOption->count() > 0)
            throw UsageError("--password-file and --password-env cannot both be given: the password comes from one "
                             "place");
        CipherRequest result{direction, {}};
        CipherOptions& options = result.options;
        if (wheelsOption->count() > 0)
            options.wheelCount = offeredCount("--wheels", wheels, "wheel count", isValidWheelCount, wheelCountChoices());
        if (passesOption->count() > 0)
            options.passes = offeredCount("--passes", passes, "pass count", isValidPassCount, passCountChoices());
        requireNonEmpty("--input", input);
        requireNonEmpty("--output", output);
        options.input = input;
        options.output = output;
        if (fileOption->count() > 0) {
            requireNonEmpty("--password-file", passwordFile);
            options.password.file = passwordFile;
        }
        if (variableOption->count() > 0) {
            requireNonEmpty("--password-env", passwordVariable);
            options.password.variable = passwordVariable;
        }
        return result;
    }
};

bool isOptionWord(const std::string& word)
{
    return word.size() > 1 && word[0] == '-';
}

// "-w4" and "--wheels=4" name -w and --wheels.
std::string optionNameIn(const std::string& word)
{
    if (word.starts_with("--")) return word.substr(0, word.find('='));
    return word.substr(0, 2);
}

// The first word that no option and no command took, in the order typed.
// `others` are the commands whose options a misplaced option may belong to.
void refuseLeftovers(const CLI::App& app, const CLI::App* command, const std::vector<const CLI::App*>& others)
{
    for (const std::string& word : app.remaining()) {
        if (word == "--") continue;
        if (!isOptionWord(word)) {
            if (!command && app.get_parent() == nullptr)
                throw UsageError("there is no command " + quoted(word) + "; choose encrypt, decrypt or wheels" +
                                 helpHint(app));
            throw UsageError("unexpected argument " + quoted(word) + helpHint(app));
        }
        const std::string name = optionNameIn(word);
        if (app.get_parent() == nullptr) {
            for (const CLI::App* other : others) {
                if (!other->get_option_no_throw(name)) continue;
                const std::string where = command ? app.get_name() + " " + command->get_name() : "velmor encrypt";
                throw UsageError("the option " + name + " belongs after the command, as in: " + where + " " + name +
                                 " ...");
            }
        }
        throw UsageError("there is no option " + quoted(name) + helpHint(app));
    }
}

// CLI11 reports a missing value, or a value given to a flag, by the option's
// name; the message is made here from the option itself.
[[noreturn]] void refuseMismatch(const CLI::App& app, const std::string& what)
{
    // The command being read first: encrypt and decrypt share their names.
    std::vector<const CLI::App*> apps;
    for (const CLI::App* command : app.get_subcommands()) apps.push_back(command);
    apps.push_back(&app);
    for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; })) apps.push_back(command);
    for (const CLI::App* each : apps) {
        for (const CLI::Option* option : each->get_options()) {
            const std::string name = option->get_name();
            if (!what.starts_with(name + ":") && !what.starts_with(name + " ") && !what.ends_with(" " + name)) continue;
            if (option->get_type_size() == 0) throw UsageError(name + " takes no value" + helpHint(*each));
            throw UsageError(name + " needs a value (" + option->get_type_name() + ")" + helpHint(*each));
        }
    }
    throw UsageError("the command line cannot be read" + helpHint(app));
}

}  // namespace

Request readCommandLine(int argc, const char* const* argv)
{
    CLI::App app("Encrypts and decrypts text with a password on 30 encryption wheels; the same cipher as the window "
                 "of The Velmor Machine.",
                 "velmor");
    // Set first: commands take their parent's format when they are added.
    app.formatter(std::make_shared<HelpFormat>());
    addHelpAndVersion(app);
    app.require_subcommand(0, 1);
    CipherLine encrypt(app, Direction::Encrypt, "encrypt", "Encrypt text.");
    CipherLine decrypt(app, Direction::Decrypt, "decrypt", "Decrypt text.");
    CLI::App* wheels = app.add_subcommand("wheels", "Print the 30 built-in wheels, one line each, in Windows-1252.");
    addHelpAndVersion(*wheels);
    app.footer("Files are bytes, one Windows-1252 character each, and are never converted.\n"
               "Exit status: 0 success, 1 read or write failure, 2 usage error.");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        return TextRequest{app.help()};
    } catch (const CLI::CallForVersion& e) {
        return TextRequest{std::string(e.what()) + "\n"};
    } catch (const CLI::ArgumentMismatch& e) {
        refuseMismatch(app, e.what());
    } catch (const CLI::ParseError&) {
        throw UsageError("the command line cannot be read" + helpHint(app));
    }

    const std::vector<CLI::App*> chosen = app.get_subcommands();
    const CLI::App* command = chosen.empty() ? nullptr : chosen.front();
    // velmor takes no arguments but one command and options, so nothing may
    // follow "--". CLI11 would hand such words to the top level, where an
    // option would pass for one put before the command.
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string_view(argv[i]) == "--")
            throw UsageError("unexpected argument " + quoted(argv[i + 1]) + " after --" +
                             helpHint(command ? *command : app));
    const std::vector<const CLI::App*> cipherCommands{encrypt.command, decrypt.command};
    refuseLeftovers(app, command, cipherCommands);
    if (command) refuseLeftovers(*command, command, {});

    if (encrypt.command->parsed()) return encrypt.request();
    if (decrypt.command->parsed()) return decrypt.request();
    if (wheels->parsed()) return WheelsRequest{};
    throw UsageError("a command is needed: encrypt, decrypt or wheels (velmor --help lists them)");
}

}  // namespace velmor::cli
