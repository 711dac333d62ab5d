// SPDX-License-Identifier: MIT
// Reading the password from its source, straight into wiped buffers: no
// stdio buffer or growing string ever holds a copy.
#include "password_source.h"

#include "failure.h"
#include "password.h"
#include "terminal_prompt.h"

#include "files/file_descriptor.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>

namespace velmor::cli {
namespace {

// Far above the longest password (30 characters of up to 3 UTF-8 bytes), so
// that naming a large file by mistake fails at once.
constexpr std::size_t kLongestPassword = 4096;

// Reading the password from the text's own input (--password-file
// /dev/stdin with the text on standard input, or the input file named
// twice) would take the text, or part of it, for the password.
void requireOtherThanInput(const files::FileDescriptor& file, const std::string& path, int inputFd)
{
    struct stat password {}, input {};
    if (fstat(file.get(), &password) != 0 || fstat(inputFd, &input) != 0) return;
    if (password.st_dev == input.st_dev && password.st_ino == input.st_ino)
        throw UsageError("password file " + quoted(path) +
                         " is the file the text is read from; give the password another way");
}

// One byte more than the longest password is read, to tell a long file.
Secret<char> readPasswordFile(const std::string& path, int inputFd)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT) throw UsageError("password file " + quoted(path) + " does not exist");
        if (error == ENOTDIR) throw UsageError("password file " + quoted(path) + ": " + systemMessage(error));
        throw IoError("cannot open password file " + quoted(path) + ": " + systemMessage(error));
    }
    const files::FileDescriptor file(fd, true, "password file " + quoted(path));
    requireOtherThanInput(file, path, inputFd);
    Secret<char> content(kLongestPassword + 1);
    const auto room = content.room().first(content.capacity());
    const std::size_t got = file.readFull(room);
    if (got > kLongestPassword)
        throw UsageError("password file " + quoted(path) + " is far longer than any password can be");
    content.resize(withoutFinalLineBreak({room.data(), got}).size());
    return content;
}

Secret<char> readPasswordVariable(const std::string& name)
{
    const char* value = std::getenv(name.c_str());
    if (!value) throw UsageError("environment variable " + name + " is not set");
    const std::size_t length = std::strlen(value);
    if (length > kLongestPassword)
        throw UsageError("environment variable " + name + " is far longer than any password can be");
    Secret<char> password(length);
    for (std::size_t i = 0; i < length; ++i) password.push_back(value[i]);
    return password;
}

Secret<char> askPassword(bool confirm)
{
    auto first = readHiddenLine("Password: ", kLongestPassword);
    if (!first)
        throw UsageError("no terminal to ask for the password; give it with --password-file or --password-env");
    if (first->size() > kLongestPassword) throw UsageError("the password typed is far longer than any can be");
    if (confirm) {
        const auto second = readHiddenLine("Password again: ", kLongestPassword);
        if (!second || second->view() != first->view()) throw UsageError("the two passwords differ; nothing was done");
    }
    return std::move(*first);
}

}  // namespace

Secret<char> readPassword(const PasswordSource& source, bool confirm, int inputFd)
{
    if (source.file) return readPasswordFile(*source.file, inputFd);
    if (source.variable) return readPasswordVariable(*source.variable);
    return askPassword(confirm);
}

}  // namespace velmor::cli
