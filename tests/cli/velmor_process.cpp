// fork and exec of the velmor binary; the child calls only async-signal-safe
// functions between fork and exec.
#include "velmor_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace velmor::cli::testing {
namespace {

std::vector<std::string> environmentWith(const std::vector<std::pair<std::string, std::string>>& extra)
{
    std::vector<std::string> entries;
    for (char** entry = environ; *entry; ++entry) entries.emplace_back(*entry);
    for (const auto& [name, value] : extra) entries.push_back(name + "=" + value);
    return entries;
}

std::vector<char*> pointersTo(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (std::string& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

[[noreturn]] void childFails()
{
    _exit(127);
}

int openOrDie(const char* path, int flags)
{
    const int fd = open(path, flags, 0644);
    if (fd < 0) childFails();
    return fd;
}

}  // namespace

VelmorProcess::VelmorProcess(const Launch& launch)
{
    std::vector<std::string> args{VELMOR_BINARY};
    args.insert(args.end(), launch.args.begin(), launch.args.end());
    std::vector<std::string> env = environmentWith(launch.env);
    std::vector<char*> argv = pointersTo(args);
    std::vector<char*> envp = pointersTo(env);
    const std::string stdoutPath = launch.stdoutPath.empty() ? "/dev/null" : launch.stdoutPath;
    const std::string stderrPath = launch.stderrPath.empty() ? "/dev/null" : launch.stderrPath;

    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ > 0) return;

    // No controlling terminal: velmor must never wait for a password on the
    // terminal of whoever runs the tests.
    setsid();
    const int in = launch.stdinFd ? *launch.stdinFd : openOrDie(launch.stdinPath.c_str(), O_RDONLY);
    const int out = launch.stdoutFd ? *launch.stdoutFd : openOrDie(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC);
    const int err = openOrDie(stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC);
    if (dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) childFails();
    if (launch.fileSizeLimit) {
        const rlimit limit{static_cast<rlim_t>(*launch.fileSizeLimit), static_cast<rlim_t>(*launch.fileSizeLimit)};
        signal(SIGXFSZ, SIG_IGN);
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) childFails();
    }
    for (const int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) signal(s, SIG_DFL);
    execve(argv[0], argv.data(), envp.data());
    childFails();
}

VelmorProcess::~VelmorProcess()
{
    if (pid_ > 0) wait();
}

Finished VelmorProcess::wait()
{
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0)
        if (errno != EINTR) throw std::runtime_error("waitpid failed");
    pid_ = -1;
    Finished finished;
    if (WIFEXITED(status)) finished.exitStatus = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) finished.signal = WTERMSIG(status);
    return finished;
}

Result runToEnd(const Launch& launch)
{
    VelmorProcess process(launch);
    Result result;
    result.finished = process.wait();
    result.out = readFile(launch.stdoutPath);
    result.err = readFile(launch.stderrPath);
    return result;
}

std::string readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file) throw std::runtime_error("cannot write " + path);
}

}  // namespace velmor::cli::testing
