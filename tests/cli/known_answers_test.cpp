// SPDX-License-Identifier: MIT
// The velmor binary against the published known answers, and the digest of
// its wheel listing that the README and the manual page print.
#include "known_answers.h"

#include <QCryptographicHash>
#include <QString>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace velmor::cli {
namespace {

namespace fs = std::filesystem;

// The digest of `velmor wheels`, as published: a copy of the program that
// prints anything else cannot read what this one encrypts.
constexpr char kWheelListingSha256[] = "26376a58ffea270fd9d4855fedca9586ff56891da1503d2ff9fc5bc566487ddb";

std::string readFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

class KnownAnswers : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::path(::testing::TempDir()) / "velmor-answers-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
    }
    void TearDown() override { fs::remove_all(root_); }

    // Runs velmor with `args`, the password in variable K; its standard
    // output goes to the file "stdout", its messages to "stderr".
    int run(const std::vector<std::string>& args, const std::string& password = {}) const
    {
        std::vector<char*> argv{const_cast<char*>(VELMOR_BINARY)};
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        const std::string variable = "K=" + password;
        std::vector<char*> envp{const_cast<char*>(variable.c_str()), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        const std::string out = (root_ / "stdout").string(), err = (root_ / "stderr").string();
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = 0;
        const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) return -1;
        int status = 0;
        if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
        return WEXITSTATUS(status);
    }

    fs::path root_;
};

TEST_F(KnownAnswers, VelmorGivesEveryRow)
{
    for (const test::KnownAnswer& row : test::knownAnswers()) {
        SCOPED_TRACE(row.name());
        std::ofstream(root_ / "in", std::ios::binary) << row.input;
        const int status = run({row.direction == Direction::Encrypt ? "encrypt" : "decrypt", "-w",
                                std::to_string(row.wheels), "-n", std::to_string(row.passes), "--password-env", "K",
                                "-i", (root_ / "in").string(), "-o", (root_ / "out").string()},
                               // UTF-8, which the tool never mistakes for other characters.
                               QString::fromStdU16String(row.passwordText()).toStdString());
        ASSERT_EQ(status, 0) << readFile(root_ / "stderr");
        EXPECT_TRUE(test::sameText(readFile(root_ / "out"), row.output));
    }
}

TEST_F(KnownAnswers, WheelListingHasThePublishedDigest)
{
    ASSERT_EQ(run({"wheels"}), 0);
    const std::string listing = readFile(root_ / "stdout");
    EXPECT_EQ(QCryptographicHash::hash(QByteArrayView(listing), QCryptographicHash::Sha256).toHex().toStdString(),
              kWheelListingSha256);
}

}  // namespace
}  // namespace velmor::cli
