// SPDX-License-Identifier: MIT
// The window's own commands: the published known answers through its menus,
// boxes and wheel counts, the password box, the File menu on real
// files and the clipboard, Exit and the close request, which end the
// event loop with status 0 in every state, and a stale cipher walk setting,
// told once.
#include "window_fixture.h"

#include "engine/cipher.h"
#include "engine/table_walk.h"
#include "io/windows1252.h"
#include "known_answers.h"

#include <random>

namespace velmor::ui::test {
namespace {

using MainWindowTest = WindowTest;
using KnownAnswersTest = WindowTest;

// Gives `row` to the window through its wheel menu, password box and
// command menu, and returns the box the result went to.
QString resultOf(MainWindow& window, const velmor::test::KnownAnswer& row)
{
    const bool encrypt = row.direction == Direction::Encrypt;
    QLineEdit& password = *window.findChild<QLineEdit*>(QStringLiteral("txtKey"));
    password.setText(QStringLiteral("left over"));
    window.findChild<QAction*>(QStringLiteral("EW%1").arg(row.wheels))->trigger();
    EXPECT_EQ(password.text(), QString()) << "a wheel count empties the password";
    EXPECT_EQ(password.maxLength(), row.wheels);
    password.setText(QString::fromStdU16String(row.passwordText()));
    EXPECT_EQ(password.text().toStdU16String(), row.passwordText());
    (encrypt ? window.inputBox() : window.outputBox()).setText(velmor::test::widened<QString>(row.input));
    QSignalSpy finished(&window, &MainWindow::commandFinished);
    window.findChild<QAction*>((encrypt ? QStringLiteral("EN") : QStringLiteral("DE")) +
                               (row.passes == 1 ? QString() : QString::number(row.passes)))
        ->trigger();
    EXPECT_TRUE(!finished.isEmpty() || finished.wait(30000)) << "the command did not finish";
    return (encrypt ? window.outputBox() : window.inputBox()).text();
}

TEST_F(KnownAnswersTest, WindowGivesEveryRow)
{
    for (const velmor::test::KnownAnswer& row : velmor::test::knownAnswers()) {
        SCOPED_TRACE(row.name());
        EXPECT_TRUE(velmor::test::sameText(resultOf(window, row), velmor::test::widened<QString>(row.output)));
    }
}

TEST_F(MainWindowTest, ThePasswordIsMaskedUntilShown)
{
    QTest::keyClicks(&password(), QStringLiteral("typed \u00A3"));
    EXPECT_EQ(password().displayText(), QString(7, u'*'));
    choose(QStringLiteral("PassS"));
    EXPECT_EQ(password().displayText(), QStringLiteral("typed \u00A3"));
    choose(QStringLiteral("PassH"));
    EXPECT_EQ(password().displayText(), QString(7, u'*'));
}

// A password holds Windows-1252 characters only, as `velmor` and the page
// take it: anything else, typed or pasted, is refused whole and the status
// says why; characters on no wheel but in Windows-1252 are taken.
TEST_F(MainWindowTest, ThePasswordTakesOnlyWindows1252CharactersAndNeverHalfOfOne)
{
    QLabel& status = child<QLabel>(QStringLiteral("Label1"));
    const auto type = [this](const QString& typed) {
        QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, typed);
        QApplication::sendEvent(&password(), &key);
    };
    for (const QChar c : QStringLiteral("a\u00E9\u20AC")) type(c);
    QApplication::clipboard()->setText(QStringLiteral("\u0081"));
    password().paste();
    EXPECT_EQ(password().text(), QStringLiteral("a\u00E9\u20AC\u0081"));
    EXPECT_EQ(status.text(), QString());
    const QString emoji = QStringLiteral("\U0001F600");
    // A key gives no lone surrogate; a paste can.
    for (const auto& [refused, pasted] : {std::pair{QStringLiteral("\u0100"), false}, {QStringLiteral("\u0100"), true},
                                          {emoji, false}, {emoji, true}, {QStringLiteral("x\u0100y"), true},
                                          {QString(QChar(0xD83D)), true}}) {
        SCOPED_TRACE(::testing::Message() << "U+" << std::hex << int(refused.front().unicode()) << (pasted ? " pasted" : " typed"));
        password().end(false);
        if (pasted) {
            QApplication::clipboard()->setText(refused);
            password().paste();
        } else {
            type(refused);
        }
        EXPECT_EQ(password().text(), QStringLiteral("a\u00E9\u20AC\u0081"));
        EXPECT_TRUE(status.text().contains(QStringLiteral("Windows-1252"))) << status.text().toStdString();
        status.clear();
    }
    // The last place left: an emoji there is refused, not cut in half.
    password().setText(QString(19, u'k'));
    QApplication::clipboard()->setText(emoji);
    password().paste();
    EXPECT_EQ(password().text(), QString(19, u'k'));
    type(QStringLiteral("\u00A3"));
    EXPECT_EQ(password().text(), QString(19, u'k') + u'\u00A3');
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
        QObject timers;  // gone, with its timers, after each round
        QTimer::singleShot(0, &timers, [&window, state, fromMenu] {
            if (state == State::Running) window.findChild<QAction*>(QStringLiteral("EN12"))->trigger();
            fromMenu ? window.findChild<QAction*>(QStringLiteral("EXI"))->trigger() : void(window.close());
        });
        QTimer::singleShot(20000, &timers, [] { QCoreApplication::exit(99); });
        EXPECT_EQ(QApplication::exec(), 0);
        EXPECT_EQ(window.outputBox().text(), QString()) << "a result after the close request is not written";
        if (state == State::Shown) {
            EXPECT_GT(window.geometry().top(), window.screen()->geometry().width()) << "it slid away";
        }
    }
}

// The window's cipher itself is pinned by the known answers; here the file
// must reach it, and the result the file, byte for byte.
TEST_F(MainWindowTest, FilesComeBackByteForByteAndTheSavedFileIsTheCipherOfTheOpenedOne)
{
    QTemporaryDir folder;
    QByteArray original = QByteArrayLiteral("a\r\nb\nc\rd\n\re\r\r\nf\n\n\r\r\0");
    for (int value = 0; value < 256; ++value) original += static_cast<char>(value);
    std::mt19937 rng(1252);
    for (int i = 0; i < 20000; ++i) original += static_cast<char>(rng());
    const QString key = QStringLiteral("K\u00A3y9WheelsOnTheVelmorMa"), plain = folder.filePath("plain");
    choose(QStringLiteral("EW26"));
    QTest::keyClicks(&password(), key);
    ASSERT_TRUE(io::testing::writeBytes(plain, original));
    dialogs.answers = {plain, folder.filePath("encrypted"), folder.filePath("encrypted"), folder.filePath("decrypted")};
    for (const char* item : {"Op", "EN9", "SAET", "Ne", "OET", "DE9", "SAs"}) choose(QString::fromLatin1(item));
    EXPECT_TRUE(dialogs.answers.empty());
    std::string expected = original.toStdString();
    Cipher::forPassword(key.toStdU16String(), 26, 9, Direction::Encrypt).apply(expected, 0);
    EXPECT_TRUE(io::testing::readBytes(folder.filePath("encrypted")).toStdString() == expected);
    EXPECT_TRUE(io::testing::readBytes(folder.filePath("decrypted")) == original) << "the file did not come back";
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(MainWindowTest, AFileDroppedOnEitherBoxOpensThereButNotWhileACommandRuns)
{
    QTemporaryDir folder;
    const QByteArray bytes("dropped\r\nbytes\n\0end\r", 20);
    const QString path = folder.filePath("dropped.txt");
    ASSERT_TRUE(io::testing::writeBytes(path, bytes));
    for (ExactTextEdit* box : {&input(), &output()}) {
        EXPECT_TRUE(dropFile(*box, path));
        EXPECT_EQ(box->text(), io::fromWindows1252(bytes));
    }
    input().setText(QString(200000, u'x'));
    child(QStringLiteral("EN12")).trigger();
    EXPECT_FALSE(dropFile(input(), path));
    if (window.isCommandRunning()) waitForCommand();
    EXPECT_EQ(input().text(), QString());
}

TEST_F(MainWindowTest, ClipboardItemsCopyTheirBoxExactlyAndNewEmptiesOnlyTheBoxes)
{
    const QString plain = QStringLiteral("one\r\ntwo\nthree\rfour\r\n"), cipher = QStringLiteral("\n\r\r\nx\"y\u00AC\0");
    QTest::keyClicks(&password(), QStringLiteral("key"));
    input().setText(plain);
    output().setText(cipher);
    for (const auto& [item, copied] : {std::pair{"CToC", plain}, {"CTCET", cipher}}) {
        choose(QString::fromLatin1(item));
        EXPECT_EQ(QApplication::clipboard()->text(), copied) << item;
    }
    choose(QStringLiteral("Ne"));
    EXPECT_EQ(input().text() + output().text() + password().text(), QStringLiteral("key"));
}

// A VELMOR_TABLE_WALK left over from a benchmark only picks among walks that
// give the same results, so the window tells it once and goes on.
TEST(StaleWalkSetting, IsToldOnceInAWarningWithTheWindowsTitleAndCommandsStillWork)
{
    io::testing::RecordingMessages messages;
    io::testing::ScriptedFileDialogs dialogs;
    const TableWalkChoice stale = chooseTableWalk("AVX2");
    ASSERT_EQ(stale.walk, nullptr);
    MainWindow window(dialogs, messages, nullptr, stale);
    window.show();
    for (int i = 0; i < 100 && messages.shown.isEmpty(); ++i) QTest::qWait(10);
    ASSERT_EQ(messages.failureTitles, QStringList{QStringLiteral(" The Velmor Machine")});
    EXPECT_EQ(messages.shown.front(), QString::fromStdString(stale.refusal) +
                                          QStringLiteral(".\n\nThe window ignores this setting and ciphers as usual: "
                                                         "every walk gives the same results."));

    const velmor::test::KnownAnswer row = velmor::test::knownAnswers().back();
    EXPECT_TRUE(velmor::test::sameText(resultOf(window, row), velmor::test::widened<QString>(row.output)));
    window.hide();
    window.show();
    QTest::qWait(50);
    EXPECT_EQ(messages.shown.size(), 1) << "told once";
}

}  // namespace
}  // namespace velmor::ui::test
