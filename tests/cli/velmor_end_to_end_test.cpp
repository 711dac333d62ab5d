// SPDX-License-Identifier: MIT
// The velmor binary as users run it: the published known answers, given every
// way a text and a password can go, and the wheel digest; failures that give
// the right status and one message and leave no file behind; signals, closed
// streams, limits, kernel files, the password's memory and the prompt.
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
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdint>
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
#include <tuple>

namespace velmor::cli {
namespace {

namespace fs = std::filesystem;
using Env = std::vector<std::string>;  // NAME=value

const std::string kKey = "Wheel key \xC2\xA3 7";  // UTF-8, so U+00A3 is one character

std::string readFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
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

void writeFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

struct Launch {
    Launch(const std::string& line, Env env = {"K=" + kKey}) : env(std::move(env))
    {
        std::istringstream words(line);
        for (std::string word; words >> word;) args.push_back(word == "''" ? "" : word);
    }
    std::vector<std::string> args;
    Env env;
    int in = -1, out = -1;            // /dev/null and the file "out" when -1
    std::optional<std::string> feed;  // written to standard input through a pipe
    std::vector<std::pair<int, rlim_t>> limits{{RLIMIT_CORE, 0}};
    int closed = -1;            // a standard stream closed when velmor starts
    bool unprivileged = false;  // run as nobody when the tests run as root
    bool nonBlocking = false;   // standard input and output left O_NONBLOCK, as some parents leave them
    std::string program = VELMOR_BINARY;
};

struct Result {
    int status;
    std::string out, err;
};

int finish(pid_t pid)
{
    int status = 0;
    EXPECT_EQ(waitpid(pid, &status, 0), pid);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

// The readable memory of a process, as far as it is mapped; the huge
// reservations of a sanitizer are left out.
std::string memoryOf(pid_t pid)
{
    const std::string proc = "/proc/" + std::to_string(pid);
    std::ifstream maps(proc + "/maps");
    const int mem = open((proc + "/mem").c_str(), O_RDONLY | O_CLOEXEC);
    std::string memory, line;
    while (std::getline(maps, line)) {
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
    return memory;
}

// velmor on a terminal of its own, the way a shell runs a job: the session
// leader starts it in a process group of its own and hands it the terminal,
// so that Ctrl-Z stops it. (The kernel stops no process of a group without
// a shell to continue it, as a session leader's own group would be.)
struct Terminal {
    int master;
    pid_t leader;
    std::string shown;     // all the terminal has shown
    std::size_t seen = 0;  // how much of it await() has gone past

    Terminal(int master, pid_t leader) : master(master), leader(leader) {}
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
    bool await(const std::string& text)
    {
        while (shown.find(text, seen) == std::string::npos) {
            pollfd ready{master, POLLIN, 0};
            char bytes[256];
            const ssize_t got = poll(&ready, 1, 10'000) == 1 ? read(master, bytes, sizeof bytes) : -1;
            if (got <= 0) return false;
            shown.append(bytes, static_cast<std::size_t>(got));
        }
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
    bool atPrompt() { return await("Password: ") && reaches(job(), 'S'); }
    int finish() { return velmor::cli::finish(std::exchange(leader, -1)); }
};

void expectOneLineMessage(const Result& result, int status, const std::string& fragment)
{
    EXPECT_EQ(result.status, status) << result.err;
    EXPECT_EQ(result.err.rfind("velmor: ", 0), 0U) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_NE(result.err.find(fragment), std::string::npos) << result.err;
}

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

    static std::pair<std::vector<char*>, std::vector<char*>> vectorsOf(const Launch& l)
    {
        std::vector<char*> argv{const_cast<char*>(l.program.c_str())}, envp;
        for (const std::string& arg : l.args) argv.push_back(const_cast<char*>(arg.c_str()));
        for (const std::string& entry : l.env) envp.push_back(const_cast<char*>(entry.c_str()));
        argv.push_back(nullptr);
        envp.push_back(nullptr);
        return {std::move(argv), std::move(envp)};
    }

    // Detached from any terminal, so that velmor never waits for a password;
    // only async-signal-safe calls between fork and exec. `keepOpen`, if
    // given, takes the pipe that `l.feed` goes through.
    pid_t launch(Launch l, int* keepOpen = nullptr) const
    {
        // Nobody may not reach the build (a tree under /root): a copy beside
        // the folder "files", which the tests open to nobody, is run instead.
        if (l.unprivileged && getuid() == 0) {
            l.program = root_ / "velmor";
            if (!fs::exists(l.program)) fs::copy_file(VELMOR_BINARY, l.program);
        }
        int fds[2] = {-1, -1};
        if (l.feed && pipe2(fds, O_CLOEXEC) == 0) l.in = fds[0];
        auto [argv, envp] = vectorsOf(l);
        const std::string folder = file("").string(), out = root_ / "out", err = root_ / "err";
        const pid_t pid = fork();
        if (pid == 0) {
            setsid();
            const int in = l.in >= 0 ? l.in : open("/dev/null", O_RDONLY);
            const int outFd = l.out >= 0 ? l.out : open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            for (const int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT, SIGXFSZ}) signal(s, SIG_DFL);
            for (const auto& [resource, value] : l.limits)
                if (const rlimit limit{value, value}; setrlimit(resource, &limit) != 0) _exit(127);
            if (in < 0 || outFd < 0 || errFd < 0 || dup2(in, 0) < 0 || dup2(outFd, 1) < 0 || dup2(errFd, 2) < 0 ||
                chdir(folder.c_str()) != 0 || (l.closed >= 0 && close(l.closed) != 0) ||
                (l.nonBlocking && (fcntl(0, F_SETFL, fcntl(0, F_GETFL) | O_NONBLOCK) != 0 ||
                                   fcntl(1, F_SETFL, fcntl(1, F_GETFL) | O_NONBLOCK) != 0)) ||
                (l.unprivileged && getuid() == 0 &&
                 (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)))
                _exit(127);
            execve(argv[0], argv.data(), envp.data());
            constexpr char failed[] = "the test cannot start velmor: execve failed\n";
            (void)!write(2, failed, sizeof failed - 1);
            _exit(127);
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

    Result run(Launch l) const
    {
        const int status = finish(launch(std::move(l)));
        return {status, readFile(root_ / "out"), readFile(root_ / "err")};
    }

    // `fromBackground` starts velmor as `velmor ... &` would, and brings it
    // to the foreground, as `fg` would, once it has stopped for the terminal.
    // `inputFlagsOff` are cleared on the terminal first, as stty would.
    Terminal onTerminal(const Launch& l, bool fromBackground = false, tcflag_t inputFlagsOff = 0) const
    {
        auto [argv, envp] = vectorsOf(l);
        const std::string folder = file("").string();
        int master = -1;
        const pid_t leader = forkpty(&master, nullptr, nullptr, nullptr);
        if (leader != 0) return Terminal(master, leader);
        signal(SIGTTOU, SIG_IGN);  // to hand the terminal over from the background
        termios settings{};
        if (tcgetattr(0, &settings) != 0) _exit(127);
        settings.c_iflag &= ~inputFlagsOff;
        if (tcsetattr(0, TCSANOW, &settings) != 0) _exit(127);
        const pid_t job = fork();
        if (job == 0) {
            setpgid(0, 0);
            if (!fromBackground) tcsetpgrp(0, getpid());
            for (const int s : {SIGTTOU, SIGINT, SIGQUIT, SIGTSTP, SIGTERM, SIGHUP}) signal(s, SIG_DFL);
            if (const rlimit noCore{0, 0}; setrlimit(RLIMIT_CORE, &noCore) == 0 && chdir(folder.c_str()) == 0)
                execve(argv[0], argv.data(), envp.data());
            _exit(127);
        }
        setpgid(job, job);
        int status = 0;
        if (fromBackground && (waitpid(job, &status, WUNTRACED) != job || !WIFSTOPPED(status))) _exit(127);
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

    std::set<std::string> files() const
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(root_ / "files")) names.insert(entry.path().filename());
        return names;
    }

    fs::path root_;
};

// Cases only root can set up; run as root, through sudo for anyone else
// (tests/run_as_root.sh).
class VelmorToolAsRoot : public VelmorTool {};

// Each row goes its own way: in through a named file, an open descriptor or
// a pipe, out to a file or standard output, the password from the
// environment in UTF-8 or from a file in Windows-1252 with either line break,
// the counts with or without leading zeros. The wheel listing has the
// published digest.
constexpr char kWheelListingSha256[] = "26376a58ffea270fd9d4855fedca9586ff56891da1503d2ff9fc5bc566487ddb";

TEST_F(VelmorTool, GivesEveryKnownAnswerWhicheverWayTheTextGoesAndThePublishedWheelDigest)
{
    const auto rows = test::knownAnswers();
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const test::KnownAnswer& row = rows[k];
        SCOPED_TRACE(row.name());
        writeFile(file("in"), row.input);
        // The file holds the published Windows-1252 bytes, the environment
        // their UTF-8 form: both readings must key alike.
        writeFile(root_ / "key", row.password + (k % 4 == 1 ? "\n" : "\r\n"));
        const std::string zeros = k / 2 % 2 ? "0" : "";
        Launch l((row.direction == Direction::Encrypt ? "encrypt" : "decrypt") + std::string(" -w ") + zeros +
                     std::to_string(row.wheels) + " -n " + zeros + std::to_string(row.passes) +
                     (k % 2 ? " --password-file ../key" : " --password-env K") + (k % 3 ? "" : " -i in") +
                     (k % 5 < 2 ? "" : " -o out"),
                 {"K=" + QString::fromStdU16String(row.passwordText()).toStdString()});
        if (k % 3 == 1) l.in = open(file("in").c_str(), O_RDONLY | O_CLOEXEC);
        if (k % 3 == 2) l.feed = row.input;
        const Result result = run(l);
        if (l.in >= 0) close(l.in);
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_TRUE(result.err.empty() || result.err.starts_with("velmor: warning: ")) << result.err;
        EXPECT_TRUE(test::sameText(k % 5 < 2 ? result.out : readFile(file("out")), row.output));
        fs::remove(file("out"));
    }
    EXPECT_EQ(files(), (std::set<std::string>{"in"}));

    // A text of several blocks and every byte value, there and back.
    std::mt19937 rng(31);
    std::string text(700'000, '\0');
    for (char& c : text) c = static_cast<char>(rng());
    Launch there("encrypt -w 26 -n 9 --password-env K");
    there.feed = text;
    writeFile(file("cipher"), run(there).out);
    EXPECT_EQ(run({"decrypt -w 26 -n 9 --password-env K -i cipher"}).out, text);

    const std::string listing = run({"wheels"}).out;
    EXPECT_EQ(QCryptographicHash::hash(QByteArray::fromStdString(listing), QCryptographicHash::Sha256).toHex(),
              kWheelListingSha256);
}

// Every mistake is told in the tool's own words, and a password is refused
// alike from every source for a character that Windows-1252 cannot hold,
// and when it would be read from the text's own input.
TEST_F(VelmorTool, BadRequestsFailWithTheirStatusAndLeaveNoFile)
{
    writeFile(file("in"), "plain text");
    writeFile(root_ / "big", std::string(5000, 'x'));
    fs::create_directory(file("folder"));
    const int listening = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, (root_ / "sock").c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    const Env env{"K=" + kKey, "WIDE=key\xF0\x9F\x94\x91", "MACRON=\xC4\x80"};
    const std::tuple<std::string, int, std::string> cases[] = {
        {"", 2, "a command is needed"},
        {"scramble", 2, "there is no command 'scramble'; choose encrypt, decrypt or wheels"},
        {"encrypt --bogus -i in -o out --password-env K", 2, "there is no option '--bogus'"},
        {"encrypt --pass 3 -i in --password-env K", 2, "there is no option '--pass' (velmor encrypt --help"},
        {"encrypt -i in in.txt --password-env K", 2, "unexpected argument 'in.txt'"},
        {"encrypt -i in --password-env K -- -o out", 2, "unexpected argument '-o' after --"},
        {"-w 4 encrypt -i in --password-env K", 2, "the option -w belongs after the command, as in: velmor encrypt -w"},
        {"encrypt -w 4 -w 6 -i in --password-env K", 2, "--wheels is given more than once"},
        {"decrypt --password-env K -i", 2, "--input needs a value (FILE) (velmor decrypt --help"},
        {"encrypt -n -w 4 -i in --password-env K", 2, "--passes needs a value"},
        {"encrypt --password-env -i in", 2, "--password-env needs a value"},
        {"encrypt --he -i in --password-env K", 2, "there is no option '--he'"},
        {"wheels extra", 2, "unexpected argument 'extra' (velmor wheels --help lists its options)"},
        {"encrypt -i in --password-file ../big --password-env K", 2, "cannot both be given"},
        {"encrypt -w 5 -i in -o out --password-env K", 2, "there is no wheel count 5"},
        {"encrypt -n 4 -i in -o out --password-env K", 2, "there is no pass count 4"},
        {"encrypt -i missing -o out --password-env K", 2, "input file 'missing' does not exist"},
        {"encrypt -i in -o out --password-env WIDE", 2, "character 4 is U+1F511, which Windows-1252 cannot hold"},
        {"encrypt -i in -o out --password-env MACRON", 2, "character 1 is U+0100, which Windows-1252 cannot hold"},
        {"encrypt -w 30 -i in -o out --password-env UNSET", 2, "UNSET is not set"},
        {"encrypt -i in -o out --password-file ../big", 2, "far longer than any password"},
        {"encrypt -i in -o out --password-file in", 2, "password file 'in' is the file the text is read from"},
        {"encrypt -o out --password-file /dev/stdin", 2, "password file '/dev/stdin' is the file the text is read"},
        {"encrypt -i in -o out --password-file folder", 1, "cannot read password file 'folder'"},
        {"encrypt -i in -o out", 2, "no terminal"},
        {"encrypt -i folder -o out --password-env K", 1, "cannot read 'folder': it is a folder"},
        {"encrypt -i in -o folder --password-env K", 1, "cannot write 'folder': it is a folder"},
        {"encrypt -i in -o /dev/full --password-env K", 1, "No space left on device"},
        {"encrypt -w 0x14 -i in --password-env K", 2, "--wheels: '0x14' is not a number in decimal digits"},
        {"encrypt -n 99999999999999999999 -i in --password-env K", 2, "there is no pass count 99999999999999999999"},
        {"encrypt -w '' -i in --password-env K", 2, "--wheels: the value is empty"},
        {"encrypt -o '' -i in --password-env K", 2, "--output: the value is empty"},
        // The real reason for a path through a file, before the password.
        {"encrypt -i in/ -o out", 2, "input file 'in/': Not a directory"},
        {"encrypt -i in -o out --password-file in/", 2, "password file 'in/': Not a directory"},
        {"encrypt -i in -o in/x", 1, "cannot write 'in/x': Not a directory"},
        {"encrypt -i in -o ../sock", 1, "cannot write '../sock': it is a socket"},
        {"encrypt -i in -o " + std::string(NAME_MAX + 1, 'n'), 1, "File name too long"},
        // Names reach the terminal escaped: C0 and C1 controls, the 8-bit CSI,
        // invalid UTF-8 and a right-to-left override.
        {"encrypt -i a\x1b[2Jb\x9B\xC2\x9B\xE2\x80\xAE" "c\xFF\xC0\xAF -o out --password-env K", 2,
         "input file 'a\\x1B[2Jb\\x9B\\u009B\\u202Ec\\xFF\\xC0\\xAF' does not exist"},
    };
    for (const auto& [line, status, fragment] : cases) {
        SCOPED_TRACE(line);
        expectOneLineMessage(run({line, env}), status, fragment);
        EXPECT_EQ(files(), (std::set<std::string>{"in", "folder"}));
        EXPECT_TRUE(fs::is_empty(file("folder")));
    }
    Launch piped("encrypt -o out --password-file /dev/stdin");
    piped.feed = "abc\nTEXT\n";
    expectOneLineMessage(run(piped), 2, "is the file the text is read from");
    EXPECT_EQ(files(), (std::set<std::string>{"in", "folder"}));
    close(listening);
}

// Help and version answer after any command and before any other mistake,
// fit 80 columns and speak as the tool does; random command lines get the
// tool's own words, one line, and status 0, 1 or 2.
TEST_F(VelmorTool, HelpVersionAndEveryMessageAreTheToolsOwn)
{
    for (const std::string line : {"--help", "encrypt --help", "decrypt -h", "wheels --help", "encrypt -h -w 5"}) {
        SCOPED_TRACE(line);
        const Result help = run({line});
        EXPECT_EQ(help.status, 0);
        EXPECT_TRUE(help.err.empty()) << help.err;
        EXPECT_TRUE(help.out.starts_with("Usage: velmor ")) << help.out;
        std::istringstream lines(help.out);
        for (std::string each; std::getline(lines, each);) EXPECT_LE(each.size(), 80U) << each;
        for (const std::string foreign : {"SUBCOMMAND", "Subcommand", "Print this help", "Excludes", "=20"})
            EXPECT_EQ(help.out.find(foreign), std::string::npos) << foreign;
    }
    EXPECT_NE(run({"encrypt --help"}).out.find("--password-file FILE"), std::string::npos);
    for (const std::string line : {"--version", "encrypt --version", "wheels --version"})
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
            EXPECT_EQ(result.err.rfind("velmor: ", 0), 0U) << result.err;
        }
        for (const std::string foreign : {"The following", "required", "Expected", "excludes", "argument was",
                                          "flag override", "Could not convert"})
            EXPECT_EQ(result.err.find(foreign), std::string::npos) << result.err;
        fs::remove(file("out"));
    }
}

TEST_F(VelmorTool, AnInterruptedWriteLeavesTheOldOutput)
{
    writeFile(file("out"), "the previous result");
    // SIGKILL alone cannot be caught; what it leaves is named after its target.
    for (const int signalNumber : {SIGQUIT, SIGUSR1, SIGKILL}) {
        SCOPED_TRACE(signalNumber);
        int feed = -1;
        const pid_t pid = startMidStream({"encrypt --password-env K -o out"}, std::string(2'000'000, 'i'), feed);
        ASSERT_EQ(kill(pid, signalNumber), 0);
        EXPECT_EQ(finish(pid), -signalNumber);
        close(feed);
        EXPECT_EQ(readFile(file("out")), "the previous result");
        if (signalNumber == SIGKILL) {
            const auto left = *files().begin();
            EXPECT_EQ(left.substr(0, 12), ".out.velmor-");
            fs::remove(file(left));
        }
        EXPECT_EQ(files(), (std::set<std::string>{"out"}));
    }
}

// A file replaced keeps its mode and links but not set-user-ID or
// set-group-ID; and, as a shell redirection would, velmor refuses a file the
// user may not write, although its folder would let it be replaced.
TEST_F(VelmorTool, ReplacingAFileKeepsItsModeAndLinksButNoSetIdBits)
{
    const std::string text = "Encrypted where it stands.\n";
    writeFile(file("notes"), text);
    ASSERT_EQ(chmod(file("notes").c_str(), 0640), 0);
    fs::create_symlink("notes", file("link"));
    ASSERT_EQ(run({"encrypt -n 6 --password-env K -i notes -o notes"}).status, 0);
    EXPECT_NE(readFile(file("notes")), text);
    EXPECT_EQ(fs::status(file("notes")).permissions(), fs::perms(0640));
    ASSERT_EQ(run({"decrypt -n 6 --password-env K -i link -o link"}).status, 0);
    EXPECT_TRUE(fs::is_symlink(file("link")));
    EXPECT_EQ(readFile(file("notes")), text);

    // The file made beside the target is named after it, cut to a name's limit.
    const std::string longest(NAME_MAX, 'n');
    EXPECT_EQ(run({"encrypt --password-env K -i notes -o " + longest}).status, 0);

    writeFile(file("locked"), "kept");
    ASSERT_EQ(chmod(file("locked").c_str(), 0444), 0);
    ASSERT_EQ(chmod(file(longest).c_str(), 06755), 0);
    // Run as root, the tests run velmor as nobody, who must reach the folder.
    ASSERT_EQ(chmod(root_.c_str(), 0755), 0);
    ASSERT_EQ(chmod(file("").c_str(), 0777), 0);
    Launch locked("encrypt --password-env K -o locked");
    locked.unprivileged = true;
    locked.feed = text;
    expectOneLineMessage(run(locked), 1, "cannot write 'locked': Permission denied");
    EXPECT_EQ(readFile(file("locked")), "kept");
    ASSERT_EQ(run({"encrypt --password-env K -i notes -o " + longest}).status, 0);
    EXPECT_EQ(fs::status(file(longest)).permissions(), fs::perms(0755));
    EXPECT_EQ(files(), (std::set<std::string>{"notes", "link", longest, "locked"}));
}

// A path that names one of velmor's own descriptors is written through it,
// where it stands, as -o - is: what the descriptor leads to keeps what it
// held, and a deleted file behind it gets no namesake.
TEST_F(VelmorTool, OwnDescriptorsNamedByPathAreWrittenWhereTheyStand)
{
    writeFile(file("in"), "Through the descriptor\n");
    const std::string cipher = run({"encrypt --password-env K -i in"}).out;
    // Between a header and a footer written through the same descriptor,
    // whether the file behind it is still there or deleted.
    const std::string paths[] = {"/dev/stdout", "/dev/fd/1", "/proc/self/fd/1", "/proc/thread-self/fd/1"};
    for (std::size_t k = 0; k < std::size(paths); ++k) {
        SCOPED_TRACE(paths[k]);
        Launch between("encrypt --password-env K -i in -o " + paths[k]);
        between.out = open(file("log").c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (k % 2 == 1) fs::remove(file("log"));
        ASSERT_EQ(write(between.out, "header\n", 7), 7);
        EXPECT_EQ(run(between).status, 0);
        ASSERT_EQ(write(between.out, "footer\n", 7), 7);
        std::string written(cipher.size() + 15, '\0');
        const ssize_t got = pread(between.out, written.data(), written.size(), 0);
        written.resize(static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
        close(between.out);
        EXPECT_EQ(written, "header\n" + cipher + "footer\n");
        EXPECT_EQ(fs::exists(file("log")), k % 2 == 0) << "a deleted file got a namesake";
        fs::remove(file("log"));
    }
    // And standard error.
    const Result toError = run({"encrypt --password-env K -i in -o /dev/stderr"});
    EXPECT_EQ(toError.status, 0);
    EXPECT_EQ(toError.err, cipher);
    // Another process's descriptors, here the test's: a pipe is written
    // through, and a deleted file behind one is refused, with no namesake.
    const std::string theirs = "/proc/" + std::to_string(getpid()) + "/fd/";
    int pipeFds[2];
    ASSERT_EQ(pipe2(pipeFds, O_CLOEXEC), 0);
    EXPECT_EQ(run({"encrypt --password-env K -i in -o " + theirs + std::to_string(pipeFds[1])}).status, 0);
    close(pipeFds[1]);
    std::string piped(cipher.size() + 1, '\0');
    EXPECT_EQ(read(pipeFds[0], piped.data(), piped.size()), std::ssize(cipher));
    close(pipeFds[0]);
    EXPECT_EQ(piped.substr(0, cipher.size()), cipher);
    const int gone = open(file("gone").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    fs::remove(file("gone"));
    expectOneLineMessage(run({"encrypt -i in -o " + theirs + std::to_string(gone)}), 1,
                         "no name leads to the file it opens");
    close(gone);
    EXPECT_EQ(files(), (std::set<std::string>{"in"}));
    // A descriptor open only for reading is refused before the password.
    expectOneLineMessage(run({"encrypt -i in -o /dev/stdin"}), 1, "cannot write '/dev/stdin': Bad file descriptor");
}

// A replaced file keeps its access list but not its capabilities, as it
// loses set-user-ID; where its group cannot be kept, the new group gets no
// more than everyone had. The other attributes and a folder's default list
// are pinned by the file layer's tests, through the same replacement.
TEST_F(VelmorToolAsRoot, ReplacingAFileKeepsItsAccessListDropsItsCapabilitiesAndWidensNoRight)
{
    ASSERT_EQ(geteuid(), 0U) << "needs root: to give a file capabilities, and a file nobody may write but not own";
    const std::string text = "Shared notes\n";
    writeFile(file("shared"), text);
    test::setAccessList(file("shared"), "u::rw-,u:65534:rw-,g::r--,m::rw-,o::---");
    // CAP_NET_RAW, effective: like set-user-ID, never for the new content.
    const std::uint32_t capability[5] = {0x02000001, 1U << 13, 0, 0, 0};
    ASSERT_EQ(setxattr(file("shared").c_str(), "security.capability", capability, sizeof capability, 0), 0);
    ASSERT_EQ(run({"encrypt --password-env K -i shared -o shared"}).status, 0);
    EXPECT_NE(readFile(file("shared")), text);
    EXPECT_EQ(getxattr(file("shared").c_str(), "security.capability", nullptr, 0), -1);
    EXPECT_EQ(test::accessList(file("shared")), "user::rw-\nuser:65534:rw-\ngroup::r--\nmask::rw-\nother::---");

    // Replaced by nobody, a file of root's becomes nobody's, in nobody's
    // group, which may not read what root's group could and others could
    // not; the list's entries, given beside root's group, are not kept.
    ASSERT_EQ(chmod(root_.c_str(), 0755), 0);
    ASSERT_EQ(chmod(file("").c_str(), 0777), 0);
    writeFile(file("common"), text);
    test::setAccessList(file("common"), "u::rw-,u:65533:rw-,g::rw-,m::rw-,o::-w-");  // mode 0662
    Launch byNobody("encrypt --password-env K -o common");
    byNobody.unprivileged = true;
    byNobody.feed = text;
    ASSERT_EQ(run(byNobody).status, 0);
    struct stat after {};
    ASSERT_EQ(stat(file("common").c_str(), &after), 0);
    EXPECT_EQ(std::tuple(after.st_uid, after.st_gid, after.st_mode & 07777), std::tuple(65534U, 65534U, 0622U));
    EXPECT_EQ(test::accessList(file("common")), "user::rw-\ngroup::-w-\nother::-w-");
}

// A folder renamed while velmor writes into it gets the result, and no
// file is left behind there, whether velmor finishes or is ended.
TEST_F(VelmorTool, AFolderMovedDuringTheWorkGetsTheResultAndNoStrayFile)
{
    const std::string text(2'000'000, 'm');
    Launch piped("encrypt --password-env K");
    piped.feed = text;
    const std::string cipher = run(piped).out;
    for (const bool finished : {true, false}) {
        SCOPED_TRACE(finished);
        fs::create_directory(file("proj"));
        int feed = -1;
        const pid_t pid = startMidStream({"encrypt --password-env K -o proj/out"}, text, feed);
        fs::rename(file("proj"), file("moved"));
        if (!finished) {
            ASSERT_EQ(kill(pid, SIGTERM), 0);
        }
        close(feed);
        EXPECT_EQ(finish(pid), finished ? 0 : -SIGTERM);
        std::set<std::string> left;
        for (const auto& entry : fs::directory_iterator(file("moved"))) left.insert(entry.path().filename());
        EXPECT_EQ(left, finished ? std::set<std::string>{"out"} : std::set<std::string>{});
        if (finished) {
            EXPECT_TRUE(readFile(file("moved/out")) == cipher) << "the result differs";
        }
        fs::remove_all(file("moved"));
    }
}

// What would stop the replacement at its end stops velmor before the
// password is asked for, with the real reason: no terminal is given here, so
// a check made only after the password would say that instead.
TEST_F(VelmorToolAsRoot, TargetsThatCannotBeReplacedAreRefusedBeforeThePassword)
{
    ASSERT_EQ(geteuid(), 0U) << "needs root: to set chattr flags, and a file nobody may write but not own";
    writeFile(file("in"), "text");
    for (const auto& [name, flag] : {std::pair{"appended", FS_APPEND_FL}, {"frozen", FS_IMMUTABLE_FL}}) {
        writeFile(file(name), "kept");
        test::setInodeFlags(file(name), flag);
    }
    // Another user's file that nobody may write, in a sticky folder.
    ASSERT_EQ(chmod(root_.c_str(), 0755), 0);
    ASSERT_EQ(chmod(file("").c_str(), 01777), 0);
    writeFile(file("theirs"), "kept");
    ASSERT_EQ(chmod(file("theirs").c_str(), 0666), 0);
    Launch sticky("encrypt -i in -o theirs");
    sticky.unprivileged = true;
    // A disk whose every file is taken (its inodes used up). No ASSERT from
    // the mount to the unmount, which must run.
    fs::create_directory(root_ / "full");
    ASSERT_EQ(mount("velmor-test", (root_ / "full").c_str(), "tmpfs", 0, "size=64k,nr_inodes=2"), 0);
    writeFile(root_ / "full" / "taken", "");
    const std::pair<Launch, std::string> cases[] = {
        {Launch("encrypt -i in -o ../full/new"), "no file can be created in its folder: No space left on device"},
        {Launch("encrypt -i in -o appended"), "cannot write 'appended': it is append-only (chattr +a)"},
        {Launch("encrypt -i in -o frozen"), "cannot write 'frozen': it is immutable (chattr +i)"},
        {sticky, "cannot write 'theirs': it belongs to another user, and its folder is sticky"},
    };
    for (const auto& [launch, fragment] : cases) {
        SCOPED_TRACE(launch.args.back());
        expectOneLineMessage(run(launch), 1, fragment);
    }
    umount2((root_ / "full").c_str(), MNT_DETACH);
    for (const std::string name : {"appended", "frozen"}) test::setInodeFlags(file(name), 0);
    for (const std::string name : {"appended", "frozen", "theirs"}) EXPECT_EQ(readFile(file(name)), "kept");
    EXPECT_EQ(files(), (std::set<std::string>{"in", "appended", "frozen", "theirs"}));
}

// A stream closed at start is never taken by a file; a failure to write help,
// version or a result, a path with a line break and a walk through the
// cipher's table that does not exist are reported on one line, leaving no file.
TEST_F(VelmorTool, ClosedStreamsAndFailedWritesAreReportedOnOneLine)
{
    const std::string text = "Streams\n";
    writeFile(file("in"), text);
    writeFile(root_ / "empty", "");
    Launch quiet("encrypt --password-file ../empty -o out");
    quiet.closed = 2;  // where the warning about the empty password would go
    quiet.in = open(file("in").c_str(), O_RDONLY | O_CLOEXEC);
    EXPECT_EQ(run(quiet).status, 0);
    close(quiet.in);
    EXPECT_EQ(readFile(file("out")), run({"encrypt --password-file ../empty -i in"}).out);
    fs::remove(file("out"));

    const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
    int pipeFds[2];
    ASSERT_EQ(pipe2(pipeFds, O_CLOEXEC), 0);
    close(pipeFds[0]);
    // No password is given where a closed stream is to be read or written:
    // it is found before the password would be asked for.
    Launch help("--help"), version("--version"), noInput("encrypt -o out"), noOutput("encrypt -i in"),
        oddPath("encrypt -i in"),
        sizeLimited("encrypt --password-env K -i in -o out"), toClosedPipe("encrypt --password-env K -i in"),
        unknownWalk("encrypt --password-env K -i in", {"K=k", "VELMOR_TABLE_WALK=AVX2"});
    writeFile(file("in"), std::string(400'000, 's'));
    sizeLimited.limits.emplace_back(RLIMIT_FSIZE, 300'000);
    toClosedPipe.out = pipeFds[1];
    help.out = full;
    version.closed = 1;
    noInput.closed = 0;
    noOutput.closed = 1;
    oddPath.args.insert(oddPath.args.end(), {"--password-file", "../two\nlines"});
    const std::tuple<Launch, int, std::string> cases[] = {
        {help, 1, "cannot write standard output: No space left on device"},
        {version, 1, "cannot write standard output: Bad file descriptor"},
        {noInput, 1, "cannot read standard input: Bad file descriptor"},
        {noOutput, 1, "cannot write standard output: Bad file descriptor"},
        {oddPath, 2, "password file '../two\\nlines' does not exist"},
        {sizeLimited, 1, "File too large"},
        {toClosedPipe, 1, "Broken pipe"},
        {unknownWalk, 1, "VELMOR_TABLE_WALK=AVX2: no such cipher walk"},
    };
    for (const auto& [launch, status, fragment] : cases) {
        SCOPED_TRACE(launch.args[0]);
        expectOneLineMessage(run(launch), status, fragment);
        EXPECT_EQ(files(), (std::set<std::string>{"in"}));
    }
    close(full);
    close(pipeFds[1]);

#ifndef __SANITIZE_ADDRESS__  // which reserves more address space than any such limit
    // Under a low ulimit -v no helper thread can start, and one does the work.
    writeFile(file("in"), std::string(3'000'000, 'v'));
    Launch lowMemory("encrypt --password-env K -i in");
    lowMemory.limits.emplace_back(RLIMIT_AS, 16 << 20);
    const Result limited = run(lowMemory);
    EXPECT_EQ(limited.status, 0) << limited.err;
    EXPECT_EQ(limited.out, run({"encrypt --password-env K -i in"}).out);
#endif
}

// Pipes that a parent left non-blocking are waited for: a read or write that
// would block is no failure.
TEST_F(VelmorTool, WaitsOnStandardStreamsLeftNonBlocking)
{
    const std::string text(3'000'000, 'b');
    writeFile(file("in"), text);
    const std::string cipher = run({"encrypt --password-env K -i in"}).out;
    int outPipe[2];
    ASSERT_EQ(pipe2(outPipe, O_CLOEXEC), 0);
    std::string drained;
    std::thread drain([&] {
        char bytes[4096];
        for (ssize_t got; (got = read(outPipe[0], bytes, sizeof bytes)) > 0;) drained.append(bytes, got);
    });
    Launch piped("encrypt --password-env K");
    piped.feed = text;
    piped.out = outPipe[1];
    piped.nonBlocking = true;
    const pid_t pid = launch(piped);
    close(outPipe[1]);
    EXPECT_EQ(finish(pid), 0) << readFile(root_ / "err");
    drain.join();
    close(outPipe[0]);
    EXPECT_TRUE(drained == cipher) << drained.size() << " of " << cipher.size() << " bytes";
}

// Files the kernel makes up as they are read claim sizes they do not have:
// a page in sysfs, nothing in procfs.
TEST_F(VelmorTool, ReadsKernelFilesToTheirEnd)
{
    for (const std::string path : {"/sys/devices/system/cpu/possible", "/proc/sys/kernel/ostype"}) {
        SCOPED_TRACE(path);
        ASSERT_TRUE(fs::exists(path)) << "no such kernel file here";
        const Result result = run({"encrypt --password-env K -i " + path});
        EXPECT_EQ(result.status, 0) << result.err;
        Launch piped("encrypt --password-env K");
        piped.feed = readFile(path);
        EXPECT_EQ(result.out, run(piped).out);
    }
}

// While the text streams, no memory of velmor's holds the password in any
// form: its buffers are wiped once the wheels are keyed.
TEST_F(VelmorTool, NoMemoryHoldsThePasswordWhileTheTextStreams)
{
    const std::string key = "Qz7#Wv!kJ9mP4$rT8xL2bN6&cY3dF5";
    writeFile(root_ / "key", key + "\n");
    int feed = -1;
    const pid_t pid = startMidStream({"encrypt -w 30 --password-file ../key -o out"}, std::string(2'000'000, 'x'), feed);
    const std::string memory = memoryOf(pid);
    close(feed);
    EXPECT_EQ(finish(pid), 0);
    EXPECT_NE(memory.find(kKey), std::string::npos) << "the environment should have been found";
    // The allocator writes its own links over the first 16 bytes of a freed
    // block, so only the end of a password left in one would still show.
    const std::string tail = key.substr(18);
    std::string wide;
    for (const char c : tail) (wide += c) += '\0';
    EXPECT_EQ(memory.find(tail), std::string::npos);
    EXPECT_EQ(memory.find(wide), std::string::npos);
}

// Stopped at the prompt, velmor gives the terminal back; continued, it asks
// again with echo off. Every way out of the prompt gives the terminal back,
// and no way leaves a file, not even SIGKILL; end of input cancels.
TEST_F(VelmorTool, ThePromptAlwaysGivesTheTerminalBack)
{
    const std::string text = "Typed at a terminal\n";
    writeFile(file("in"), text);
    // Answers the prompt and its confirmation; the key is never shown.
    const auto typeKeyTwice = [&](Terminal& terminal) {
        terminal.type("Typed key\n");
        ASSERT_TRUE(terminal.await("Password again: "));
        terminal.type("Typed key\n");
        EXPECT_EQ(terminal.finish(), 0);
        EXPECT_EQ(terminal.shown.find("Typed key"), std::string::npos) << terminal.shown;
        EXPECT_EQ(readFile(file("out")), run({"encrypt -i in --password-env K", {"K=Typed key"}}).out);
        fs::remove(file("out"));
    };
    {
        Terminal terminal = onTerminal({"encrypt -i in -o out"});
        ASSERT_TRUE(terminal.atPrompt());
        const pid_t job = terminal.job();
        terminal.type("abc\x1a");  // part of a password, then Ctrl-Z
        ASSERT_TRUE(reaches(job, 'T'));
        EXPECT_TRUE(terminal.echoes()) << "echo is off while velmor is stopped";
        ASSERT_EQ(kill(-job, SIGCONT), 0);
        ASSERT_TRUE(terminal.atPrompt());
        EXPECT_FALSE(terminal.echoes());
        typeKeyTwice(terminal);
    }
    {
        // Started in the background, velmor stops before it touches the
        // terminal; brought to the foreground, it asks with echo off.
        Terminal terminal = onTerminal({"encrypt -i in -o out"}, true);
        ASSERT_TRUE(terminal.atPrompt());
        EXPECT_FALSE(terminal.echoes());
        typeKeyTwice(terminal);
    }
    // End of input (Ctrl-D) cancels and touches nothing; Enter on an empty
    // line is the empty password, with its warning, also where the terminal
    // was left passing a carriage return through (stty -icrnl, as after
    // stty raw).
    writeFile(file("out"), "kept");
    for (const std::string keys : {"\x04", "abc\x04\x04", "\n", "\r"}) {
        SCOPED_TRACE(keys);
        Terminal terminal = onTerminal({"decrypt -i in -o out"}, false, keys == "\r" ? ICRNL : 0);
        ASSERT_TRUE(terminal.atPrompt());
        terminal.type(keys);
        const bool cancelled = keys.find('\x04') != std::string::npos;
        ASSERT_TRUE(terminal.await(cancelled ? "nothing was done" : "the password is empty"));
        EXPECT_EQ(terminal.finish(), cancelled ? 2 : 0);
        EXPECT_TRUE(terminal.echoes());
        EXPECT_EQ(readFile(file("out")), cancelled ? "kept" : run({"decrypt -i in --password-env E", {"E="}}).out);
    }
    fs::remove(file("out"));
    const std::pair<std::string, int> ways[] = {{"\x1c", SIGQUIT}, {"", SIGUSR1}, {"", SIGKILL}};
    for (const auto& [keys, signalNumber] : ways) {
        SCOPED_TRACE(signalNumber);
        Terminal terminal = onTerminal({"encrypt -i in -o out"});
        ASSERT_TRUE(terminal.atPrompt());
        terminal.type("par" + keys);
        if (keys.empty()) {
            ASSERT_EQ(kill(-terminal.job(), signalNumber), 0);
        }
        EXPECT_EQ(terminal.finish(), 128 + signalNumber);
        EXPECT_TRUE(terminal.echoes() || signalNumber == SIGKILL);
        EXPECT_EQ(files(), (std::set<std::string>{"in"}));
    }
}

// The progress bar fits the terminal, follows a resize, and is cleared when
// SIGTERM ends velmor. The output is a FIFO the test drains at its own pace.
TEST_F(VelmorTool, TheProgressBarFitsTheTerminalAndIsClearedOnSigterm)
{
    writeFile(root_ / "big", std::string(96 << 20, 'p'));
    ASSERT_EQ(mkfifo(file("fifo").c_str(), 0600), 0);
    const int fifo = open(file("fifo").c_str(), O_RDWR | O_CLOEXEC);  // never blocks, and keeps a reader
    ASSERT_GE(fifo, 0);
    Terminal terminal = onTerminal({"encrypt --password-env K -i ../big -o fifo"});
    const auto resize = [&](unsigned short columns) {
        const winsize size{24, columns, 0, 0};
        ASSERT_EQ(ioctl(terminal.master, TIOCSWINSZ, &size), 0);
    };
    // Drains the FIFO a little at a time, so that velmor redraws, until the
    // terminal shows `text` after `from`.
    const auto drainUntil = [&](const std::string& text, std::size_t from) {
        std::string chunk(1 << 16, '\0');
        for (int i = 0; i < 2000 && terminal.shown.find(text, from) == std::string::npos; ++i) {
            ASSERT_GT(read(fifo, chunk.data(), chunk.size()), 0);
            pollfd ready{terminal.master, POLLIN, 0};
            char bytes[256];
            if (poll(&ready, 1, 5) == 1)
                if (const ssize_t got = read(terminal.master, bytes, sizeof bytes); got > 0)
                    terminal.shown.append(bytes, static_cast<std::size_t>(got));
        }
        ASSERT_NE(terminal.shown.find(text, from), std::string::npos) << terminal.shown;
    };
    // Each drawing starts with a carriage return and an erase of the line.
    const auto widestDrawing = [&](std::size_t from) {
        std::size_t widest = 0;
        for (std::size_t at = terminal.shown.find("\r\x1b[K", from); at != std::string::npos;) {
            const std::size_t next = terminal.shown.find("\r\x1b[K", at + 4);
            widest = std::max(widest, std::min(next, terminal.shown.size()) - at - 4);
            at = next;
        }
        return widest;
    };
    resize(40);
    drainUntil("[#", 0);
    EXPECT_LE(widestDrawing(0), 39U) << terminal.shown;
    resize(24);
    const std::size_t resized = terminal.shown.size();
    drainUntil("%", resized);
    EXPECT_LE(widestDrawing(resized), 23U) << terminal.shown;
    terminal.seen = terminal.shown.size();
    ASSERT_EQ(kill(-terminal.job(), SIGTERM), 0);
    EXPECT_EQ(terminal.finish(), 128 + SIGTERM);
    while (terminal.await("\r\x1b[K")) continue;  // all it showed until the end
    EXPECT_TRUE(terminal.shown.ends_with("\r\x1b[K")) << terminal.shown;
    close(fifo);

    // A terminal that cannot erase a line would show the escapes as text.
    Terminal dumb = onTerminal({"encrypt --password-env K -i ../big -o /dev/null", {"K=k", "TERM=dumb"}});
    EXPECT_EQ(dumb.finish(), 0);
    while (dumb.await("\n")) continue;
    EXPECT_EQ(dumb.shown.find('\x1b'), std::string::npos) << dumb.shown;
}

}  // namespace
}  // namespace velmor::cli
