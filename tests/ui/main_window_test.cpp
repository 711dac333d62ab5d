// SPDX-License-Identifier: MIT
// The window's own commands: the published known answers through its menus
// and boxes, the wheel counts and the password box, what it shows and blocks
// while an encrypt or decrypt runs, and Exit and the close request, which end
// the event loop with status 0 in every state.
#include "window_fixture.h"

#include "known_answers.h"
#include "ui/captions.h"

#include <QApplication>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <QTimer>

namespace velmor::ui::test {
namespace {

using MainWindowTest = WindowTest;
using KnownAnswersTest = WindowTest;

TEST_F(KnownAnswersTest, WindowGivesEveryRow)
{
    for (const velmor::test::KnownAnswer& row : velmor::test::knownAnswers()) {
        SCOPED_TRACE(row.name());
        const bool encrypt = row.direction == Direction::Encrypt;
        choose(QStringLiteral("EW%1").arg(row.wheels));
        password().setText(QString::fromStdU16String(row.passwordText()));
        ASSERT_EQ(password().text().toStdU16String(), row.passwordText());
        (encrypt ? input() : output()).setText(velmor::test::widened<QString>(row.input));
        choose((encrypt ? QStringLiteral("EN") : QStringLiteral("DE")) +
               (row.passes == 1 ? QString() : QString::number(row.passes)));
        const QString result = (encrypt ? output() : input()).text();
        EXPECT_TRUE(velmor::test::sameText(result, velmor::test::widened<QString>(row.output)));
    }
}

TEST_F(MainWindowTest, EachWheelCountLimitsAndEmptiesTheMaskedPasswordAndLeavesTheBoxes)
{
    const QString typed = QStringLiteral("abcdefghijklmnopqrstuvwxyz\u00A3123456789ABCDEFGH");
    input().setText(QStringLiteral("plain\r\n"));
    output().setText(QStringLiteral("cipher\n"));
    const auto check = [&](int count) {
        SCOPED_TRACE(count);
        EXPECT_EQ(window.wheelState().wheelCount(), count);
        EXPECT_EQ(child<QMenu>(QStringLiteral("EW")).title(), wheelCountCaption(count));
        EXPECT_EQ(password().text(), QString());
        QTest::keyClicks(&password(), typed);
        EXPECT_EQ(password().text(), typed.left(count));
        EXPECT_EQ(password().displayText(), QString(count, u'*'));
    };
    check(20);
    for (int count = 4; count <= 30; count += 2) {
        choose(QStringLiteral("EW%1").arg(count));
        check(count);
    }
    choose(QStringLiteral("PassS"));
    EXPECT_EQ(password().displayText(), typed.left(30));
    choose(QStringLiteral("PassH"));
    EXPECT_EQ(password().displayText(), QString(30, u'*'));
    EXPECT_EQ(input().text() + output().text(), QStringLiteral("plain\r\ncipher\n"));
}

// A command runs until the window's events are processed again, so every
// check between choosing it and waitForCommand() sees it running.
TEST_F(MainWindowTest, WhileACommandRunsTheStatusCountsItsSourceAndInputIsBlocked)
{
    const QString big = QString(100000, u'x') + QStringLiteral("\r\n");
    QLabel& status = child<QLabel>(QStringLiteral("Label1"));
    QTest::keyClicks(&password(), QStringLiteral("busy"));
    // Decrypt counts the output box, encrypt the input box, here empty.
    for (const auto& [item, count] : {std::pair{"DE3", big.size()}, {"EN9", qsizetype(0)}}) {
        SCOPED_TRACE(item);
        input().setText(QString());
        output().setText(big);
        child(QString::fromLatin1(item)).trigger();
        ASSERT_TRUE(window.isCommandRunning());
        EXPECT_EQ(status.text(), statusText(count));
        for (QWidget* box : std::initializer_list<QWidget*>{&input(), &output(), &password()})
            EXPECT_TRUE(box->property("readOnly").toBool()) << box->objectName().toStdString();
        for (const char* name : {"EN", "DE12", "EW4", "Ne", "Op", "SAET", "CTCET"})
            EXPECT_FALSE(child(QString::fromLatin1(name)).isEnabled()) << name;
        QTest::keyClicks(&password(), QStringLiteral("more"));
        child(QStringLiteral("EW4")).trigger();
        waitForCommand();
        EXPECT_EQ(status.text(), QString());
        EXPECT_EQ(password().text(), QStringLiteral("busy"));
        for (QWidget* box : std::initializer_list<QWidget*>{&input(), &output(), &password()})
            EXPECT_FALSE(box->property("readOnly").toBool()) << box->objectName().toStdString();
    }
    EXPECT_EQ(window.wheelState().wheelCount(), 20);
    EXPECT_EQ(input().text() + output().text(), QString()) << "an empty source empties the destination";
}

TEST(ShrinkAndExit, ExitAndCloseEndWithStatusZeroInEveryState)
{
    enum class State { Shown, Minimised, Running };
    for (const auto& [state, fromMenu] : {std::pair{State::Shown, true}, {State::Shown, false},
                                          {State::Minimised, false}, {State::Running, false}}) {
        ShownWindow shown;
        MainWindow& window = shown.window;
        // Near the screen's end, so that the animation has few steps to go.
        window.move(window.x(), window.screen()->geometry().width() - 40);
        if (state == State::Minimised) window.showMinimized();
        if (state == State::Running) window.inputBox().setText(QString(300000, u'x'));
        const QRect before = window.geometry();
        QObject timers;  // gone, with its timers, after each round
        QTimer::singleShot(0, &timers, [&window, state, fromMenu] {
            if (state == State::Running) window.findChild<QAction*>(QStringLiteral("EN12"))->trigger();
            fromMenu ? window.findChild<QAction*>(QStringLiteral("EXI"))->trigger() : void(window.close());
        });
        QTimer::singleShot(20000, &timers, [] { QCoreApplication::exit(99); });
        EXPECT_EQ(QApplication::exec(), 0);
        EXPECT_EQ(window.outputBox().text(), QString()) << "a result after the close request is not written";
        if (state != State::Shown) continue;
        const QRect after = window.geometry();
        EXPECT_GT(after.top(), window.screen()->geometry().width()) << "it slid away";
        EXPECT_EQ(after.left() - before.left(), after.top() - before.top());
        EXPECT_LT(after.width(), before.width());
    }
}

}  // namespace
}  // namespace velmor::ui::test
