// SPDX-License-Identifier: MIT
// Reading the password from its source.
#include "password_source.h"

#include "failure.h"
#include "password.h"
#include "terminal_prompt.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace velmor::cli {
namespace {

// Far above the longest password (30 characters of up to 3 UTF-8 bytes), so
// that naming a large file by mistake fails at once.
constexpr std::size_t kLongestPasswordFile = 4096;

struct FileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};

std::string readPasswordFile(const std::string& path)
{
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            throw UsageError("password file " + quoted(path) + " does not exist");
        throw IoError("cannot open password file " + quoted(path) + ": " + systemMessage(error));
    }
    std::string content(kLongestPasswordFile + 1, '\0');
    const std::size_t got = std::fread(content.data(), 1, content.size(), file.get());
    if (std::ferror(file.get()))
        throw IoError("cannot read password file " + quoted(path) + ": " + systemMessage(errno));
    if (got > kLongestPasswordFile)
        throw UsageError("password file " + quoted(path) + " is far longer than any password can be");
    content.resize(got);
    return std::string(withoutFinalLineBreak(content));
}

std::string readPasswordVariable(const std::string& name)
{
    const char* value = std::getenv(name.c_str());
    if (!value) throw UsageError("environment variable " + name + " is not set");
    return value;
}

std::string askPassword(bool confirm)
{
    const auto first = readHiddenLine("Password: ");
    if (!first)
        throw UsageError("no terminal to ask for the password; give it with --password-file or --password-env");
    if (confirm) {
        const auto second = readHiddenLine("Password again: ");
        if (!second || *second != *first) throw UsageError("the two passwords differ; nothing was done");
    }
    return *first;
}

}  // namespace

std::string readPassword(const PasswordSource& source, bool confirm)
{
    if (source.file) return readPasswordFile(*source.file);
    if (source.variable) return readPasswordVariable(*source.variable);
    return askPassword(confirm);
}

}  // namespace velmor::cli
