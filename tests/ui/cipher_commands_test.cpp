// The ten encrypt and decrypt commands, driven through the real window: what
// they leave in the boxes, and what the window shows and blocks while they run.
#include "window_fixture.h"

#include <QDialog>
#include <QTest>

namespace velmor::ui::test {
namespace {

using CipherCommandsTest = WindowTest;

TEST_F(CipherCommandsTest, DecryptUndoesEncryptForEveryPassCount)
{
    std::mt19937 rng(11);
    QTest::keyClicks(&password(), QStringLiteral("Wheel\u00A3Key\"9"));
    for (const char* passes : {"", "3", "6", "9", "12"}) {
        SCOPED_TRACE(passes);
        const QString original = trickyText(rng, 3000) + allWindows1252Characters();
        input().setText(original);
        choose(QStringLiteral("EN") + QLatin1String(passes));
        EXPECT_EQ(input().text(), QString());
        EXPECT_EQ(output().text().size(), original.size());
        EXPECT_NE(output().text(), original);
        choose(QStringLiteral("DE") + QLatin1String(passes));
        EXPECT_EQ(input().text(), original);
        EXPECT_EQ(output().text(), QString());
    }
}

TEST_F(CipherCommandsTest, EncryptThreeEqualsEncryptOneThreeTimesWithTheTextMovedByHand)
{
    std::mt19937 rng(3);
    const QString original = trickyText(rng, 2000);
    QTest::keyClicks(&password(), QStringLiteral("three"));
    input().setText(original);
    choose(QStringLiteral("EN3"));
    const QString threeAtOnce = output().text();
    input().setText(original);
    for (int pass = 1; pass <= 3; ++pass) {
        if (pass > 1) input().setText(output().text());
        choose(QStringLiteral("EN"));
    }
    EXPECT_EQ(output().text(), threeAtOnce);
}

TEST_F(CipherCommandsTest, WrongPasswordWheelCountOrPassCountGivesOtherTextOfTheSameLengthSilently)
{
    const QString original = QString(500, u'p') + QStringLiteral("\r\nend");
    for (const QStringList& wrong : {QStringList{"key=wrong", "DE3"}, {"EW22", "key=right", "DE3"}, {"DE"}}) {
        choose(QStringLiteral("EW20"));
        password().setText(QStringLiteral("right"));
        input().setText(original);
        choose(QStringLiteral("EN3"));
        for (const QString& step : wrong) step.startsWith(u"key=") ? password().setText(step.mid(4)) : choose(step);
        EXPECT_EQ(input().text().size(), original.size());
        EXPECT_NE(input().text(), original);
    }
    EXPECT_TRUE(window.findChildren<QDialog*>().isEmpty()) << "no message may be shown";
}

// Large texts keep each command running long enough to be seen.
TEST_F(CipherCommandsTest, WhileACommandRunsTheStatusCountsItsSourceAndEditsAreBlocked)
{
    std::mt19937 rng(21);
    const QString big = trickyText(rng, 200000) + QStringLiteral("\r\n");
    QTest::keyClicks(&password(), QStringLiteral("busy"));
    for (const auto& [item, inputText, outputText, count] :
         {std::tuple{"EN", big, QString(), big.size()}, {"DE3", QString(), big, big.size()},
          {"EN12", QStringLiteral("ab\r\ncd"), big, qsizetype(6)}, {"EN9", QString(), big, qsizetype(0)}}) {
        input().setText(inputText);
        output().setText(outputText);
        child(QString::fromLatin1(item)).trigger();
        EXPECT_EQ(status().text(), QStringLiteral("Please Wait While Processing %1 Characters").arg(count));
        if (!window.isCommandRunning()) continue;
        EXPECT_TRUE(input().isReadOnly() && output().isReadOnly() && password().isReadOnly());
        for (const char* name : {"EN", "DE12", "EW4", "Ne", "Op", "SAET", "CTCET"})
            EXPECT_FALSE(child(QString::fromLatin1(name)).isEnabled()) << name;
        QTest::keyClicks(&password(), QStringLiteral("more"));
        child(QStringLiteral("EW4")).trigger();
        waitForCommand();
        EXPECT_EQ(status().text(), QString());
        EXPECT_EQ(password().text(), QStringLiteral("busy"));
        EXPECT_FALSE(input().isReadOnly() || output().isReadOnly() || password().isReadOnly());
    }
    EXPECT_EQ(window.wheelState().wheelCount(), 20);
    EXPECT_EQ(input().text() + output().text(), QString()) << "an empty source empties the destination";
}

}  // namespace
}  // namespace velmor::ui::test
