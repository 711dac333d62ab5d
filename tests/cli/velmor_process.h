// Runs the real velmor binary in a child process, detached from any
// terminal, with chosen arguments, environment, standard streams and limits.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velmor::cli::testing {

struct Launch {
    std::vector<std::string> args;
    std::vector<std::pair<std::string, std::string>> env;
    std::string stdinPath = "/dev/null";
    std::optional<int> stdinFd;   // used instead of stdinPath when set
    std::optional<int> stdoutFd;  // used instead of stdoutPath when set
    std::string stdoutPath;       // a file the test owns
    std::string stderrPath;
    std::optional<long> fileSizeLimit;  // RLIMIT_FSIZE, with SIGXFSZ ignored
};

struct Finished {
    int exitStatus = -1;  // -1 when a signal ended the process
    int signal = 0;
};

class VelmorProcess {
public:
    explicit VelmorProcess(const Launch& launch);
    // Waits for the process if the test did not.
    ~VelmorProcess();
    VelmorProcess(const VelmorProcess&) = delete;
    VelmorProcess& operator=(const VelmorProcess&) = delete;

    pid_t pid() const noexcept { return pid_; }
    Finished wait();

private:
    pid_t pid_ = -1;
};

struct Result {
    Finished finished;
    std::string out;
    std::string err;
};

// Runs to the end and collects standard output and error through the files
// that `launch` names.
Result runToEnd(const Launch& launch);

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);

}  // namespace velmor::cli::testing
