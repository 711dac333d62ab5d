// SPDX-License-Identifier: MIT
// The velmor binary as users run it: round trips over every kind of line
// ending and byte that agree with the window's passes, and failures that
// give the right status and one message and leave no file behind.
#include "engine/alphabet.h"
#include "engine/builtin_wheels.h"
#include "engine/wheel_state.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
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

void writeFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

struct Launch {
    Launch(const std::string& line, Env env = {"K=" + kKey}) : env(std::move(env))
    {
        std::istringstream words(line);
        args.assign(std::istream_iterator<std::string>(words), {});
    }
    std::vector<std::string> args;
    Env env;
    int in = -1;                      // standard input; /dev/null when -1
    int out = -1;                     // standard output; the file "out" when -1
    std::optional<std::string> feed;  // written to standard input through a pipe
    rlim_t fileSizeLimit = RLIM_INFINITY;
};

struct Result {
    int status;
    std::string out, err;
};

// The exit status, or minus the signal that ended the process.
int finish(pid_t pid)
{
    int status = 0;
    EXPECT_EQ(waitpid(pid, &status, 0), pid);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

void expectOneLineMessage(const Result& result, int status, const std::string& fragment)
{
    EXPECT_EQ(result.status, status) << result.err;
    EXPECT_EQ(result.err.rfind("velmor: ", 0), 0U) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_NE(result.err.find(fragment), std::string::npos) << result.err;
}

// The window's multi-pass command: each pass keys the wheels afresh, runs
// the step-by-step pass and restores the wheels.
std::string windowEncrypt(std::string text, std::u16string_view password, int wheels, int passes)
{
    WheelState state;
    state.LoadWheels();
    state.setWheelCount(wheels);
    for (int pass = 0; pass < passes; ++pass) {
        state.KeyWheels(password);
        state.setStepWheel(1);
        text = state.EncryptPass<char>(text);
        state.RestoreWheels();
    }
    return text;
}

// Velmor runs in the folder "files", whose content the tests check; its
// standard output and error go to the files "out" and "err" beside it.
class VelmorTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::path(::testing::TempDir()) / "velmor-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        fs::create_directory(root_ / "files");
        // A velmor that ends early must not take the test down with it.
        signal(SIGPIPE, SIG_IGN);
    }

    void TearDown() override { fs::remove_all(root_); }

    fs::path file(const std::string& name) const { return root_ / "files" / name; }

    // Starts velmor detached from any terminal (setsid), so that it can never
    // wait for a password there, and with no environment but `l.env`. Between
    // fork and exec the child calls only async-signal-safe functions.
    pid_t start(const Launch& l) const
    {
        std::vector<char*> argv{const_cast<char*>(VELMOR_BINARY)}, envp;
        for (const std::string& arg : l.args) argv.push_back(const_cast<char*>(arg.c_str()));
        for (const std::string& entry : l.env) envp.push_back(const_cast<char*>(entry.c_str()));
        argv.push_back(nullptr);
        envp.push_back(nullptr);
        const std::string folder = file("").string(), out = root_ / "out", err = root_ / "err";
        const pid_t pid = fork();
        if (pid != 0) return pid;
        setsid();
        const int in = l.in >= 0 ? l.in : open("/dev/null", O_RDONLY);
        const int outFd = l.out >= 0 ? l.out : open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        for (const int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) signal(s, SIG_DFL);
        // With SIGXFSZ ignored, a write beyond the limit fails instead.
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{l.fileSizeLimit, l.fileSizeLimit};
        if (in < 0 || outFd < 0 || errFd < 0 || dup2(in, 0) < 0 || dup2(outFd, 1) < 0 || dup2(errFd, 2) < 0 ||
            chdir(folder.c_str()) != 0 || (l.fileSizeLimit != RLIM_INFINITY && setrlimit(RLIMIT_FSIZE, &limit) != 0))
            _exit(127);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }

    Result run(Launch l) const
    {
        int fds[2] = {-1, -1};
        if (l.feed && pipe2(fds, O_CLOEXEC) == 0) l.in = fds[0];
        const pid_t pid = start(l);
        if (l.feed) {
            close(fds[0]);
            EXPECT_EQ(write(fds[1], l.feed->data(), l.feed->size()), static_cast<ssize_t>(l.feed->size()));
            close(fds[1]);
        }
        const int status = finish(pid);
        return {status, readFile(root_ / "out"), readFile(root_ / "err")};
    }

    std::set<std::string> files() const
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(root_ / "files")) names.insert(entry.path().filename());
        return names;
    }

    fs::path root_;
};

// Each case takes its password from another source and reads and writes in
// another way: -i, a file or a pipe on standard input; -o or standard output.
TEST_F(VelmorTool, RoundTripsAgreeWithTheWindowAndKeepEveryByte)
{
    std::mt19937 rng(31);
    std::string allBytes;
    for (int b = 0; b < 256; ++b) allBytes += static_cast<char>(b);
    const std::string pieces[] = {"\n", "\r\n", "\r", std::string(1, '\0'), " Line of \"words\" ", allBytes};
    const std::tuple<std::size_t, int, int> cases[] = {{0, 20, 1},         {1, 4, 12},         {97, 30, 3},
                                                       {5000, 12, 6},      {300'000, 26, 9},   {700'000, 30, 12},
                                                       {600'000, 8, 3}};
    int k = 0;
    for (const auto& [length, wheels, passes] : cases) {
        std::string text;
        while (text.size() < length) text += pieces[rng() % std::size(pieces)];
        text.resize(length);
        writeFile(file("plain"), text);

        // Spaces count, so one ends the password; a character on no wheel
        // works as in the window, with a warning.
        std::u16string password;
        for (auto i = 1 + rng() % wheels; i > 1; --i) password += charOf(static_cast<Symbol>(rng() % kWheelLength));
        password += u' ';
        if (k % 3 == 1) password[0] = u'"';
        const std::string warning =
            k % 3 == 1 ? "velmor: warning: password character 1 is on no wheel, so wheel 1 stays unrotated\n" : "";
        std::string utf8, windows1252;
        for (const char16_t c : password) {
            windows1252 += static_cast<char>(c);
            if (c > 0x7F) utf8 += '\xC2';  // U+00A3 and U+00AC are the only ones above 0x7F
            utf8 += static_cast<char>(c);
        }
        const std::string key = k % 2 ? windows1252 : utf8;
        const std::string endings[] = {"", "\n", "\r\n"};
        if (k % 5 >= 2) writeFile(root_ / "key", key + endings[k % 5 - 2]);
        const std::string options = " -w " + std::to_string(wheels) + " -n " + std::to_string(passes) +
                                    (k % 5 < 2 ? " --password-env K" : " --password-file ../key");
        SCOPED_TRACE(std::to_string(length) + " bytes," + options);

        const auto cipher = [&](const std::string& command, const std::string& from, const std::string& to, int way) {
            Launch l(command + options + (way % 3 ? "" : " -i " + from) + (way % 2 ? "" : " -o " + to), {"K=" + key});
            if (way % 3 == 1) l.in = open(file(from).c_str(), O_RDONLY | O_CLOEXEC);
            if (way % 3 == 2) l.feed = readFile(file(from));
            const Result result = run(l);
            if (l.in >= 0) close(l.in);
            EXPECT_EQ(result.status, 0);
            EXPECT_EQ(result.err, warning);
            if (way % 2) writeFile(file(to), result.out);
        };
        cipher("encrypt", "plain", "cipher", k);
        EXPECT_EQ(readFile(file("cipher")), windowEncrypt(text, password, wheels, passes));
        cipher("decrypt", "cipher", "back", ++k);
        EXPECT_EQ(readFile(file("back")), text);
        EXPECT_EQ(files(), (std::set<std::string>{"plain", "cipher", "back"}));
    }
}

TEST_F(VelmorTool, BadRequestsFailWithTheirStatusAndLeaveNoFile)
{
    writeFile(file("in"), std::string(5000, 'x'));  // also far too long for a password file
    fs::create_directory(file("folder"));
    const Env env{"K=" + kKey, "LONG=" + std::string(21, 'k'), "WIDE=key\xF0\x9F\x94\x91"};
    const std::tuple<std::string, int, std::string> cases[] = {
        {"", 2, "a command is needed"},
        {"scramble", 2, "scramble"},
        {"encrypt --bogus -i in -o out --password-env K", 2, "--bogus"},
        {"encrypt -w 5 -i in -o out --password-env K", 2, "there is no wheel count 5"},
        {"decrypt -w 32 -i in -o out --password-env K", 2, "there is no wheel count 32"},
        {"encrypt -n 4 -i in -o out --password-env K", 2, "there is no pass count 4"},
        {"encrypt -i missing -o out --password-env K", 2, "input file 'missing' does not exist"},
        {"encrypt -i in -o out --password-env LONG", 2, "has 21 characters"},
        {"encrypt -i in -o out --password-env WIDE", 2, "character 4 is outside"},
        {"encrypt -w 30 -i in -o out --password-env UNSET", 2, "UNSET is not set"},
        {"encrypt -i in -o out --password-file missing", 2, "password file 'missing' does not exist"},
        {"encrypt -i in -o out --password-file in", 2, "far longer than any password"},
        {"encrypt -i in -o out --password-file folder", 1, "cannot read password file 'folder'"},
        {"encrypt -i in -o out --password-file in --password-env K", 2, "excludes"},
        {"encrypt -i in -o out", 2, "no terminal"},
        {"encrypt -i folder -o out --password-env K", 1, "cannot read 'folder': it is a folder"},
        {"encrypt -i in -o no/such/folder/out --password-env K", 1, "cannot write"},
        {"encrypt -i in -o folder --password-env K", 1, "cannot write 'folder': it is a folder"},
        {"encrypt -i in -o /dev/full --password-env K", 1, "No space left on device"},
    };
    for (const auto& [line, status, fragment] : cases) {
        SCOPED_TRACE(line);
        expectOneLineMessage(run({line, env}), status, fragment);
        EXPECT_EQ(files(), (std::set<std::string>{"in", "folder"}));
        EXPECT_TRUE(fs::is_empty(file("folder")));
    }
}

TEST_F(VelmorTool, AFailedOrInterruptedWriteLeavesTheOldOutput)
{
    std::mt19937 rng(33);
    std::string text(2'000'000, '\0');
    for (char& c : text) c = static_cast<char>(rng());
    writeFile(file("in"), text);
    writeFile(file("out"), "the previous result");
    Launch limited("encrypt --password-env K -i in -o out");
    limited.fileSizeLimit = 300'000;
    expectOneLineMessage(run(limited), 1, "File too large");
    EXPECT_EQ(readFile(file("out")), "the previous result");
    EXPECT_EQ(files(), (std::set<std::string>{"in", "out"}));

    // To standard output the failure is reported, not hidden.
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
    close(fds[0]);
    Launch toClosedPipe("encrypt --password-env K -i in");
    toClosedPipe.out = fds[1];
    expectOneLineMessage(run(toClosedPipe), 1, "Broken pipe");
    close(fds[1]);

    fs::remove(file("in"));
    for (const int signalNumber : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signalNumber);
        ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
        Launch l("encrypt --password-env K -o out");
        l.in = fds[0];
        const pid_t pid = start(l);
        close(fds[0]);
        // The pipe stays open: velmor is in the middle of the stream.
        EXPECT_EQ(write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
        const auto partial = [&] {
            return std::ranges::any_of(fs::directory_iterator(file("")), [](const fs::directory_entry& entry) {
                return entry.path().filename() != "out" && entry.file_size() > 0;
            });
        };
        for (int i = 0; i < 3000 && !partial(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_TRUE(partial()) << "no partial output appeared";
        ASSERT_EQ(kill(pid, signalNumber), 0);
        EXPECT_EQ(finish(pid), -signalNumber);
        close(fds[1]);
        EXPECT_EQ(readFile(file("out")), "the previous result");
        EXPECT_EQ(files(), (std::set<std::string>{"out"}));
    }
}

TEST_F(VelmorTool, ReplacingAFileKeepsItsModeAndLinks)
{
    const std::string text = "Encrypted where it stands.\n";
    writeFile(file("notes"), text);
    ASSERT_EQ(chmod(file("notes").c_str(), 0640), 0);
    fs::create_symlink("notes", file("link"));

    ASSERT_EQ(run({"encrypt -n 6 --password-env K -i notes -o notes"}).status, 0);
    EXPECT_EQ(readFile(file("notes")), windowEncrypt(text, u"Wheel key \u00A3 7", 20, 6));
    EXPECT_EQ(fs::status(file("notes")).permissions(), fs::perms(0640));

    ASSERT_EQ(run({"decrypt -n 6 --password-env K -i link -o link"}).status, 0);
    EXPECT_TRUE(fs::is_symlink(file("link")));
    EXPECT_EQ(readFile(file("notes")), text);

    // A link to a file not made yet gets that file.
    fs::create_symlink("later", file("ahead"));
    ASSERT_EQ(run({"encrypt --password-env K -i notes -o ahead"}).status, 0);
    EXPECT_TRUE(fs::is_symlink(file("ahead")));
    EXPECT_EQ(readFile(file("later")), windowEncrypt(text, u"Wheel key \u00A3 7", 20, 1));
    EXPECT_EQ(files(), (std::set<std::string>{"notes", "link", "ahead", "later"}));
}

TEST_F(VelmorTool, ListsItsWheelsAndVersion)
{
    std::string wheels;
    for (const std::string_view wheel : builtinWheelCodes()) (wheels += wheel) += '\n';
    EXPECT_EQ(run({"wheels"}).out, wheels);
    EXPECT_EQ(run({"--version"}).out.rfind("velmor ", 0), 0U);
}

}  // namespace
}  // namespace velmor::cli
