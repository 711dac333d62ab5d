// SPDX-License-Identifier: MIT
// velmor: encrypts and decrypts files and streams with the window's cipher.
// Exit status 0 on success, 1 when reading or writing fails, 2 for a request
// that cannot be carried out as given.
#include "cipher_command.h"
#include "failure.h"
#include "interrupt_cleanup.h"
#include "option_checks.h"
#include "wheels_command.h"

#include "files/file_descriptor.h"
#include "files/shown_name.h"
#include "files/standard_streams.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <exception>
#include <new>
#include <sstream>
#include <string>

namespace {

using namespace velmor;
using namespace velmor::cli;

// One line, whatever the message quotes: control characters, invalid
// UTF-8 and bidirectional controls in a file name or an argument are shown
// as escapes.
void report(const std::string& message)
{
    const std::string line = "velmor: " + files::shownName(message) + "\n";
    std::fputs(line.c_str(), stderr);
}

struct CipherCommandLine {
    CipherOptions options;
    CLI::Option* passwordFile = nullptr;
    CLI::Option* passwordVariable = nullptr;
    std::string passwordFilePath;
    std::string passwordVariableName;

    CipherOptions parsed() const
    {
        CipherOptions result = options;
        if (passwordFile->count() > 0) result.password.file = passwordFilePath;
        if (passwordVariable->count() > 0) result.password.variable = passwordVariableName;
        return result;
    }
};

CLI::App* addCipherCommand(CLI::App& app, const std::string& name, const std::string& description,
                           CipherCommandLine& line)
{
    CLI::App* command = app.add_subcommand(name, description);
    command->add_option("-w,--wheels", line.options.wheelCount, "Wheels in use: " + wheelCountChoices())
        ->type_name("COUNT")
        ->transform(offeredCount("wheel count", isValidWheelCount, wheelCountChoices()))
        ->capture_default_str();
    command->add_option("-n,--passes", line.options.passes, "Passes: " + passCountChoices())
        ->type_name("N")
        ->transform(offeredCount("pass count", isValidPassCount, passCountChoices()))
        ->capture_default_str();
    command->add_option("-i,--input", line.options.input, "Text to read; - is standard input")
        ->type_name("FILE")
        ->check(nonEmpty())
        ->capture_default_str();
    command->add_option("-o,--output", line.options.output,
                        "Where the result goes; - is standard output. A file is replaced only once the "
                        "result is complete, and may be the input file itself")
        ->type_name("FILE")
        ->check(nonEmpty())
        ->capture_default_str();
    line.passwordFile = command->add_option("--password-file", line.passwordFilePath,
                                            "Read the password from FILE (one final line break is not part of it)")
                            ->type_name("FILE")
                            ->check(nonEmpty());
    line.passwordVariable =
        command->add_option("--password-env", line.passwordVariableName, "Read the password from environment variable VAR")
            ->type_name("VAR")
            ->check(nonEmpty());
    line.passwordFile->excludes(line.passwordVariable);
    command->footer("Without --password-file or --password-env, the password is asked for on the terminal.");
    return command;
}

int run(int argc, char** argv)
{
    CLI::App app("Encrypts and decrypts text with a password on 30 encryption wheels; the same cipher as the "
                 "window of The Velmor Machine.",
                 "velmor");
    app.set_version_flag("--version",
                         "velmor " VELMOR_VERSION "\nCopyright (c) 2026 The Velmor Machine authors. MIT License.");
    // At most one command; a missing one is reported below, after CLI11 has
    // had the chance to name an unknown word as unexpected.
    app.require_subcommand(0, 1);
    CipherCommandLine encryptLine;
    CipherCommandLine decryptLine;
    CLI::App* encrypt = addCipherCommand(app, "encrypt", "Encrypt text", encryptLine);
    CLI::App* decrypt = addCipherCommand(app, "decrypt", "Decrypt text", decryptLine);
    CLI::App* wheels = app.add_subcommand("wheels", "Print the 30 built-in wheels, one line each, in Windows-1252");
    app.footer("Files are bytes, one Windows-1252 character each, and are never converted.\n"
               "Exit status: 0 success, 1 read or write failure, 2 usage error.");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
            // Help and version go out through the same checked writes as a
            // result, so that a full disk or a closed stream is reported.
            std::ostringstream text;
            app.exit(e, text, text);
            files::standardOutput().writeAll(text.str());
            return kExitSuccess;
        }
        report(std::string(e.what()) + " (velmor --help lists the options)");
        return kExitUsage;
    }

    if (encrypt->parsed()) runCipherCommand(Direction::Encrypt, encryptLine.parsed());
    else if (decrypt->parsed()) runCipherCommand(Direction::Decrypt, decryptLine.parsed());
    else if (wheels->parsed()) runWheelsCommand();
    else throw UsageError("a command is needed: encrypt, decrypt or wheels (velmor --help lists them)");
    return kExitSuccess;
}

}  // namespace

int main(int argc, char** argv)
{
    if (!files::reserveStandardStreams()) {
        report("cannot open /dev/null: " + systemMessage(errno));
        return kExitIoFailure;
    }
    // A closed pipe and a file beyond the size limit are reported as a write
    // failure with its own message, instead of ending the tool without a
    // word and, for the size limit, leaving the temporary file behind.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    installInterruptCleanup();
    try {
        return run(argc, argv);
    } catch (const UsageError& e) {
        report(e.what());
        return kExitUsage;
    } catch (const IoError& e) {
        report(e.what());
        return kExitIoFailure;
    } catch (const std::bad_alloc&) {
        report("not enough memory");
        return kExitIoFailure;
    } catch (const std::exception& e) {
        report(e.what());
        return kExitIoFailure;
    }
}
