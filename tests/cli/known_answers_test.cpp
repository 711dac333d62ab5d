// SPDX-License-Identifier: MIT
// The velmor binary against the published known answers, and the digest of
// its wheel listing that the README and the manual page print.
#include "known_answers.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>

namespace velmor::cli {
namespace {

// The digest of `velmor wheels`, as published: a copy of the program that
// prints anything else cannot read what this one encrypts.
constexpr char kWheelListingSha256[] = "26376a58ffea270fd9d4855fedca9586ff56891da1503d2ff9fc5bc566487ddb";

// Runs velmor with `args`, nothing on its standard input and only the
// password in its environment, as variable K.
struct VelmorRun {
    VelmorRun(const QStringList& args, const QString& password = {})
    {
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("K"), password);  // UTF-8, which the tool never mistakes
        velmor.setProcessEnvironment(environment);
        velmor.setStandardInputFile(QProcess::nullDevice());
        velmor.start(QStringLiteral(VELMOR_BINARY), args);
        finished = velmor.waitForFinished(60000) && velmor.exitStatus() == QProcess::NormalExit;
    }
    QProcess velmor;
    bool finished = false;
};

TEST(KnownAnswers, VelmorGivesEveryRow)
{
    QTemporaryDir folder;
    const QString in = folder.filePath(QStringLiteral("in")), out = folder.filePath(QStringLiteral("out"));
    for (const test::KnownAnswer& row : test::knownAnswers()) {
        SCOPED_TRACE(row.name());
        std::ofstream(in.toStdString(), std::ios::binary) << row.input;
        VelmorRun run({row.direction == Direction::Encrypt ? "encrypt" : "decrypt", "-w", QString::number(row.wheels),
                       "-n", QString::number(row.passes), "--password-env", "K", "-i", in, "-o", out},
                      QString::fromStdU16String(row.passwordText()));
        ASSERT_TRUE(run.finished);
        ASSERT_EQ(run.velmor.exitCode(), 0) << run.velmor.readAllStandardError().toStdString();
        QFile output(out);
        ASSERT_TRUE(output.open(QIODevice::ReadOnly));
        EXPECT_TRUE(test::sameText(output.readAll().toStdString(), row.output));
    }
}

TEST(KnownAnswers, WheelListingHasThePublishedDigest)
{
    VelmorRun run({QStringLiteral("wheels")});
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.velmor.exitCode(), 0);
    EXPECT_EQ(QCryptographicHash::hash(run.velmor.readAllStandardOutput(), QCryptographicHash::Sha256).toHex(),
              kWheelListingSha256);
}

}  // namespace
}  // namespace velmor::cli
