// The velmor binary as users run it: round trips over every kind of line
// ending and byte, agreement with the window's passes, and failures that
// give the right status and one message and leave no file behind.
#include "velmor_process.h"

#include "engine/builtin_wheels.h"
#include "engine/wheel_state.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <thread>

namespace velmor::cli::testing {
namespace {

namespace fs = std::filesystem;
using Env = std::vector<std::pair<std::string, std::string>>;

constexpr const char* kKeyVariable = "VELMOR_TEST_KEY";
const std::string kKey = "Wheel key \xC2\xA3 7";  // UTF-8, so U+00A3 is one character
const std::u16string kKey16 = u"Wheel key \u00A3 7";

std::string randomBytes(std::mt19937& rng, std::size_t length)
{
    std::uniform_int_distribution<int> byte(0, 255);
    std::string text(length, '\0');
    for (char& c : text) c = static_cast<char>(byte(rng));
    return text;
}

// The window's multi-pass command: each pass keys the wheels afresh, runs
// the step-by-step pass and restores the wheels.
std::string windowPasses(std::string text, std::u16string_view password, int wheels, int passes, Direction direction)
{
    WheelState state;
    state.LoadWheels();
    state.setWheelCount(wheels);
    for (int pass = 0; pass < passes; ++pass) {
        state.KeyWheels(password);
        if (direction == Direction::Encrypt) {
            state.setStepWheel(1);
            text = state.EncryptPass<char>(text);
        } else {
            text = state.DecryptPass<char>(text);
        }
        state.RestoreWheels();
    }
    return text;
}

class VelmorTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::path(::testing::TempDir()) / "velmor-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        fs::create_directory(root_ / "files");
    }

    void TearDown() override { fs::remove_all(root_); }

    std::string file(const std::string& name) const { return (root_ / "files" / name).string(); }

    Launch launch(std::vector<std::string> args, Env env = {{kKeyVariable, kKey}}) const
    {
        Launch l;
        l.args = std::move(args);
        l.env = std::move(env);
        l.stdoutPath = (root_ / "stdout").string();
        l.stderrPath = (root_ / "stderr").string();
        return l;
    }

    Result run(std::vector<std::string> args, Env env = {{kKeyVariable, kKey}}, std::string stdinPath = "/dev/null")
    {
        Launch l = launch(std::move(args), std::move(env));
        l.stdinPath = std::move(stdinPath);
        return runToEnd(l);
    }

    // Encrypts or decrypts file `from` into file `to`.
    Result cipher(const std::string& command, const std::string& from, const std::string& to, int wheels, int passes,
                  const std::string& key = kKey)
    {
        return run({command, "-w", std::to_string(wheels), "-n", std::to_string(passes), "--password-env",
                    kKeyVariable, "-i", file(from), "-o", file(to)},
                   {{kKeyVariable, key}});
    }

    std::set<std::string> filesPresent() const
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(root_ / "files")) names.insert(entry.path().filename());
        return names;
    }

    fs::path root_;
};

void expectOneLineFailure(const Result& result, int status, const std::string& fragment)
{
    EXPECT_EQ(result.finished.exitStatus, status) << result.err;
    EXPECT_EQ(result.err.rfind("velmor: ", 0), 0U) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_NE(result.err.find(fragment), std::string::npos) << result.err;
}

TEST_F(VelmorTool, RoundTripsKeepEveryByte)
{
    std::mt19937 rng(31);
    std::string allBytes;
    for (int b = 0; b < 256; ++b) allBytes += static_cast<char>(b);
    const std::vector<std::pair<std::string, std::string>> texts{
        {"empty", ""},
        {"lf", "First line\nSecond \"quoted\" line\n\nEnd\n"},
        {"crlf", "First line\r\nSecond line\r\n\r\nEnd\r\n"},
        {"lone cr", "First line\rSecond line\r\rEnd"},
        {"mixed", "a\r\nb\nc\rd\n\re\r\n\n"},
        {"nul", std::string("plain\0text\0\0with NULs\0", 23)},
        {"all bytes", allBytes + allBytes},
        {"random", randomBytes(rng, 700'000)},
    };
    for (const auto& [wheels, passes] : {std::pair{4, 1}, {20, 12}, {30, 3}}) {
        for (const auto& [name, text] : texts) {
            SCOPED_TRACE(name + ", " + std::to_string(wheels) + " wheels, " + std::to_string(passes) + " passes");
            writeFile(file("plain"), text);
            const std::string fourCharacters = "\xC2\xA3 k\xC2\xAC";
            const Result encrypted = cipher("encrypt", "plain", "cipher", wheels, passes, fourCharacters);
            ASSERT_EQ(encrypted.finished.exitStatus, 0) << encrypted.err;
            EXPECT_EQ(encrypted.err, "");
            const Result decrypted = cipher("decrypt", "cipher", "back", wheels, passes, fourCharacters);
            ASSERT_EQ(decrypted.finished.exitStatus, 0) << decrypted.err;
            const std::string ciphered = readFile(file("cipher"));
            EXPECT_EQ(ciphered.size(), text.size());
            if (text.find('a') != std::string::npos) {
                EXPECT_NE(ciphered, text);
            }
            EXPECT_EQ(readFile(file("back")), text);
            EXPECT_EQ(filesPresent(), (std::set<std::string>{"plain", "cipher", "back"}));
        }
    }
}

TEST_F(VelmorTool, AgreesWithTheWindowsPassesThroughFilesAndPipes)
{
    std::mt19937 rng(32);
    std::uniform_int_distribution<int> alphabetCode(35, 126);
    for (const std::size_t length : {1UL, 96UL, 97UL, 5000UL, 300'000UL}) {
        const int wheels = 4 + 2 * static_cast<int>(rng() % 14);
        const int passes = kPassCounts[rng() % kPassCounts.size()];
        std::string password;
        for (int i = 0; i < wheels; ++i) password += static_cast<char>(alphabetCode(rng));
        const std::u16string password16(password.begin(), password.end());
        const std::string text = randomBytes(rng, length);
        writeFile(file("text"), text);
        const Env env{{kKeyVariable, password}};
        const std::vector<std::string> options{"-w", std::to_string(wheels), "-n", std::to_string(passes),
                                               "--password-env", kKeyVariable};
        SCOPED_TRACE(std::to_string(length) + " bytes, " + std::to_string(wheels) + " wheels, " +
                     std::to_string(passes) + " passes");

        for (const auto direction : {Direction::Encrypt, Direction::Decrypt}) {
            std::vector<std::string> args{direction == Direction::Encrypt ? "encrypt" : "decrypt"};
            args.insert(args.end(), options.begin(), options.end());
            const std::string expected = windowPasses(text, password16, wheels, passes, direction);

            // Standard input from a file, whose size velmor can see.
            const Result fromFile = run(args, env, file("text"));
            ASSERT_EQ(fromFile.finished.exitStatus, 0) << fromFile.err;
            EXPECT_EQ(fromFile.out, expected);

            // Standard input from a pipe, whose length velmor cannot know.
            int fds[2];
            ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
            Launch l = launch(args, env);
            l.stdinFd = fds[0];
            VelmorProcess process(l);
            close(fds[0]);
            ASSERT_EQ(write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
            close(fds[1]);
            ASSERT_EQ(process.wait().exitStatus, 0);
            EXPECT_EQ(readFile(l.stdoutPath), expected);
        }
    }
}

TEST_F(VelmorTool, PasswordsAreTakenExactlyFromEverySource)
{
    const std::string text = "The same text under several passwords.\r\n";
    writeFile(file("text"), text);
    const auto encryptWith = [&](std::vector<std::string> source, Env env) {
        std::vector<std::string> args{"encrypt", "-i", file("text")};
        args.insert(args.end(), source.begin(), source.end());
        const Result result = run(args, env);
        EXPECT_EQ(result.finished.exitStatus, 0) << result.err;
        return result;
    };
    const std::string expected = windowPasses(text, u"\u00A3 key \u00AC", 20, 1, Direction::Encrypt);

    EXPECT_EQ(encryptWith({"--password-env", "K"}, {{"K", "\xC2\xA3 key \xC2\xAC"}}).out, expected);
    EXPECT_EQ(encryptWith({"--password-env", "K"}, {{"K", "\xA3 key \xAC"}}).out, expected);
    for (const std::string ending : {"", "\n", "\r\n"}) {
        writeFile(file("key"), "\xC2\xA3 key \xC2\xAC" + ending);
        EXPECT_EQ(encryptWith({"--password-file", file("key")}, {}).out, expected) << "ending size " << ending.size();
    }
    // Spaces and case count: these passwords give other text.
    for (const std::string other : {"\xC2\xA3 key \xC2\xAC ", "\xC2\xA3 KEY \xC2\xAC", "\xC2\xA3key\xC2\xAC"})
        EXPECT_NE(encryptWith({"--password-env", "K"}, {{"K", other}}).out, expected);

    // A character on no wheel works as in the window, with a warning.
    const Result quoted = encryptWith({"--password-env", "K"}, {{"K", "ab\"d\te"}});
    EXPECT_EQ(quoted.out, windowPasses(text, u"ab\"d\te", 20, 1, Direction::Encrypt));
    EXPECT_NE(quoted.err.find("warning: password characters 3 and 5 are on no wheel"), std::string::npos) << quoted.err;
}

TEST_F(VelmorTool, BadRequestsFailWithTheirStatusAndLeaveNoFile)
{
    writeFile(file("in"), "some text");
    fs::create_directory(file("folder"));
    const std::string out = file("out");
    const std::string tooLong(21, 'k');
    struct Case {
        std::vector<std::string> args;
        Env env;
        int status;
        std::string fragment;
    };
    const Env key{{kKeyVariable, kKey}};
    const std::vector<std::string> keyed{"--password-env", kKeyVariable};
    const auto with = [](std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    const std::vector<Case> cases{
        {{}, key, 2, "a command is needed"},
        {{"scramble"}, key, 2, "scramble"},
        {with({"encrypt", "--bogus", "-i", file("in"), "-o", out}, keyed), key, 2, "--bogus"},
        {with({"encrypt", "-w", "5", "-i", file("in"), "-o", out}, keyed), key, 2, "wheel count 5"},
        {with({"decrypt", "-w", "32", "-i", file("in"), "-o", out}, keyed), key, 2, "wheel count 32"},
        {with({"encrypt", "-n", "4", "-i", file("in"), "-o", out}, keyed), key, 2, "pass count 4"},
        {with({"encrypt", "-w", "twenty", "-i", file("in"), "-o", out}, keyed), key, 2, "twenty"},
        {with({"encrypt", "-i", file("missing"), "-o", out}, keyed), key, 2, "does not exist"},
        {with({"encrypt", "-i", file("in"), "-o", out}, keyed), {{kKeyVariable, tooLong}}, 2, "21 characters"},
        {{"encrypt", "-w", "30", "-i", file("in"), "-o", out, "--password-env", "VELMOR_UNSET"}, {}, 2, "not set"},
        {{"encrypt", "-i", file("in"), "-o", out, "--password-file", file("missing")}, {}, 2, "does not exist"},
        {{"encrypt", "-i", file("in"), "-o", out, "--password-file", file("in"), "--password-env", kKeyVariable},
         key,
         2,
         "excludes"},
        {{"encrypt", "-i", file("in"), "-o", out}, {}, 2, "no terminal"},
        {with({"encrypt", "-i", file("folder"), "-o", out}, keyed), key, 1, "folder"},
        {with({"encrypt", "-i", file("in"), "-o", file("no/such/folder/out")}, keyed), key, 1, "cannot write"},
        {with({"encrypt", "-i", file("in"), "-o", file("folder")}, keyed), key, 1, "folder"},
        {with({"encrypt", "-i", file("in"), "-o", "/dev/full"}, keyed), key, 1, "No space left on device"},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const auto& a : c.args) line += a + " ";
        SCOPED_TRACE(line);
        expectOneLineFailure(run(c.args, c.env), c.status, c.fragment);
        EXPECT_EQ(filesPresent(), (std::set<std::string>{"in", "folder"}));
        EXPECT_TRUE(fs::is_empty(file("folder")));
    }
}

TEST_F(VelmorTool, AFailedWriteLeavesTheOldOutput)
{
    std::mt19937 rng(33);
    writeFile(file("in"), randomBytes(rng, 1'000'000));
    writeFile(file("out"), "the previous result");
    Launch l = launch({"encrypt", "--password-env", kKeyVariable, "-i", file("in"), "-o", file("out")});
    l.fileSizeLimit = 300'000;
    const Result result = runToEnd(l);
    expectOneLineFailure(result, 1, "File too large");
    EXPECT_EQ(readFile(file("out")), "the previous result");
    EXPECT_EQ(filesPresent(), (std::set<std::string>{"in", "out"}));

    // The same to standard output: the failure is reported, not hidden.
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
    close(fds[0]);
    Launch toClosedPipe = launch({"encrypt", "--password-env", kKeyVariable, "-i", file("in")});
    toClosedPipe.stdoutFd = fds[1];
    VelmorProcess process(toClosedPipe);
    close(fds[1]);
    EXPECT_EQ(process.wait().exitStatus, 1);
    expectOneLineFailure({{1, 0}, "", readFile(toClosedPipe.stderrPath)}, 1, "Broken pipe");
}

TEST_F(VelmorTool, AnInterruptLeavesTheOldOutput)
{
    std::mt19937 rng(34);
    const std::string chunk = randomBytes(rng, 2'000'000);
    for (const int signalNumber : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signalNumber);
        writeFile(file("out"), "the previous result");
        int fds[2];
        ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
        Launch l = launch({"encrypt", "--password-env", kKeyVariable, "-o", file("out")});
        l.stdinFd = fds[0];
        VelmorProcess process(l);
        close(fds[0]);
        // The pipe stays open: velmor is in the middle of the stream.
        ASSERT_EQ(write(fds[1], chunk.data(), chunk.size()), static_cast<ssize_t>(chunk.size()));
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        bool partial = false;
        while (!partial && std::chrono::steady_clock::now() < deadline) {
            for (const auto& entry : fs::directory_iterator(root_ / "files"))
                partial = partial || (entry.path().filename() != "out" && entry.file_size() > 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_TRUE(partial) << "no partial output appeared";

        ASSERT_EQ(kill(process.pid(), signalNumber), 0);
        const Finished finished = process.wait();
        close(fds[1]);
        EXPECT_EQ(finished.signal, signalNumber);
        EXPECT_EQ(readFile(file("out")), "the previous result");
        EXPECT_EQ(filesPresent(), (std::set<std::string>{"out"}));
    }
}

TEST_F(VelmorTool, ReplacingAFileKeepsItsModeAndLinks)
{
    const std::string text = "Encrypted where it stands.\n";
    writeFile(file("notes"), text);
    ASSERT_EQ(chmod(file("notes").c_str(), 0640), 0);
    fs::create_symlink("notes", file("link"));

    ASSERT_EQ(cipher("encrypt", "notes", "notes", 20, 6).finished.exitStatus, 0);
    EXPECT_EQ(readFile(file("notes")), windowPasses(text, kKey16, 20, 6, Direction::Encrypt));
    EXPECT_EQ(fs::status(file("notes")).permissions(), fs::perms(0640));

    ASSERT_EQ(cipher("decrypt", "link", "link", 20, 6).finished.exitStatus, 0);
    EXPECT_TRUE(fs::is_symlink(file("link")));
    EXPECT_EQ(readFile(file("notes")), text);
    EXPECT_EQ(fs::status(file("notes")).permissions(), fs::perms(0640));
    EXPECT_EQ(filesPresent(), (std::set<std::string>{"notes", "link"}));
}

TEST_F(VelmorTool, WheelsHelpAndVersion)
{
    std::string wheels;
    for (const std::string_view wheel : builtinWheelCodes()) wheels += std::string(wheel) + "\n";
    EXPECT_EQ(run({"wheels"}).out, wheels);
    EXPECT_NE(run({"decrypt", "--help"}).out.find("--password-file"), std::string::npos);
    EXPECT_EQ(run({"--version"}).out.rfind("velmor ", 0), 0U);
}

}  // namespace
}  // namespace velmor::cli::testing
