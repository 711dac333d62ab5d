// SPDX-License-Identifier: MIT
// The velmor binary as users run it: every published known answer and the
// wheel digest; one table of refused requests, each with its status, its one
// line of message and the files it leaves; one row per rule of the file layer
// that velmor is wired into; signals, the password's memory and the terminal.
#include "engine/settings.h"
#include "known_answers.h"

#include <QCryptographicHash>
#include <QString>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>

namespace velmor::cli {
namespace {

namespace fs = std::filesystem;
using Files = std::set<std::string>;
constexpr auto npos = std::string::npos;
const std::string kKey = "Wheel key \xC2\xA3 7";  // UTF-8, so U+00A3 is one character

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeFile(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
std::string error(int number) { return std::strerror(number); }

Files files()
{
    Files names;
    for (const auto& entry : fs::directory_iterator(".")) names.insert(entry.path().filename());
    return names;
}

bool reaches(pid_t pid, char state)
{
    for (int i = 0; i < 1000; ++i, usleep(10'000))
        if (readFile("/proc/" + std::to_string(pid) + "/stat").find(std::string(") ") + state) != npos) return true;
    return false;
}

int finish(pid_t pid)
{
    int status = 0;
    EXPECT_EQ(waitpid(pid, &status, 0), pid);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

struct Launch {
    std::string line;                   // split at spaces; '' is an empty word
    std::optional<std::string> feed{};  // standard input through a pipe; else /dev/null
    std::vector<std::string> env{"K=" + kKey};
    int in = -1, out = -1, closed = -1;  // standard input and output if given, else ../out; a stream closed
    std::pair<int, rlim_t> limit{RLIMIT_CORE, 0};  // by default no core from the signals sent
    bool nonBlocking = false;     // standard input and output left O_NONBLOCK, as some parents leave them
    bool fromBackground = false;  // on a terminal: started as `velmor ... &` would be, then brought back with `fg`
    tcflag_t inputFlagsOff = 0, localFlagsOff = 0;  // cleared on the terminal first, as stty would
    unsigned short columns = 80;                    // the terminal's width
};

struct Result { int status; std::string out, err; };

// The words of a command line and an environment, as execve takes them.
struct Vectors {
    std::vector<std::string> words{VELMOR_BINARY};
    std::vector<char*> argv, envp;
    explicit Vectors(const Launch& l)
    {
        std::istringstream split(l.line);
        for (std::string word; split >> word;) words.push_back(word == "''" ? "" : word);
        for (std::string& word : words) argv.push_back(word.data());
        for (const std::string& entry : l.env) envp.push_back(const_cast<char*>(entry.c_str()));
        argv.push_back(nullptr), envp.push_back(nullptr);
    }
};

// The last steps of every child, on a terminal or not: only async-signal-safe
// calls between fork and exec.
[[noreturn]] void becomeVelmor(const Launch& l, const Vectors& v)
{
    for (const int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT, SIGXFSZ, SIGTSTP, SIGTTOU}) signal(s, SIG_DFL);
    if (l.closed >= 0) close(l.closed);
    for (const int fd : {0, 1}) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | (l.nonBlocking ? O_NONBLOCK : 0));
    if (const rlimit limit{l.limit.second, l.limit.second}; setrlimit(l.limit.first, &limit) == 0)
        execve(v.argv[0], v.argv.data(), v.envp.data());
    _exit(127);
}

// Detached from any terminal, so that velmor never waits for a password.
pid_t launch(Launch l)
{
    int feed[2] = {-1, -1};
    if (l.feed && pipe2(feed, O_CLOEXEC) == 0) l.in = feed[0];
    const Vectors v(l);
    const pid_t pid = fork();
    if (pid == 0) {
        setsid();
        const int in = l.in >= 0 ? l.in : open("/dev/null", O_RDONLY);
        const int out = l.out >= 0 ? l.out : open("../out", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open("../err", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (dup2(in, 0) >= 0 && dup2(out, 1) >= 0 && dup2(err, 2) >= 0) becomeVelmor(l, v);
        _exit(127);
    }
    close(feed[0]);
    EXPECT_EQ(l.feed ? write(feed[1], l.feed->data(), l.feed->size()) : 0, std::ssize(l.feed.value_or("")));
    close(feed[1]);
    return pid;
}

Result run(const Launch& l)
{
    return {finish(launch(l)), readFile("../out"), readFile("../err")};  // a braced list runs in order
}

// velmor on a terminal of its own, the way a shell runs a job: the session
// leader starts it in a process group of its own and hands it the terminal,
// so that Ctrl-Z stops it.
struct Terminal {
    int master = -1;
    pid_t leader = -1;
    std::string shown;     // all the terminal has shown
    std::size_t seen = 0;  // how much of it await() has gone past

    explicit Terminal(const Launch& l)
    {
        const Vectors v(l);
        const winsize size{24, l.columns, 0, 0};
        if ((leader = forkpty(&master, nullptr, nullptr, &size)) != 0) return;
        signal(SIGTTOU, SIG_IGN);  // to hand the terminal over from the background
        termios settings{};
        if (tcgetattr(0, &settings) != 0) _exit(127);
        settings.c_iflag &= ~l.inputFlagsOff;
        settings.c_lflag &= ~l.localFlagsOff;
        // A shell keeps echo and line editing off while it edits its own
        // command line, and gives the terminal back its settings with `fg`.
        termios editing = settings;
        editing.c_lflag &= ~static_cast<tcflag_t>(l.fromBackground ? ECHO | ICANON : 0);
        const pid_t job = tcsetattr(0, TCSANOW, &editing) == 0 ? fork() : -1;
        if (job == 0 && setpgid(0, 0) == 0 && (l.fromBackground || tcsetpgrp(0, getpid()) == 0)) becomeVelmor(l, v);
        int status = 0;
        if (job <= 0 || (l.fromBackground && (waitpid(job, &status, WUNTRACED) != job || !WIFSTOPPED(status))))
            _exit(127);
        tcsetattr(0, TCSANOW, &settings);
        tcsetpgrp(0, job);
        if (l.fromBackground) kill(-job, SIGCONT);
        while (waitpid(job, &status, 0) < 0 && errno == EINTR) continue;
        _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    }
    ~Terminal() { if (leader > 0) kill(leader, SIGKILL), waitpid(leader, nullptr, 0); close(master); }  // a hang-up
    bool readSome(int timeoutMs)
    {
        pollfd ready{master, POLLIN, 0};
        char bytes[256];
        const ssize_t got = poll(&ready, 1, timeoutMs) == 1 ? read(master, bytes, sizeof bytes) : -1;
        return got > 0 && (shown.append(bytes, static_cast<std::size_t>(got)), true);
    }
    void readAll() { while (readSome(1000)) continue; }
    bool await(const std::string& text)
    {
        while (shown.find(text, seen) == npos)
            if (!readSome(10'000)) return false;
        seen = shown.find(text, seen) + text.size();
        return true;
    }
    void type(const std::string& keys) { EXPECT_EQ(write(master, keys.data(), keys.size()), std::ssize(keys)); }
    termios settings() const { termios now{}; tcgetattr(master, &now); return now; }  // as the master shows them
    bool echoes() const { return (settings().c_lflag & ECHO) != 0; }
    pid_t job() const { return tcgetpgrp(master); }
    // The prompt is shown and velmor sleeps waiting for a key.
    bool atPrompt(const char* prompt = "Password: ") { return await(prompt) && reaches(job(), 'S'); }
    int finish() { return velmor::cli::finish(std::exchange(leader, -1)); }
};

// Velmor runs in the folder "files" of a fresh folder, whose content the
// tests check; "out" and "err" beside it take what velmor writes there.
class VelmorTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = ::testing::TempDir() + "/velmor-test-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern.data()) && fs::create_directory(pattern + "/files"));
        fs::current_path(pattern + "/files");
        signal(SIGPIPE, SIG_IGN);
    }
    void TearDown() override { fs::remove_all(fs::current_path().parent_path()); }
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
        writeFile("in", row.input);
        writeFile("../key", row.password + (k % 4 == 1 ? "\n" : "\r\n"));
        const std::string zeros = k / 2 % 2 ? "0" : "", command = row.direction == Direction::Encrypt ? "en" : "de";
        const Launch l{.line = command + "crypt -w " + zeros + std::to_string(row.wheels) + " -n " + zeros +
                               std::to_string(row.passes) + (k % 2 ? " --password-file ../key" : " --password-env K") +
                               (k % 3 ? "" : " -i in") + (k % 5 < 2 ? "" : " -o out"),
                       .feed = k % 3 == 2 ? std::optional(row.input) : std::nullopt,
                       .env = {"K=" + QString::fromStdU16String(row.passwordText()).toStdString()},
                       .in = k % 3 == 1 ? open("in", O_RDONLY | O_CLOEXEC) : -1};
        const Result result = run(l);
        if (l.in >= 0) close(l.in);
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_TRUE(result.err.empty() || result.err.starts_with("velmor: warning: ")) << result.err;
        EXPECT_TRUE(test::sameText(k % 5 < 2 ? result.out : readFile("out"), row.output));
        fs::remove("out");
    }
    EXPECT_EQ(files(), Files{"in"});
    const QByteArray listing = QByteArray::fromStdString(run({"wheels"}).out);
    EXPECT_EQ(QCryptographicHash::hash(listing, QCryptographicHash::Sha256).toHex(), kWheelListingSha256);
}

// A text of several blocks and every byte value goes there and back however
// it is read and written: from a file read in part already (as after `read
// header` in a shell), from a pipe and to one left non-blocking, with no
// helper thread under a low ulimit -v, from kernel files that claim sizes
// they do not have (a page in sysfs, nothing in procfs). The file layer's
// rules wired in, one row each: a file replaced where it stands keeps its
// mode but not set-user-ID or set-group-ID; a path that names one of velmor's
// own descriptors is written through it, where it stands, between what
// others write there.
TEST_F(VelmorTool, RoundTripsWhateverTheStreamsAndLimits)
{
    std::mt19937 rng(31);
    std::string text(3'000'000, '\0');
    for (char& c : text) c = static_cast<char>(rng());
    writeFile("in", text);
    const std::string encrypt = "encrypt -w 26 -n 9 --password-env K", cipher = run({encrypt + " -i in"}).out;
    const int partlyRead = open("in", O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(lseek(partlyRead, 1000, SEEK_SET), 1000);
    EXPECT_TRUE(run({.line = encrypt, .in = partlyRead}).out == run({.line = encrypt, .feed = text.substr(1000)}).out);
    close(partlyRead);
    int pipeOut[2];
    ASSERT_EQ(pipe2(pipeOut, O_CLOEXEC), 0);
    auto drained = std::async(std::launch::async, [&] {
        std::string all;
        char bytes[4096];
        for (ssize_t got; (got = read(pipeOut[0], bytes, sizeof bytes)) > 0;) all.append(bytes, got);
        return all;
    });
    EXPECT_EQ(finish(launch({.line = encrypt, .feed = text, .out = pipeOut[1], .nonBlocking = true})), 0);
    close(pipeOut[1]);
    EXPECT_TRUE(drained.get() == cipher);
    close(pipeOut[0]);
#ifndef __SANITIZE_ADDRESS__  // which reserves more address space than any such limit
    const Result limited = run({.line = encrypt + " -i in", .limit = {RLIMIT_AS, 16 << 20}});
    EXPECT_TRUE(limited.status == 0 && limited.out == cipher) << limited.err;
#endif
    for (const std::string path : {"/sys/devices/system/cpu/possible", "/proc/sys/kernel/ostype"})
        EXPECT_EQ(run({"encrypt --password-env K -i " + path}).out,
                  run({.line = "encrypt --password-env K", .feed = readFile(path)}).out) << path;

    ASSERT_EQ(chmod("in", 06640), 0);
    ASSERT_EQ(run({encrypt + " -i in -o in"}).status, 0);
    EXPECT_TRUE(readFile("in") == cipher && fs::status("in").permissions() == fs::perms(0640));
    const int log = open("log", O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_EQ(write(log, "header\n", 7), 7);
    EXPECT_EQ(run({.line = "decrypt -w 26 -n 9 --password-env K -i in -o /dev/stdout", .out = log}).status, 0);
    ASSERT_EQ(write(log, "footer\n", 7), 7);
    close(log);
    EXPECT_TRUE(readFile("log") == "header\n" + text + "footer\n");
    EXPECT_EQ(files(), (Files{"in", "log"}));
}

// Every refusal gives its status and one line in the tool's own words, and
// leaves the files as they were, as does a warning: the command line first,
// then the password, the input and the output, each found before the
// password is asked for (no terminal is given, so a check made after it
// would say that instead).
TEST_F(VelmorTool, EveryRefusalGivesItsStatusAndOneLineAndLeavesTheFiles)
{
    writeFile("in", "plain text");
    writeFile("old", "kept");
    writeFile("../big", std::string(5000, 'x'));
    fs::create_directory("folder");
    int full = open("/dev/full", O_WRONLY | O_CLOEXEC), closedPipe[2];
    ASSERT_EQ(pipe2(closedPipe, O_CLOEXEC), 0);
    close(closedPipe[0]);
    const struct { Launch launch; int status; std::string fragment; } rows[] = {  // the fragment is what varies
        {{""}, 2, "encrypt, decrypt or wheels (velmor --help"},
        {{"scramble"}, 2, "'scramble'"},
        {{"encrypt --bogus -i in"}, 2, "'--bogus' (velmor encrypt --help"},
        {{"encrypt --he -i in"}, 2, "'--he'"},
        {{"encrypt --help=1"}, 2, "--help takes"},
        {{"encrypt -i in in.txt"}, 2, "'in.txt'"},
        {{"encrypt -i in -- -o out"}, 2, "'-o' after --"},
        {{"-w 4 decrypt -i in"}, 2, "-w belongs after the command, as in: velmor decrypt -w"},
        {{"--wheels=4 wheels"}, 2, "as in: velmor encrypt --wheels"},
        {{"wheels -w 4"}, 2, "'-w' (velmor wheels --help"}, {{"wheels -o out"}, 2, "'-o' (velmor wheels --help"},
        {{"wheels extra"}, 2, "'extra' (velmor wheels --help"},
        {{"encrypt -w 4 -w4 -i in"}, 2, "--wheels is given more"},
        {{"decrypt -i"}, 2, "--input needs a value (FILE) (velmor decrypt --help"},
        {{"encrypt -n -w 4 -i in"}, 2, "--passes needs a value (N)"},
        {{"encrypt -i in --password-file in --password-env K"}, 2, "--password-file and --password-env"},
        {{"encrypt -w 5 -i in"}, 2, "--wheels: there is no wheel count 5"},
        {{"encrypt -n 4 -i in"}, 2, "--passes: there is no pass count 4"},
        {{"encrypt -w 0x14 -i in"}, 2, "--wheels: '0x14'"},
        {{"encrypt -n 99999999999999999999 -i in"}, 2, "99999999999999999999"},
        {{"encrypt -w '' -i in"}, 2, "--wheels: the value is empty"},
        {{"encrypt -o '' -i in"}, 2, "--output: the value is empty"},
        {{.line = "encrypt -i in --password-env K", .env = {"K=key\xF0\x9F\x94\x91"}}, 2, "character 4 is U+1F511,"},
        {{"encrypt -i in --password-env UNSET"}, 2, "UNSET"},
        {{.line = "encrypt -i in --password-env K", .env = {"K=\x01" "a\x02\x03"}}, 0, "characters 1, 3 and 4 are"},
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
        {{.line = "encrypt -o out", .closed = 0}, 1, "standard input: " + error(EBADF)},
        {{.line = "encrypt -i in", .closed = 1}, 1, "standard output: " + error(EBADF)},
        {{.line = "--help", .out = full}, 1, "standard output: " + error(ENOSPC)},
        {{"encrypt -i in -o /dev/full --password-env K"}, 1, error(ENOSPC)},
        {{.line = "encrypt -i in --password-env K", .out = closedPipe[1]}, 1, error(EPIPE)},
        {{.line = "encrypt -i ../big -o old --password-env K", .limit = {RLIMIT_FSIZE, 1000}}, 1, error(EFBIG)},
        {{.line = "encrypt -i in --password-env K", .env = {"K=k", "VELMOR_TABLE_WALK=AVX2"}}, 1, "AVX2"},
        {{"encrypt -i in -o folder"}, 1, "'folder': it is a folder"},  // the file layer's targets, wired in
    };
    for (const auto& row : rows) {
        const auto [status, out, err] = run(row.launch);
        EXPECT_TRUE(status == row.status && err.starts_with("velmor: ") && std::ranges::count(err, '\n') == 1 &&
                    err.find(row.fragment) != npos) << row.launch.line << ": " << status << " " << err;
        EXPECT_TRUE(files() == Files({"in", "old", "folder"}) && fs::is_empty("folder") && readFile("old") == "kept");
    }
    for (const int fd : {full, closedPipe[1]}) close(fd);
}

// Help and version answer after any command and before any other mistake,
// and fit 80 columns with the options' descriptions in one column two spaces
// after the widest name.
TEST_F(VelmorTool, HelpAndVersionAnswerFirst)
{
    for (const std::string line : {"--help", "encrypt --help", "decrypt -h", "wheels --help", "encrypt -h -w 5",
                                   "-x -h", "encrypt -n -h", "--help encrypt"}) {
        const Result help = run({line});
        EXPECT_TRUE(help.status == 0 && help.err.empty() && help.out.starts_with("Usage: velmor ")) << line;
        EXPECT_EQ(help.out.find("--passes N") != npos, line.find("crypt") != npos) << line;
        std::istringstream lines(help.out);
        std::set<std::size_t> columns, gaps;
        std::size_t widest = 0;
        for (std::string each; std::getline(lines, each); widest = std::max(widest, each.size()))
            if (const std::size_t gap = each.find("  ", 2); each.starts_with("  -"))
                columns.insert(each.find_first_not_of(' ', gap)), gaps.insert(each.find_first_not_of(' ', gap) - gap);
        EXPECT_TRUE(widest <= 80 && columns.size() == 1 && *gaps.begin() == 2) << help.out;
    }
    for (const std::string line : {"--version", "encrypt --version -h", "wheels --version"})
        EXPECT_TRUE(run({line}).out.starts_with("velmor " VELMOR_VERSION "\n")) << line;
}

// While the text streams, no memory of velmor's holds the password in any
// form: its buffers are wiped once the wheels are keyed. Ended then by a
// signal, velmor leaves the old output and nothing else.
TEST_F(VelmorTool, WhileTheTextStreamsNoMemoryHoldsThePasswordAndASignalLeavesTheOldOutput)
{
    const std::string key = "Qz7#Wv!kJ9mP4$rT8xL2bN6&cY3dF5", text(2'000'000, 'i');
    writeFile("../key", key + "\n");
    writeFile("out", "the previous result");
    int feed[2];
    ASSERT_EQ(pipe2(feed, O_CLOEXEC), 0);
    const pid_t pid = launch({.line = "encrypt -w 30 --password-file ../key -o out", .in = feed[0]});
    const std::string proc = "/proc/" + std::to_string(pid);
    close(feed[0]);
    // Once velmor has taken this much it is streaming, and waits for the rest.
    ASSERT_EQ(write(feed[1], text.data(), text.size()), std::ssize(text));
    // The readable memory, as far as it is mapped; the huge reservations of
    // a sanitizer are left out.
    std::ifstream maps(proc + "/maps"), mem(proc + "/mem", std::ios::binary);
    std::string memory;
    for (std::string line; std::getline(maps, line);) {
        unsigned long start = 0, end = 0;
        char access = 0;
        const int got = std::sscanf(line.c_str(), "%lx-%lx %c", &start, &end, &access);
        if (got != 3 || access != 'r' || end - start > (1UL << 28)) continue;
        std::string region(end - start, '\0');
        mem.clear();
        mem.seekg(static_cast<std::streamoff>(start)).read(region.data(), std::ssize(region));
        memory.append(region, 0, static_cast<std::size_t>(mem.gcount()));
    }
    // The allocator writes its own links over the first 16 bytes of a freed
    // block, so only the end of a password left in one would still show.
    std::string tail = key.substr(18), wide;
    for (const char c : tail) (wide += c) += '\0';
    EXPECT_NE(memory.find(kKey), npos) << "the environment should have been found";
    EXPECT_TRUE(memory.find(tail) == npos && memory.find(wide) == npos);
    ASSERT_EQ(kill(pid, SIGTERM), 0);
    close(feed[1]);
    EXPECT_EQ(finish(pid), -SIGTERM);
    EXPECT_TRUE(readFile("out") == "the previous result" && files() == Files{"out"});
}

// Every way out of the prompt gives the terminal back, as velmor was started
// or continued, and leaves no file, not even SIGKILL; end of input cancels.
// Stopped at the prompt, velmor gives the terminal back; continued, or
// brought to the foreground after a start in the background, it asks again
// with echo off. Enter on an empty line is the empty password, also where
// the terminal passes a carriage return through (stty -icrnl); what is typed
// after the password, in the same breath, is the text. The prompt's line
// ends after the answer, even on a terminal left with echo off.
TEST_F(VelmorTool, ThePromptAlwaysGivesTheTerminalBack)
{
    writeFile("in", "Typed at a terminal\n");
    const auto cipher = [](const std::string& line, const std::string& key, std::optional<std::string> feed = {}) {
        return run({.line = line + " --password-env K", .feed = std::move(feed), .env = {"K=" + key}}).out;
    };
    const std::string encrypted = cipher("encrypt -i in", "pw");
    // `stop`: Ctrl-Z at the prompt, and IXON cleared (by the shell, say) while velmor is stopped; `then`: typed
    // once the answer's line has ended.
    const struct { Launch launch; bool stop; std::string keys, then; int signal, status; std::string out; } rows[] = {
        {{"encrypt -i in -o out"}, 1, "pw\rpw\r", "", 0, 0, encrypted},
        {{.line = "encrypt -i in -o out", .fromBackground = true}, 0, "pw\rpw\r", "", 0, 0, encrypted},
        {{"decrypt -i in -o out"}, 0, "\x04", "", 0, 2, "kept"},
        {{"decrypt -i in -o out"}, 0, "abc\x04\x04", "", 0, 2, "kept"},
        {{"decrypt -i in -o out"}, 0, "\n", "", 0, 0, cipher("decrypt -i in", "")},
        {{.line = "decrypt -i in -o out", .inputFlagsOff = ICRNL}, 0, "\r", "", 0, 0, cipher("decrypt -i in", "")},
        {{.line = "decrypt -i in -o out", .localFlagsOff = ECHO}, 0, "\n", "", 0, 0, cipher("decrypt -i in", "")},
        {{"decrypt -o out"}, 0, "pw\rhello\r", "\x04", 0, 0, cipher("decrypt", "pw", "hello\n")},
        {{"encrypt -o out"}, 0, "pw\rpw\rhello\r", "\x04", 0, 0, cipher("encrypt", "pw", "hello\n")},
        {{"decrypt -i in -o out"}, 0, "par\x1c", "", 0, 128 + SIGQUIT, "kept"},
        {{"decrypt -i in -o out"}, 0, "par", "", SIGKILL, 128 + SIGKILL, "kept"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.keys) + " " + row.launch.line);
        writeFile("out", "kept");
        Terminal terminal(row.launch);
        ASSERT_TRUE(terminal.atPrompt());
        if (const pid_t job = terminal.job(); row.stop) {
            terminal.type("abc\x1a");
            ASSERT_TRUE(reaches(job, 'T'));
            EXPECT_TRUE(terminal.echoes()) << "echo is off while velmor is stopped";
            termios changed = terminal.settings();
            changed.c_iflag &= ~static_cast<tcflag_t>(IXON);
            ASSERT_TRUE(tcsetattr(terminal.master, TCSANOW, &changed) == 0 && kill(-job, SIGCONT) == 0);
            ASSERT_TRUE(terminal.atPrompt());
        }
        EXPECT_FALSE(terminal.echoes());
        terminal.type(row.keys);
        ASSERT_TRUE(row.then.empty() || terminal.await("\n"));
        terminal.type(row.then);
        if (row.signal) kill(-terminal.job(), row.signal);
        EXPECT_EQ(terminal.finish(), row.status);
        const tcflag_t echo = terminal.settings().c_lflag & (ECHO | ICANON), ixon = terminal.settings().c_iflag & IXON;
        const bool restored = echo == ((ECHO | ICANON) & ~row.launch.localFlagsOff) && ixon == (row.stop ? 0 : IXON);
        EXPECT_TRUE(row.signal == SIGKILL || restored);
        EXPECT_TRUE(readFile("out") == row.out && files() == Files({"in", "out"}));
        terminal.readAll();
        EXPECT_TRUE(terminal.shown.find("pw") == npos &&
                    (row.status != 0 || row.stop || terminal.shown.starts_with("Password: \r\n"))) << terminal.shown;
    }
}

// Past the prompt, Ctrl-Z stops velmor again as it would any program. The
// progress bar fits the terminal, wide or narrow, and is cleared when a
// signal ends velmor, even right after its first drawing (the output is a
// FIFO the test drains at its own pace); done, velmor leaves the line clear.
// A terminal that cannot erase a line would show the escapes as text, and
// gets no bar.
TEST_F(VelmorTool, TheProgressBarFitsTheTerminalAndIsClearedBySignals)
{
    writeFile("../big", std::string(96 << 20, 'p'));
    // Each drawing starts with a carriage return and an erase of the line.
    const auto widestDrawing = [](const std::string& shown, std::size_t at) {
        std::size_t widest = 0;
        for (std::size_t next; (at = shown.find("\r\x1b[K", at)) != npos; at = next)
            widest = std::max(widest, std::min(next = shown.find("\r\x1b[K", at + 4), shown.size()) - at - 4);
        return widest;
    };
    ASSERT_EQ(mkfifo("fifo", 0600), 0);
    const int fifo = open("fifo", O_RDWR | O_CLOEXEC);  // never blocks, and keeps a reader
    Terminal terminal({.line = "encrypt -i ../big -o fifo", .columns = 40});
    for (const char* prompt : {"Password: ", "Password again: "}) {
        ASSERT_TRUE(terminal.atPrompt(prompt));
        terminal.type("k\n");
    }
    std::string chunk(1 << 16, '\0');
    for (int i = 0; i < 2000 && terminal.shown.find("%", terminal.seen) == npos; ++i)
        if (read(fifo, chunk.data(), chunk.size()) > 0) terminal.readSome(5);
    EXPECT_TRUE(terminal.shown.find("%", terminal.seen) != npos && widestDrawing(terminal.shown, terminal.seen) <= 39);
    const pid_t job = terminal.job();
    terminal.type("\x1a");
    ASSERT_TRUE(reaches(job, 'T')) << "Ctrl-Z did not stop velmor";
    ASSERT_TRUE(kill(-job, SIGTERM) == 0 && kill(-job, SIGCONT) == 0);
    EXPECT_EQ(terminal.finish(), 128 + SIGTERM);
    terminal.readAll();
    EXPECT_TRUE(terminal.shown.ends_with("\r\x1b[K")) << terminal.shown;
    close(fifo);
    for (const bool dumb : {false, true}) {
        const std::string term = dumb ? "TERM=dumb" : "";
        Terminal done({.line = "encrypt --password-env K -i ../big -o /dev/null", .env = {"K=k", term}, .columns = 24});
        EXPECT_EQ(done.finish(), 0);
        done.readAll();
        EXPECT_TRUE(done.shown.find('\x1b') == npos ? dumb : !dumb && done.shown.ends_with("\r\x1b[K")) << done.shown;
        EXPECT_LE(widestDrawing(done.shown, 0), 23U) << done.shown;
    }
}

}  // namespace
}  // namespace velmor::cli
