// SPDX-License-Identifier: MIT
// velmor: encrypts and decrypts files and streams with the window's cipher.
// Exit status 0 on success, 1 when reading or writing fails, 2 for a request
// that cannot be carried out as given.
#include "cipher_command.h"
#include "command_line.h"
#include "failure.h"
#include "files/ending_signals.h"
#include "wheels_command.h"

#include "files/file_descriptor.h"
#include "files/shown_name.h"
#include "files/standard_streams.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <variant>

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

int run(int argc, char** argv)
{
    const Request request = readCommandLine(argc, argv);
    if (const auto* cipher = std::get_if<CipherRequest>(&request)) runCipherCommand(cipher->direction, cipher->options);
    else if (std::holds_alternative<WheelsRequest>(request)) runWheelsCommand();
    // Help and version go out through the same checked writes as a result,
    // so that a full disk or a closed stream is reported.
    else files::standardOutput().writeAll(std::get<TextRequest>(request).text);
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
    files::installEndingSignalCleanup();
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
