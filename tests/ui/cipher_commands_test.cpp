// The ten encrypt and decrypt commands, driven through the real window: what
// they leave in the boxes, what the status label says while they run, and
// what is blocked until they end.
#include "window_fixture.h"

#include "engine/passes.h"

#include <QApplication>
#include <QDialog>
#include <QTest>

namespace velmor::ui::test {
namespace {

using CipherCommandsTest = WindowTest;

bool wheelsRestored(const WheelState& state)
{
    for (int wheel = 1; wheel <= kMaxWheelCount; ++wheel)
        if (state.workingWheel(wheel) != state.pristineWheel(wheel)) return false;
    return true;
}

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
        EXPECT_EQ(status().text(), QString());
        EXPECT_TRUE(wheelsRestored(window.wheelState()));
    }
}

// The window must hand the engine the box's characters, the password and the
// wheel count unchanged, and keep the state the passes leave.
TEST_F(CipherCommandsTest, ResultsAndStateEqualTheEnginesOnTheSameText)
{
    std::mt19937 rng(5);
    const QString text = trickyText(rng, 5000);
    const QString key = QStringLiteral("\u00AC8wheels");
    choose(QStringLiteral("EW8"));
    QTest::keyClicks(&password(), key);
    input().setText(text);
    choose(QStringLiteral("EN6"));

    WheelState reference;
    reference.LoadWheels();
    reference.setWheelCount(8);
    QString expected = text;
    runPasses(reference, Direction::Encrypt, std::u16string_view(reinterpret_cast<const char16_t*>(key.utf16()), 8),
              6, std::span(reinterpret_cast<char16_t*>(expected.data()), static_cast<std::size_t>(expected.size())));
    EXPECT_EQ(output().text(), expected);
    EXPECT_EQ(window.wheelState().stepWheel(), reference.stepWheel());
    for (int pair = 1; pair <= 15; ++pair) EXPECT_EQ(window.wheelState().pairPosition(pair), reference.pairPosition(pair));
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

    input().setText(original);
    choose(QStringLiteral("EN6"));
    choose(QStringLiteral("DE3"));
    EXPECT_EQ(input().text(), threeAtOnce);
}

TEST_F(CipherCommandsTest, WrongPasswordWheelCountOrPassCountGivesOtherTextOfTheSameLengthSilently)
{
    std::mt19937 rng(8);
    const QString original = printableText(rng, 500) + QStringLiteral("\r\nend");
    const std::vector<std::vector<QString>> wrongs{{"key=wrong", "DE3"}, {"EW22", "key=right", "DE3"}, {"DE"}};
    for (const std::vector<QString>& wrong : wrongs) {
        choose(QStringLiteral("EW20"));
        QTest::keyClicks(&password(), QStringLiteral("right"));
        input().setText(original);
        choose(QStringLiteral("EN3"));
        for (const QString& step : wrong) {
            if (step.startsWith(u"key="))
                password().setText(step.mid(4));
            else
                choose(step);
        }
        EXPECT_EQ(input().text().size(), original.size());
        EXPECT_NE(input().text(), original);
    }
    EXPECT_TRUE(window.findChildren<QDialog*>().isEmpty()) << "no message may be shown";
}

TEST_F(CipherCommandsTest, StatusTextCountsTheSourceBoxWhileTheCommandRuns)
{
    const std::vector<std::tuple<const char*, QString, QString, const char*>> cases{
        {"EN", QStringLiteral("ab\r\ncd"), QString(250, u'x'), "6"},
        {"DE3", QStringLiteral("ab\r\ncd"), QString(250, u'x'), "250"},
        {"EN9", QString(), QStringLiteral("old result"), "0"},
    };
    for (const auto& [item, inputText, outputText, count] : cases) {
        input().setText(inputText);
        output().setText(outputText);
        child(QString::fromLatin1(item)).trigger();
        EXPECT_EQ(status().text(), QStringLiteral("Please Wait While Processing %1 Characters").arg(count));
        waitForCommand();
        EXPECT_EQ(status().text(), QString());
    }
    EXPECT_EQ(output().text(), QString()) << "an empty source empties the destination";
}

TEST_F(CipherCommandsTest, BoxesPasswordAndOtherCommandsAreBlockedUntilTheResultIsWritten)
{
    std::mt19937 rng(21);
    const QString original = trickyText(rng, 200000);
    QTest::keyClicks(&password(), QStringLiteral("busy"));
    input().setText(original);
    child(QStringLiteral("EN12")).trigger();
    ASSERT_TRUE(window.isCommandRunning());

    EXPECT_TRUE(input().isReadOnly() && output().isReadOnly() && password().isReadOnly());
    for (const char* name : {"EN", "EN12", "DE", "DE12", "EW4", "EW30", "Ne", "Op", "SAET", "CTCET"})
        EXPECT_FALSE(child(QString::fromLatin1(name)).isEnabled()) << name;
    for (const char* name : {"IF", "EXI", "PassS", "PassH"}) EXPECT_TRUE(child(QString::fromLatin1(name)).isEnabled());
    QTest::keyClicks(&password(), QStringLiteral("more"));
    QTest::keyClicks(&input(), QStringLiteral("typed"));
    child(QStringLiteral("EW4")).trigger();
    child(QStringLiteral("DE")).trigger();

    waitForCommand();
    EXPECT_EQ(input().text(), QString());
    EXPECT_EQ(password().text(), QStringLiteral("busy"));
    EXPECT_EQ(window.wheelState().wheelCount(), 20);
    EXPECT_FALSE(input().isReadOnly() || output().isReadOnly() || password().isReadOnly());
    EXPECT_TRUE(child(QStringLiteral("EW4")).isEnabled() && child(QStringLiteral("Ne")).isEnabled());
    choose(QStringLiteral("DE12"));
    EXPECT_EQ(input().text(), original);
}

}  // namespace
}  // namespace velmor::ui::test
