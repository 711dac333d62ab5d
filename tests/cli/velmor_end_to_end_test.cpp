// SPDX-License-Identifier: MIT
// The velmor binary as users run it: every published known answer and the
// wheel digest; one table of refused requests, each with its status, its one
// line of message and the files it leaves; one row per rule of the file layer
// that velmor is wired into; signals, the password's memory and the terminal.
#include "engine/settings.h"
#include "file_rights.h"
#include "known_answers.h"

#include <QCryptographicHash>
#include <QString>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <utility>

namespace velmor::cli {
namespace {

namespace fs = std::filesystem;
using Files = std::set<std::string>;

const std::string kKey = "Wheel key \xC2\xA3 7";  // UTF-8, so U+00A3 is one character

std::string readFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

void writeFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string error(int number)
{
    return std::strerror(number);
}

bool reaches(pid_t pid, char state)
{
    for (int i = 0; i < 1000; ++i) {
        const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
        if (const auto end = stat.rfind(") "); end != std::string::npos && stat[end + 2] == state) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

int finish(pid_t pid)
{
    int status = 0;
    EXPECT_EQ(waitpid(pid, &status, 0), pid);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

struct Launch {
    std::string line;                 // split at spaces; '' is an empty word
    std::optional<std::string> feed{};  // standard input through a pipe; else /dev/null
    std::vector<std::string> env{"K=" + kKey};
    int in = -1, out = -1;  // standard input and output if given; else the file "out" beside "files"
    int closed = -1;        // a standard stream closed when velmor starts
    std::vector<std::pair<int, rlim_t>> limits{};
    bool asNobody = false;     // when the tests run as root
    bool nonBlocking = false;  // standard input and output left O_NONBLOCK, as some parents leave them
};

struct Result {
    int status;
    std::string out, err;
};

// The words of a command line and an environment, as execve takes them.
struct Vectors {
    std::vector<std::string> words;
    std::vector<char*> argv, envp;
    Vectors(const std::string& program, const Launch& l) : words{program}
    {
        std::istringstream split(l.line);
        for (std::string word; split >> word;) words.push_back(word == "''" ? "" : word);
        for (std::string& word : words) argv.push_back(word.data());
        for (const std::string& entry : l.env) envp.push_back(const_cast<char*>(entry.c_str()));
        argv.push_back(nullptr);
        envp.push_back(nullptr);
    }
};

// The last steps of every child, on a terminal or not: only async-signal-safe
// calls between fork and exec.
[[noreturn]] void becomeVelmor(const Launch& l, const Vectors& v, const char* folder)
{
    for (const int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT, SIGXFSZ, SIGTSTP, SIGTTOU}) signal(s, SIG_DFL);
    const rlimit noCore{0, 0};
    bool ready = setrlimit(RLIMIT_CORE, &noCore) == 0 && chdir(folder) == 0;
    for (const auto& [resource, value] : l.limits)
        if (const rlimit limit{value, value}; setrlimit(resource, &limit) != 0) ready = false;
    if (l.closed >= 0) close(l.closed);
    if (l.nonBlocking)
        for (const int fd : {0, 1}) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    if (l.asNobody && getuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
        ready = false;
    if (ready) execve(v.argv[0], v.argv.data(), v.envp.data());
    _exit(127);
}

// velmor on a terminal of its own, the way a shell runs a job: the session
// leader starts it in a process group of its own and hands it the terminal,
// so that Ctrl-Z stops it.
struct Terminal {
    int master = -1;
    pid_t leader = -1;
    std::string shown;     // all the terminal has shown
    std::size_t seen = 0;  // how much of it await() has gone past

    Terminal() = default;
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;
    ~Terminal()
    {
        if (leader > 0) {
            kill(leader, SIGKILL);  // and the kernel hangs up on the job
            waitpid(leader, nullptr, 0);
        }
        close(master);
    }
    bool readSome(int timeoutMs)
    {
        pollfd ready{master, POLLIN, 0};
        char bytes[256];
        const ssize_t got = poll(&ready, 1, timeoutMs) == 1 ? read(master, bytes, sizeof bytes) : -1;
        if (got > 0) shown.append(bytes, static_cast<std::size_t>(got));
        return got > 0;
    }
    bool await(const std::string& text)
    {
        while (shown.find(text, seen) == std::string::npos)
            if (!readSome(10'000)) return false;
        seen = shown.find(text, seen) + text.size();
        return true;
    }
    void type(const std::string& keys) { EXPECT_EQ(write(master, keys.data(), keys.size()), std::ssize(keys)); }
    bool echoes() const
    {
        termios settings{};  // the master shows the settings of its terminal
        return tcgetattr(master, &settings) == 0 && (settings.c_lflag & ECHO) != 0;
    }
    pid_t job() const { return tcgetpgrp(master); }
    // The prompt is shown and velmor sleeps waiting for a key.
    bool atPrompt(const char* prompt = "Password: ") { return await(prompt) && reaches(job(), 'S'); }
    int finish() { return velmor::cli::finish(std::exchange(leader, -1)); }
};

// Velmor runs in the folder "files", whose content the tests check.
class VelmorTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::path(::testing::TempDir()) / "velmor-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        fs::create_directory(root_ / "files");
        signal(SIGPIPE, SIG_IGN);
    }
    void TearDown() override { fs::remove_all(root_); }

    fs::path file(const std::string& name) const { return root_ / "files" / name; }

    // Nobody may not reach the build (a tree under /root): a copy beside the
    // folder "files", which the tests open to nobody, is run instead.
    std::string program(const Launch& l) const
    {
        if (!l.asNobody || getuid() != 0) return VELMOR_BINARY;
        fs::permissions(root_, fs::perms(0755));
        fs::permissions(file(""), fs::perms(0777));
        if (!fs::exists(root_ / "velmor")) fs::copy_file(VELMOR_BINARY, root_ / "velmor");
        return root_ / "velmor";
    }

    // Detached from any terminal, so that velmor never waits for a password.
    // `keepOpen`, if given, takes the pipe that `l.feed` goes through.
    pid_t launch(Launch l, int* keepOpen = nullptr) const
    {
        int fds[2] = {-1, -1};
        if (l.feed && pipe2(fds, O_CLOEXEC) == 0) l.in = fds[0];
        const Vectors v(program(l), l);
        const std::string folder = file(""), out = root_ / "out", err = root_ / "err";
        const pid_t pid = fork();
        if (pid == 0) {
            setsid();
            const int in = l.in >= 0 ? l.in : open("/dev/null", O_RDONLY);
            const int outFd = l.out >= 0 ? l.out : open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (dup2(in, 0) < 0 || dup2(outFd, 1) < 0 || dup2(errFd, 2) < 0) _exit(127);
            becomeVelmor(l, v, folder.c_str());
        }
        if (l.feed) {
            close(fds[0]);
            EXPECT_EQ(write(fds[1], l.feed->data(), l.feed->size()), std::ssize(*l.feed));
            if (keepOpen)
                *keepOpen = fds[1];
            else
                close(fds[1]);
        }
        return pid;
    }

    Result run(const Launch& l) const
    {
        const int status = finish(launch(l));
        return {status, readFile(root_ / "out"), readFile(root_ / "err")};
    }

    // `fromBackground` starts velmor as `velmor ... &` would, and brings it
    // to the foreground, as `fg` would, once it has stopped for the terminal.
    // The flags given are cleared on the terminal first, as stty would.
    void onTerminal(Terminal& terminal, const Launch& l, bool fromBackground = false, tcflag_t inputFlagsOff = 0,
                    tcflag_t localFlagsOff = 0) const
    {
        const Vectors v(program(l), l);
        const std::string folder = file("");
        terminal.leader = forkpty(&terminal.master, nullptr, nullptr, nullptr);
        if (terminal.leader != 0) return;
        signal(SIGTTOU, SIG_IGN);  // to hand the terminal over from the background
        termios settings{};
        if (tcgetattr(0, &settings) != 0) _exit(127);
        settings.c_iflag &= ~inputFlagsOff;
        settings.c_lflag &= ~localFlagsOff;
        // A shell keeps echo and line editing off while it edits its own
        // command line, and gives the terminal back its settings with `fg`.
        termios editing = settings;
        editing.c_lflag &= ~static_cast<tcflag_t>(fromBackground ? ECHO | ICANON : 0);
        if (tcsetattr(0, TCSANOW, &editing) != 0) _exit(127);
        const pid_t job = fork();
        if (job == 0) {
            setpgid(0, 0);
            if (!fromBackground) tcsetpgrp(0, getpid());
            becomeVelmor(l, v, folder.c_str());
        }
        setpgid(job, job);
        int status = 0;
        if (fromBackground && (waitpid(job, &status, WUNTRACED) != job || !WIFSTOPPED(status))) _exit(127);
        tcsetattr(0, TCSANOW, &settings);
        tcsetpgrp(0, job);
        if (fromBackground) kill(-job, SIGCONT);
        while (waitpid(job, &status, 0) < 0 && errno == EINTR) continue;
        _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    }

    // Starts velmor on a pipe that is fed `text` and stays open, and waits
    // until a partial output file shows that it is in the middle of it.
    pid_t startMidStream(Launch l, const std::string& text, int& feed) const
    {
        l.feed = text;
        const pid_t pid = launch(std::move(l), &feed);
        const auto partial = [&] {
            return std::ranges::any_of(fs::recursive_directory_iterator(file("")), [](const fs::directory_entry& e) {
                return e.is_regular_file() && e.path().filename().string().starts_with(".") && e.file_size() > 0;
            });
        };
        for (int i = 0; i < 3000 && !partial(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_TRUE(partial()) << "no partial output appeared";
        return pid;
    }

    Files files(const std::string& folder = "") const
    {
        Files names;
        for (const auto& entry : fs::directory_iterator(file(folder))) names.insert(entry.path().filename());
        return names;
    }

    void expectOneLine(const Launch& l, int status, const std::string& fragment) const
    {
        SCOPED_TRACE(l.line);
        const Result result = run(l);
        EXPECT_EQ(result.status, status) << result.err;
        EXPECT_TRUE(result.err.starts_with("velmor: ")) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_NE(result.err.find(fragment), std::string::npos) << result.err;
    }

    fs::path root_;
};

constexpr char kWheelListingSha256[] = "26376a58ffea270fd9d4855fedca9586ff56891da1503d2ff9fc5bc566487ddb";

// Each known answer goes its own way: in through a named file, an open
// descriptor or a pipe, out to a file or standard output, the password from
// the environment in UTF-8 or from a file in Windows-1252 with either line
// break, the counts with or without leading zeros.
TEST_F(VelmorTool, GivesEveryKnownAnswerWhicheverWayTheTextGoesAndThePublishedWheelDigest)
{
    const auto rows = test::knownAnswers();
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const test::KnownAnswer& row = rows[k];
        SCOPED_TRACE(row.name());
        writeFile(file("in"), row.input);
        writeFile(root_ / "key", row.password + (k % 4 == 1 ? "\n" : "\r\n"));
        const std::string zeros = k / 2 % 2 ? "0" : "";
        Launch l{(row.direction == Direction::Encrypt ? "encrypt" : "decrypt") + std::string(" -w ") + zeros +
                     std::to_string(row.wheels) + " -n " + zeros + std::to_string(row.passes) +
                     (k % 2 ? " --password-file ../key" : " --password-env K") + (k % 3 ? "" : " -i in") +
                     (k % 5 < 2 ? "" : " -o out"),
                 std::nullopt, {"K=" + QString::fromStdU16String(row.passwordText()).toStdString()}};
        if (k % 3 == 1) l.in = open(file("in").c_str(), O_RDONLY | O_CLOEXEC);
        if (k % 3 == 2) l.feed = row.input;
        const Result result = run(l);
        if (l.in >= 0) close(l.in);
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_TRUE(result.err.empty() || result.err.starts_with("velmor: warning: ")) << result.err;
        EXPECT_TRUE(test::sameText(k % 5 < 2 ? result.out : readFile(file("out")), row.output));
        fs::remove(file("out"));
    }
    EXPECT_EQ(files(), Files{"in"});
    const std::string listing = run({"wheels"}).out;
    EXPECT_EQ(QCryptographicHash::hash(QByteArray::fromStdString(listing), QCryptographicHash::Sha256).toHex(),
              kWheelListingSha256);
}

// A text of several blocks and every byte value goes there and back however
// it is read and written: from a file read in part already, from a pipe and
// to one left non-blocking, with no helper thread under a low ulimit -v,
// from kernel files that claim sizes they do not have (a page in sysfs,
// nothing in procfs).
TEST_F(VelmorTool, RoundTripsWhateverTheStreamsAndLimits)
{
    std::mt19937 rng(31);
    std::string text(3'000'000, '\0');
    for (char& c : text) c = static_cast<char>(rng());
    writeFile(file("in"), text);
    const std::string cipher = run({"encrypt -w 26 -n 9 --password-env K -i in"}).out;
    writeFile(file("cipher"), cipher);
    EXPECT_TRUE(run({"decrypt -w 26 -n 9 --password-env K -i cipher"}).out == text);
    // Standard input read in part already, as after `read header` in a shell.
    const int partlyRead = open(file("in").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(lseek(partlyRead, 1000, SEEK_SET), 1000);
    writeFile(file("cipher"), run({"encrypt -w 26 -n 9 --password-env K", {}, {"K=" + kKey}, partlyRead}).out);
    close(partlyRead);
    EXPECT_TRUE(run({"decrypt -w 26 -n 9 --password-env K -i cipher"}).out == text.substr(1000));

    int outPipe[2];
    ASSERT_EQ(pipe2(outPipe, O_CLOEXEC), 0);
    std::string drained;
    std::thread drain([&] {
        char bytes[4096];
        for (ssize_t got; (got = read(outPipe[0], bytes, sizeof bytes)) > 0;) drained.append(bytes, got);
    });
    const pid_t pid =
        launch({"encrypt -w 26 -n 9 --password-env K", text, {"K=" + kKey}, -1, outPipe[1], -1, {}, false, true});
    close(outPipe[1]);
    EXPECT_EQ(finish(pid), 0) << readFile(root_ / "err");
    drain.join();
    close(outPipe[0]);
    EXPECT_TRUE(drained == cipher) << drained.size() << " of " << cipher.size() << " bytes";
#ifndef __SANITIZE_ADDRESS__  // which reserves more address space than any such limit
    const Result limited =
        run({"encrypt -w 26 -n 9 --password-env K -i in", {}, {"K=" + kKey}, -1, -1, -1, {{RLIMIT_AS, 16 << 20}}});
    EXPECT_EQ(limited.status, 0) << limited.err;
    EXPECT_TRUE(limited.out == cipher);
#endif
    for (const std::string path : {"/sys/devices/system/cpu/possible", "/proc/sys/kernel/ostype"}) {
        SCOPED_TRACE(path);
        const Result result = run({"encrypt --password-env K -i " + path});
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, run({"encrypt --password-env K", readFile(path)}).out);
    }
}

// Every refusal gives its status and one line in the tool's own words, and
// leaves the files as they were, as does a warning: the command line first,
// then the password, the input and the output, each found before the
// password is asked for (no terminal is given, so a check made after it
// would say that instead).
TEST_F(VelmorTool, EveryRefusalGivesItsStatusAndOneLineAndLeavesTheFiles)
{
    writeFile(file("in"), "plain text");
    writeFile(root_ / "big", std::string(5000, 'x'));
    fs::create_directory(file("folder"));
    writeFile(file("locked"), "kept");
    fs::permissions(file("locked"), fs::perms(0444));
    const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
    int closedPipe[2];
    ASSERT_EQ(pipe2(closedPipe, O_CLOEXEC), 0);
    close(closedPipe[0]);
    // One of the test's own descriptors, to a file deleted since.
    const int gone = open(file("gone").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    fs::remove(file("gone"));
    const std::string goneByPath = "/proc/" + std::to_string(getpid()) + "/fd/" + std::to_string(gone);
    const std::string longName(NAME_MAX + 1, 'n');

    const struct Row {
        Launch launch;
        int status;
        std::string fragment;
    } rows[] = {
        {{""}, 2, "encrypt, decrypt or wheels (velmor --help"},
        {{"scramble"}, 2, "'scramble'"},
        {{"encrypt --bogus -i in"}, 2, "'--bogus' (velmor encrypt --help"},
        {{"encrypt --he -i in"}, 2, "'--he'"},
        {{"encrypt --help=1"}, 2, "--help takes"},
        {{"encrypt -i in in.txt"}, 2, "'in.txt'"},
        {{"encrypt -i in -- -o out"}, 2, "'-o' after --"},
        {{"-w 4 decrypt -i in"}, 2, "-w belongs after the command, as in: velmor decrypt -w"},
        {{"--wheels=4 wheels"}, 2, "as in: velmor encrypt --wheels"},
        {{"wheels -w 4"}, 2, "'-w' (velmor wheels --help"},
        {{"wheels extra"}, 2, "'extra' (velmor wheels --help"},
        {{"encrypt -w 4 -w4 -i in"}, 2, "--wheels is given more"},
        {{"decrypt -i"}, 2, "--input needs a value (FILE) (velmor decrypt --help"},
        {{"encrypt -n -w 4 -i in"}, 2, "--passes needs a value (N)"},
        {{"encrypt -o -i in"}, 2, "--output needs"},
        {{"encrypt -i in --password-env -o out"}, 2, "--password-env needs"},
        {{"encrypt -i in --password-file in --password-env K"}, 2, "--password-file and --password-env"},
        {{"encrypt -w 5 -i in"}, 2, "--wheels: there is no wheel count 5"},
        {{"encrypt -n 4 -i in"}, 2, "--passes: there is no pass count 4"},
        {{"encrypt -w 0x14 -i in"}, 2, "--wheels: '0x14'"},
        {{"encrypt -n 99999999999999999999 -i in"}, 2, "99999999999999999999"},
        {{"encrypt -w '' -i in"}, 2, "--wheels: the value is empty"},
        {{"encrypt -o '' -i in"}, 2, "--output: the value is empty"},
        {{"encrypt -i in --password-env WIDE", {}, {"WIDE=key\xF0\x9F\x94\x91"}}, 2, "character 4 is U+1F511,"},
        {{"encrypt -i in --password-env UNSET"}, 2, "UNSET"},
        {{"encrypt -i in --password-env K", {}, {"K=\x01" "a\x02\x03"}}, 0, "characters 1, 3 and 4 are"},
        {{"encrypt -i in --password-file ../big"}, 2, "'../big'"},
        {{"encrypt -i in --password-file nokey"}, 2, "'nokey'"},
        {{"encrypt -i in --password-file in/"}, 2, "'in/': " + error(ENOTDIR)},
        {{"encrypt -i in --password-file in"}, 2, "'in' is the file the text is read from"},
        {{"encrypt --password-file /dev/stdin", "abc\nTEXT\n"}, 2, "'/dev/stdin' is the file the text"},
        {{"encrypt -i in --password-file folder"}, 1, "'folder': " + error(EISDIR)},
        {{"encrypt -i in -o out"}, 2, "--password-file or --password-env"},
        {{"encrypt -i missing"}, 2, "'missing'"},
        {{"encrypt -i in/"}, 2, "'in/': " + error(ENOTDIR)},
        {{"encrypt -i folder"}, 1, "'folder': it is a folder"},
        // Names reach the terminal escaped: C0 and C1 controls, the 8-bit CSI,
        // invalid UTF-8 and a right-to-left override.
        {{"encrypt -i a\x1b[2Jb\x9B\xC2\x9B\xE2\x80\xAE" "c\xFF\xC0\xAF"}, 2,
         "'a\\x1B[2Jb\\x9B\\u009B\\u202Ec\\xFF\\xC0\\xAF'"},
        {{"encrypt -o out", {}, {}, -1, -1, 0}, 1, "standard input: " + error(EBADF)},
        {{"encrypt -i in", {}, {}, -1, -1, 1}, 1, "standard output: " + error(EBADF)},
        {{"--help", {}, {}, -1, full}, 1, "standard output: " + error(ENOSPC)},
        {{"encrypt -i in -o /dev/full --password-env K"}, 1, error(ENOSPC)},
        {{"encrypt -i in --password-env K", {}, {"K=k"}, -1, closedPipe[1]}, 1, error(EPIPE)},
        {{"encrypt -i ../big -o out --password-env K", {}, {"K=k"}, -1, -1, -1, {{RLIMIT_FSIZE, 1000}}}, 1,
         error(EFBIG)},
        {{"encrypt -i in --password-env K", {}, {"K=k", "VELMOR_TABLE_WALK=AVX2"}}, 1, "AVX2"},
        // The file layer's rules, one row each: the target is a folder, its
        // name is too long, a descriptor leads to a deleted file, the user
        // may not write it.
        {{"encrypt -i in -o folder"}, 1, "'folder': it is a folder"},
        {{"encrypt -i in -o " + longName}, 1, error(ENAMETOOLONG)},
        {{"encrypt -i in -o " + goneByPath}, 1, "no name leads to the file"},
        {{"encrypt -o locked --password-env K", "text", {"K=k"}, -1, -1, -1, {}, true}, 1,
         "'locked': " + error(EACCES)},
    };
    for (const Row& row : rows) {
        expectOneLine(row.launch, row.status, row.fragment);
        EXPECT_EQ(files(), (Files{"in", "folder", "locked"}));
        EXPECT_TRUE(fs::is_empty(file("folder")));
        EXPECT_EQ(readFile(file("locked")), "kept");
    }
    for (const int fd : {full, closedPipe[1], gone}) close(fd);
}

// Help and version answer after any command and before any other mistake,
// and fit 80 columns with the options' descriptions in one column; random
// command lines get the tool's own words, one line, and status 0, 1 or 2.
TEST_F(VelmorTool, HelpVersionAndEveryMessageAreTheToolsOwn)
{
    for (const std::string line : {"--help", "encrypt --help", "decrypt -h", "wheels --help", "encrypt -h -w 5",
                                   "-x -h", "encrypt -n -h", "--help encrypt"}) {
        SCOPED_TRACE(line);
        const Result help = run({line});
        EXPECT_EQ(help.status, 0);
        EXPECT_TRUE(help.err.empty()) << help.err;
        EXPECT_TRUE(help.out.starts_with("Usage: velmor ")) << help.out;
        EXPECT_EQ(help.out.find("--passes N") != std::string::npos, line.find("crypt") != std::string::npos);
        // Each option's description starts on its line, in one column two
        // spaces after the widest name.
        std::istringstream lines(help.out);
        std::set<std::size_t> columns, gaps;
        for (std::string each; std::getline(lines, each);) {
            EXPECT_LE(each.size(), 80U) << each;
            if (!each.starts_with("  -")) continue;
            const std::size_t gap = each.find("  ", 2), column = each.find_first_not_of(' ', gap);
            ASSERT_NE(column, std::string::npos) << each;
            columns.insert(column);
            gaps.insert(column - gap);
        }
        EXPECT_EQ(columns.size(), 1U) << help.out;
        EXPECT_EQ(*gaps.begin(), 2U) << help.out;
    }
    for (const std::string line : {"--version", "encrypt --version -h", "wheels --version"})
        EXPECT_TRUE(run({line}).out.starts_with("velmor " VELMOR_VERSION "\n")) << line;

    const std::string words[] = {"encrypt", "decrypt", "wheels", "-w", "4", "-w4", "--wheels=", "-n", "12", "-i",
                                 "-o", "out", "--password-env", "K", "--password-file", "-", "--", "-x", "--pass",
                                 "-h", "--version=1", "''", "-in", "x=y", "--input=--"};
    std::mt19937 rng(22);
    for (int i = 0; i < 300; ++i) {
        std::string line;
        for (std::size_t n = rng() % 6; n > 0; --n) line += words[rng() % std::size(words)] + " ";
        SCOPED_TRACE(line);
        const Result result = run({line});
        EXPECT_TRUE(result.status >= 0 && result.status <= 2) << result.status;
        if (result.status != 0 || !result.err.empty()) {
            EXPECT_TRUE(result.err.starts_with("velmor: ")) << result.err;
            EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        }
        fs::remove(file("out"));
    }
}

// A file replaced keeps its mode, access list and links but not set-user-ID
// or set-group-ID; a path that names one of velmor's own descriptors is written
// through it, where it stands, between what others write there.
TEST_F(VelmorTool, ReplacesAFileWhereItStandsAndWritesOwnDescriptorsInPlace)
{
    const std::string text = "Encrypted where it stands.\n";
    writeFile(file("notes"), text);
    test::setAccessList(file("notes"), "u::rw-,u:65534:rw-,g::r--,m::r--,o::---");
    ASSERT_EQ(chmod(file("notes").c_str(), 06640), 0);
    fs::create_symlink("notes", file("link"));
    ASSERT_EQ(run({"encrypt -n 6 --password-env K -i notes -o notes"}).status, 0);
    const std::string cipher = readFile(file("notes"));
    EXPECT_NE(cipher, text);
    EXPECT_EQ(fs::status(file("notes")).permissions(), fs::perms(0640));
    EXPECT_EQ(test::accessList(file("notes")), "user::rw-\nuser:65534:rw-\ngroup::r--\nmask::r--\nother::---");
    ASSERT_EQ(run({"decrypt -n 6 --password-env K -i link -o link"}).status, 0);
    EXPECT_TRUE(fs::is_symlink(file("link")));
    EXPECT_EQ(readFile(file("notes")), text);

    const int log = open(file("log").c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_EQ(write(log, "header\n", 7), 7);
    EXPECT_EQ(run({"encrypt -n 6 --password-env K -i notes -o /dev/stdout", {}, {"K=" + kKey}, -1, log}).status, 0);
    ASSERT_EQ(write(log, "footer\n", 7), 7);
    close(log);
    EXPECT_EQ(readFile(file("log")), "header\n" + cipher + "footer\n");
    EXPECT_EQ(files(), (Files{"notes", "link", "log"}));
}

// While the text streams, no memory of velmor's holds the password in any
// form: its buffers are wiped once the wheels are keyed. Ended then by a
// signal it cannot catch, velmor leaves the old output and a file named
// after it; by one it can, nothing, even in a folder renamed during the
// work; left to finish, the result reaches the renamed folder.
TEST_F(VelmorTool, AnInterruptedWriteLeavesTheOldOutputAndNoStrayFileNorPassword)
{
    const std::string text(2'000'000, 'i'), key = "Qz7#Wv!kJ9mP4$rT8xL2bN6&cY3dF5";
    writeFile(root_ / "key", key + "\n");
    writeFile(file("out"), "the previous result");
    int feed = -1;
    pid_t pid = startMidStream({"encrypt -w 30 --password-file ../key -o out"}, text, feed);
    // The readable memory, as far as it is mapped; the huge reservations of
    // a sanitizer are left out.
    const std::string proc = "/proc/" + std::to_string(pid);
    std::ifstream maps(proc + "/maps");
    const int mem = open((proc + "/mem").c_str(), O_RDONLY | O_CLOEXEC);
    std::string memory;
    for (std::string line; std::getline(maps, line);) {
        unsigned long start = 0, end = 0;
        char access = 0;
        if (std::sscanf(line.c_str(), "%lx-%lx %c", &start, &end, &access) != 3 || access != 'r' ||
            end - start > (1UL << 28))
            continue;
        std::string region(end - start, '\0');
        const ssize_t got = pread(mem, region.data(), region.size(), static_cast<off_t>(start));
        memory.append(region, 0, static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
    }
    close(mem);
    EXPECT_NE(memory.find(kKey), std::string::npos) << "the environment should have been found";
    // The allocator writes its own links over the first 16 bytes of a freed
    // block, so only the end of a password left in one would still show.
    const std::string tail = key.substr(18);
    std::string wide;
    for (const char c : tail) (wide += c) += '\0';
    EXPECT_EQ(memory.find(tail), std::string::npos);
    EXPECT_EQ(memory.find(wide), std::string::npos);

    ASSERT_EQ(kill(pid, SIGKILL), 0);
    EXPECT_EQ(finish(pid), -SIGKILL);
    close(feed);
    EXPECT_EQ(readFile(file("out")), "the previous result");
    const std::string left = *files().begin();
    EXPECT_TRUE(left.starts_with(".out.velmor-")) << left;
    fs::remove(file(left));

    const std::string cipher = run({"encrypt --password-env K", text}).out;
    for (const bool finished : {true, false}) {
        SCOPED_TRACE(finished);
        fs::create_directory(file("proj"));
        pid = startMidStream({"encrypt --password-env K -o proj/out"}, text, feed);
        fs::rename(file("proj"), file("moved"));
        if (!finished) kill(pid, SIGTERM);
        close(feed);
        EXPECT_EQ(finish(pid), finished ? 0 : -SIGTERM);
        EXPECT_EQ(files("moved"), finished ? Files{"out"} : Files{});
        EXPECT_TRUE(!finished || readFile(file("moved/out")) == cipher) << "the result differs";
        fs::remove_all(file("moved"));
    }
    EXPECT_EQ(files(), Files{"out"});
}

// Stopped at the prompt, velmor gives the terminal back; continued, or
// brought to the foreground after a start in the background, it asks again
// with echo off. Every way out of the prompt gives the terminal back and
// leaves no file, not even SIGKILL; end of input cancels.
TEST_F(VelmorTool, ThePromptAlwaysGivesTheTerminalBack)
{
    writeFile(file("in"), "Typed at a terminal\n");
    for (const bool fromBackground : {false, true}) {
        SCOPED_TRACE(fromBackground);
        Terminal terminal;
        onTerminal(terminal, {"encrypt -i in -o out"}, fromBackground);
        ASSERT_TRUE(terminal.atPrompt());
        if (!fromBackground) {
            const pid_t job = terminal.job();
            terminal.type("abc\x1a");  // part of a password, then Ctrl-Z
            ASSERT_TRUE(reaches(job, 'T'));
            EXPECT_TRUE(terminal.echoes()) << "echo is off while velmor is stopped";
            termios changed{};  // by the shell, say, while velmor is stopped
            ASSERT_EQ(tcgetattr(terminal.master, &changed), 0);
            changed.c_iflag &= ~static_cast<tcflag_t>(IXON);
            ASSERT_EQ(tcsetattr(terminal.master, TCSANOW, &changed), 0);
            ASSERT_EQ(kill(-job, SIGCONT), 0);
            ASSERT_TRUE(terminal.atPrompt());
        }
        EXPECT_FALSE(terminal.echoes());
        terminal.type("Typed key\n");
        ASSERT_TRUE(terminal.atPrompt("Password again: "));
        terminal.type("Typed key\n");
        EXPECT_EQ(terminal.finish(), 0);
        EXPECT_EQ(terminal.shown.find("Typed key"), std::string::npos) << terminal.shown;
        termios after{};  // as velmor was started or continued, not as it found the terminal before
        ASSERT_EQ(tcgetattr(terminal.master, &after), 0);
        EXPECT_EQ(after.c_lflag & (ECHO | ICANON), ECHO | ICANON);
        EXPECT_EQ(after.c_iflag & IXON, fromBackground ? IXON : 0);
        EXPECT_EQ(readFile(file("out")), run({"encrypt -i in --password-env K", {}, {"K=Typed key"}}).out);
        fs::remove(file("out"));
    }
    // Enter on an empty line is the empty password, also where the terminal
    // was left passing a carriage return through (stty -icrnl, as after stty
    // raw); a signal from the keyboard or elsewhere ends velmor. What is
    // typed after the password, in the same breath, is the text. The
    // prompt's line ends after the answer, even on a terminal left with
    // echo off (stty -echo).
    const std::string empty = run({"decrypt -i in --password-env E", {}, {"E="}}).out;
    const std::string typed = run({"decrypt --password-env P", "hello\n", {"P=pw"}}).out;
    const std::string typedTwice = run({"encrypt --password-env P", "hello\n", {"P=pw"}}).out;
    const struct {
        std::string line, keys, then;  // `then` typed once the answer's line has ended
        int signal, status;
        std::string out;
        tcflag_t localFlagsOff = 0;
    } rows[] = {
        {"decrypt -i in -o out", "\x04", "", 0, 2, "kept"},
        {"decrypt -i in -o out", "abc\x04\x04", "", 0, 2, "kept"},
        {"decrypt -i in -o out", "\n", "", 0, 0, empty},
        {"decrypt -i in -o out", "\r", "", 0, 0, empty},
        {"decrypt -i in -o out", "\n", "", 0, 0, empty, ECHO},
        {"decrypt -o out", "pw\rhello\r", "\x04", 0, 0, typed},
        {"encrypt -o out", "pw\rpw\rhello\r", "\x04", 0, 0, typedTwice},
        {"decrypt -i in -o out", "par\x1c", "", 0, 128 + SIGQUIT, "kept"},
        {"decrypt -i in -o out", "par", "", SIGKILL, 128 + SIGKILL, "kept"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.keys) + " " + std::to_string(row.signal));
        writeFile(file("out"), "kept");
        Terminal terminal;
        onTerminal(terminal, {row.line}, false, row.keys == "\r" ? ICRNL : 0, row.localFlagsOff);
        ASSERT_TRUE(terminal.atPrompt());
        terminal.type(row.keys);
        if (!row.then.empty()) {
            ASSERT_TRUE(terminal.await("\n"));
            terminal.type(row.then);
        }
        if (row.signal) kill(-terminal.job(), row.signal);
        EXPECT_EQ(terminal.finish(), row.status);
        EXPECT_TRUE(terminal.echoes() == !row.localFlagsOff || row.signal == SIGKILL);
        EXPECT_EQ(readFile(file("out")), row.out);
        EXPECT_EQ(files(), (Files{"in", "out"}));
        while (terminal.readSome(100)) continue;
        EXPECT_TRUE(row.status != 0 || terminal.shown.starts_with("Password: \r\n")) << terminal.shown;
    }
}

// Past the prompt, Ctrl-Z stops velmor again as it would any program. The
// progress bar fits the terminal, follows a resize, and is cleared when a
// signal ends velmor, even right after its first drawing. The output is a
// FIFO the test drains at its own pace.
TEST_F(VelmorTool, TheProgressBarFitsTheTerminalAndIsClearedBySignals)
{
    writeFile(root_ / "big", std::string(96 << 20, 'p'));
    ASSERT_EQ(mkfifo(file("fifo").c_str(), 0600), 0);
    const int fifo = open(file("fifo").c_str(), O_RDWR | O_CLOEXEC);  // never blocks, and keeps a reader
    ASSERT_GE(fifo, 0);
    // Drains the FIFO a little at a time, so that velmor redraws, until the
    // terminal shows `text` after `from`.
    const auto drainUntil = [&](Terminal& terminal, const std::string& text, std::size_t from) {
        std::string chunk(1 << 16, '\0');
        for (int i = 0; i < 2000 && terminal.shown.find(text, from) == std::string::npos; ++i) {
            ASSERT_GT(read(fifo, chunk.data(), chunk.size()), 0);
            terminal.readSome(5);
        }
        ASSERT_NE(terminal.shown.find(text, from), std::string::npos) << terminal.shown;
    };
    // Each drawing starts with a carriage return and an erase of the line.
    const auto widestDrawing = [&](const Terminal& terminal, std::size_t from) {
        std::size_t widest = 0;
        for (std::size_t at = terminal.shown.find("\r\x1b[K", from); at != std::string::npos;) {
            const std::size_t next = terminal.shown.find("\r\x1b[K", at + 4);
            widest = std::max(widest, std::min(next, terminal.shown.size()) - at - 4);
            at = next;
        }
        return widest;
    };
    {
        Terminal terminal;
        onTerminal(terminal, {"encrypt -i ../big -o fifo"});
        for (const char* prompt : {"Password: ", "Password again: "}) {
            ASSERT_TRUE(terminal.atPrompt(prompt));
            terminal.type("k\n");
        }
        drainUntil(terminal, "\r\x1b[K[", terminal.seen);
        const pid_t job = terminal.job();
        terminal.type("\x1a");
        ASSERT_TRUE(reaches(job, 'T')) << "Ctrl-Z did not stop velmor";
        ASSERT_EQ(kill(-job, SIGTERM), 0);
        ASSERT_EQ(kill(-job, SIGCONT), 0);
        EXPECT_EQ(terminal.finish(), 128 + SIGTERM);
        while (terminal.readSome(1000)) continue;
        EXPECT_TRUE(terminal.shown.ends_with("\r\x1b[K")) << terminal.shown;
    }
    Terminal terminal;
    onTerminal(terminal, {"encrypt --password-env K -i ../big -o fifo"});
    for (const unsigned short columns : {40, 24}) {
        const winsize size{24, columns, 0, 0};
        ASSERT_EQ(ioctl(terminal.master, TIOCSWINSZ, &size), 0);
        const std::size_t resized = terminal.shown.size();
        drainUntil(terminal, "%", resized);
        EXPECT_LE(widestDrawing(terminal, resized), columns - 1U) << terminal.shown;
    }
    close(fifo);

    // Done, velmor leaves the line clear; a terminal that cannot erase a line
    // would show the escapes as text, and gets no bar.
    for (const bool dumb : {false, true}) {
        Terminal terminal;
        onTerminal(terminal, {"encrypt --password-env K -i ../big -o /dev/null", {}, {"K=k", dumb ? "TERM=dumb" : ""}});
        EXPECT_EQ(terminal.finish(), 0);
        while (terminal.readSome(1000)) continue;
        EXPECT_EQ(terminal.shown.find('\x1b') == std::string::npos, dumb) << terminal.shown;
        EXPECT_TRUE(dumb || terminal.shown.ends_with("\r\x1b[K")) << terminal.shown;
    }
}

}  // namespace
}  // namespace velmor::cli
