// SPDX-License-Identifier: MIT
// The window's commands: the published known answers through its menus and
// boxes, files through open, encrypt, save and back, the password box, input
// while a command is busy, lines too long to show, the clipboard and New,
// Exit and the close request in every state, and a stale walk setting.
#include "window_fixture.h"

#include "engine/cipher.h"
#include "io/text_file.h"
#include "known_answers.h"
#include "words/words.h"

#include <random>

namespace velmor::ui::test {
namespace {

QString passItem(Direction direction, int passes)
{
    return QString::fromLatin1(direction == Direction::Encrypt ? "EN" : "DE") +
           (passes == 1 ? QString() : QString::number(passes));
}

// Each row through the wheel menu, the password box and the command menu;
// the status names the source's length while the command runs.
TEST_F(WindowTest, GivesEveryKnownAnswer)
{
    for (const velmor::test::KnownAnswer& row : velmor::test::knownAnswers()) {
        SCOPED_TRACE(row.name());
        const bool encrypt = row.direction == Direction::Encrypt;
        password().setText(QStringLiteral("left over"));
        choose(QStringLiteral("EW%1").arg(row.wheels));
        EXPECT_TRUE(child<QMenu>("EW").title().endsWith(QStringLiteral(" %1").arg(row.wheels, 2, 10, QChar(u'0'))));
        QTest::keyClicks(&password(), QString(31, u'p'));
        EXPECT_EQ(password().text(), QString(row.wheels, u'p')) << "the password takes as many characters as wheels";
        password().setText(QString::fromStdU16String(row.passwordText()));
        ExactTextEdit& source = encrypt ? input() : output();
        source.setText(velmor::test::widened<QString>(row.input));
        const QString shown = choose(passItem(row.direction, row.passes));
        EXPECT_EQ(shown, QString::fromUtf16(words::kStatusText).arg(row.input.size()));
        EXPECT_EQ(status().text() + source.text(), QString());
        EXPECT_TRUE(velmor::test::sameText((encrypt ? output() : input()).text(),
                                           velmor::test::widened<QString>(row.output)));
    }
}

// Random files of every byte value and every shape of line break, through
// the File menu's dialogs: the saved cipher is the engine's, and the
// decrypted file the original, byte for byte.
TEST_F(WindowTest, FilesComeBackByteForByteThroughEncryptSaveOpenAndDecrypt)
{
    QTemporaryDir folder;
    const QString plain = folder.filePath("plain"), encrypted = folder.filePath("encrypted");
    std::mt19937 rng(1252);
    const QByteArray breaks[] = {"\r\n", "\n", "\r", "\n\r", "\r\r\n", QByteArray(1, '\0')};
    for (const int passes : kPassCounts) {
        QByteArray original;
        while (original.size() < 4000) original += rng() % 3 ? QByteArray(1, char(rng())) : breaks[rng() % 6];
        const int wheels = 4 + 2 * int(rng() % 14);
        QByteArray key;
        while (key.size() < 1 + int(rng() % wheels)) key += char(0x21 + rng() % 0xDF);
        choose(QStringLiteral("EW%1").arg(wheels));
        password().setText(velmor::test::widened<QString>(key.toStdString()));
        ASSERT_TRUE(io::testing::writeBytes(plain, original));
        dialogs.answers = {plain, encrypted, encrypted, folder.filePath("decrypted")};
        dialogs.asked.clear();
        for (const QString& item : {QStringLiteral("Op"), passItem(Direction::Encrypt, passes), QStringLiteral("SAET"),
                                    QStringLiteral("Ne"), QStringLiteral("OET"), passItem(Direction::Decrypt, passes),
                                    QStringLiteral("SAs")})
            choose(item);
        std::u16string expected = velmor::test::widened(original.toStdString());
        Cipher::forPassword(velmor::test::widened(key.toStdString()), wheels, passes, Direction::Encrypt)
            .apply(std::span(expected), 0);
        EXPECT_TRUE(velmor::test::widened(io::testing::readBytes(encrypted).toStdString()) == expected) << passes;
        EXPECT_TRUE(io::testing::readBytes(folder.filePath("decrypted")) == original) << passes;
        EXPECT_EQ(dialogs.asked, (QStringList{"Select A Text File Text Files (*.txt)|*.txt|All files (*.*)|*.*",
                                              "Save Encryped Tex File As Txt Files (*.txt)|*.txt",
                                              "Select A Encrypted File Text Files (*.txt)|*.txt|All files (*.*)|*.*",
                                              "Save File As Files (*.*)|*.*"}));
    }
    EXPECT_TRUE(messages.shown.empty()) << messages.shown.join(u'\n').toStdString();
    const QString before = input().text();
    choose("Op");
    EXPECT_EQ(input().text(), before) << "a cancel changes nothing";
}

// Typed or pasted, a character outside Windows-1252 is refused whole and
// named in the status until the password is next edited; the box holds as
// many characters as wheels, shown as "*" until PassWord Show.
TEST_F(WindowTest, ThePasswordTakesOnlyWindows1252CharactersMaskedUntilShown)
{
    choose("EW4");
    const QString emoji = QStringLiteral("\U0001F600"), taken = QStringLiteral("a\u00E9\u0081");
    const std::tuple<bool, QString, QString, QString> rows[]{
        // pasted, given, the box's text after, the refused character named
        {false, "\u0100", "", "\u0100"}, {true, "x\u0100y", "", "\u0100"}, {false, emoji, "", emoji},
        {true, QString(QChar(0xD83D)), "", "U+D83D"}, {false, "a", "a", ""}, {false, "\u00E9", "a\u00E9", ""},
        {true, "\u0081", taken, ""}, {true, emoji, taken, "U+D83D"},  // only half of it would fit
        {false, "\u20AC", taken + u'\u20AC', ""}, {false, "z", taken + u'\u20AC', ""}};
    for (const auto& [pasted, given, after, refused] : rows) {
        SCOPED_TRACE(::testing::Message() << (pasted ? "pasted " : "typed ") << given.size() << " units");
        password().end(false);
        if (pasted) {
            QApplication::clipboard()->setText(given);
            password().paste();
        } else {
            QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, given);
            QApplication::sendEvent(&password(), &key);
        }
        EXPECT_EQ(password().text(), after);
        EXPECT_TRUE(refused.isEmpty() ? status().text().isEmpty() : status().text().contains(u'"' + refused + u'"'))
            << status().text().toStdString();
    }
    for (const auto& [item, shown] : {std::pair{"PassH", false}, {"PassS", true}, {"PassS", true}, {"PassH", false}}) {
        choose(item);
        EXPECT_EQ(password().displayText(), shown ? password().text() : QString(4, u'*')) << item;
    }
}

void postKeys(QWidget& target, const QString& keys)
{
    for (const QChar key : keys)
        for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
            QCoreApplication::postEvent(&target, new QKeyEvent(type, key.unicode(), Qt::NoModifier, QString(key)));
}

// While a command runs, a dropped file, the File menu and the other
// commands are turned away, and input queued while the result is shown is
// dropped; afterwards input is the user's again.
TEST_F(WindowTest, NothingActsWhileACommandIsBusy)
{
    QTemporaryDir folder;
    const QString dropped = folder.filePath("dropped.txt");
    ASSERT_TRUE(io::testing::writeBytes(dropped, QByteArray("dropped\r\nbytes\n\0\x80", 17)));
    for (ExactTextEdit* box : {&input(), &output()}) {
        EXPECT_TRUE(dropFile(*box, dropped));
        EXPECT_EQ(box->text(), QStringLiteral("dropped\r\nbytes\n\0\u20AC"));
    }
    const QString text = QStringLiteral("line of text\r\n").repeated(150000);
    password().setText(QStringLiteral("key"));
    input().setText(text);
    std::u16string expected = text.toStdU16String();
    Cipher::forPassword(u"key", 20, 3, Direction::Encrypt).apply(std::span(expected), 0);
    QMenuBar& bar = *window.menuBar();
    bool posted = false;
    QObject::connect(output().document(), &QTextDocument::contentsChanged, &window, [&] {
        if (std::exchange(posted, true)) return;
        postKeys(output(), QStringLiteral("ABC"));
        postKeys(input(), QStringLiteral("DEF"));
        postKeys(password(), QStringLiteral("x"));
        const QPoint at = bar.actionGeometry(child<QMenu>("EnDe").menuAction()).center();
        for (const auto& [type, buttons] : {std::pair{QEvent::MouseButtonPress, Qt::LeftButton},
                                           {QEvent::MouseButtonRelease, Qt::NoButton}})
            QCoreApplication::postEvent(&bar, new QMouseEvent(type, at, bar.mapToGlobal(at), Qt::LeftButton,
                                                              buttons, Qt::NoModifier));
    });
    QSignalSpy finished(&window, &MainWindow::commandFinished);
    child("EN3").trigger();
    EXPECT_FALSE(dropFile(input(), dropped));
    for (const char* item : {"Op", "Ne", "EN", "EW4"}) child(item).trigger();
    ASSERT_TRUE(finished.wait(30000));
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    EXPECT_TRUE(posted && dialogs.asked.isEmpty() && finished.size() == 1);
    EXPECT_TRUE(output().text() == QString::fromStdU16String(expected)) << "the result";
    EXPECT_EQ(input().text() + password().text(), QStringLiteral("key"));
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "a queued click opened a menu";
    QTest::keyClicks(&output(), QStringLiteral("Z"));
    EXPECT_TRUE(output().text() == u'Z' + QString::fromStdU16String(expected)) << "input afterwards is the user's";
}

// A line longer than a box can lay out, from a paste or a key, is refused
// with a message under the window's title; one at the limit goes in. (A
// file with a longer line is shown in part: text_shape_test.cpp.)
TEST_F(WindowTest, LinesLongerThanTheBoxShowsAreRefusedFromPastesAndKeys)
{
    QTemporaryDir folder;
    const qsizetype limit = io::kMaxBoxLineLength;
    const QString atLimit = folder.filePath("at-limit.txt");
    ASSERT_TRUE(io::testing::writeBytes(atLimit, "a\r\n" + QByteArray(limit, 'x') + "\r\nb"));
    dialogs.answers = {atLimit};
    choose("Op");
    EXPECT_EQ(input().text().size(), limit + 6);
    output().setText(QString(limit - 5, u'y') + QStringLiteral("\r\nz"));
    const auto pasteAt = [this](qsizetype at, const QString& text) {
        selectText(output(), at, at);
        QGuiApplication::clipboard()->setText(text);
        output().paste();
    };
    const auto pressAt = [this](qsizetype at, Qt::Key key) {
        selectText(output(), at, at);
        QTest::keyClick(&output(), key);
    };
    // Now lines at the limit and "6": joining them or typing on the first makes the same line by hand.
    for (const auto& [edit, longest] : std::initializer_list<std::pair<std::function<void()>, qsizetype>>{
             {[&] { pasteAt(limit - 5, "123456"); }, limit + 1}, {[&] { pasteAt(limit - 5, "12345"); }, 0},
             {[&] { pasteAt(limit, "6"); }, limit + 1}, {[&] { pasteAt(limit, "\r\n6"); }, 0},
             {[&] { pressAt(limit, Qt::Key_Delete); }, limit + 1}, {[&] { pressAt(limit, Qt::Key_Q); }, limit + 1},
             {[&] { pressAt(limit + 2, Qt::Key_Q); }, 0}}) {
        const QString before = output().text();
        messages.shown.clear();
        edit();
        EXPECT_EQ(output().text() == before, longest != 0) << longest;
        EXPECT_EQ(messages.shown.join(u' '), longest == 0 ? QString() : io::lineTooLongFailure(longest));
    }
    EXPECT_EQ(messages.titles, QStringList(4, window.windowTitle()));
}

TEST_F(WindowTest, ClipboardItemsCopyTheirBoxExactlyAndNewEmptiesOnlyTheBoxes)
{
    const QString plain = QStringLiteral("one\r\ntwo\nthree\rfour\r\n"), cipher = QStringLiteral("\n\r\r\nx\"y\u00AC\0");
    password().setText(QStringLiteral("key"));
    input().setText(plain);
    output().setText(cipher);
    for (const auto& [item, copied] : {std::pair{"CToC", plain}, {"CTCET", cipher}}) {
        choose(item);
        EXPECT_EQ(QApplication::clipboard()->text(), copied) << item;
    }
    choose("Ne");
    EXPECT_EQ(input().text() + output().text() + password().text(), QStringLiteral("key"));
    choose("CToC");
    const QMimeData* left = QApplication::clipboard()->mimeData();
    EXPECT_TRUE(left == nullptr || left->formats().isEmpty()) << "an empty box leaves nothing";
}

// Exit and the close request slide the window past the screen's width and
// end the event loop with status 0, minimised or during a command too,
// whose result is then not written.
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
        if (state == State::Running) shown.input().setText(QString(300000, u'x'));
        QObject timers;  // gone, with its timers, after each round
        QTimer::singleShot(0, &timers, [&shown, state, fromMenu] {
            if (state == State::Running) shown.child("EN12").trigger();
            fromMenu ? shown.child("EXI").trigger() : void(shown.window.close());
        });
        QTimer::singleShot(20000, &timers, [] { QCoreApplication::exit(99); });
        EXPECT_EQ(QApplication::exec(), 0);
        EXPECT_EQ(shown.output().text(), QString()) << "a result after the close request is not written";
        EXPECT_TRUE(state != State::Shown || window.geometry().top() > window.screen()->geometry().width());
    }
}

// A VELMOR_TABLE_WALK left over from a benchmark only picks among walks that
// give the same results, so the window tells it once and goes on.
TEST(StaleWalkSetting, IsToldOnceUnderTheWindowsTitleAndCommandsStillWork)
{
    io::testing::RecordingMessages messages;
    io::testing::ScriptedFileDialogs dialogs;
    const TableWalkChoice stale = chooseTableWalk("AVX2");
    ASSERT_EQ(stale.walk, nullptr);
    MainWindow window(dialogs, messages, nullptr, stale);
    window.show();
    for (int i = 0; i < 100 && messages.shown.isEmpty(); ++i) QTest::qWait(10);
    window.hide();
    window.show();
    QTest::qWait(50);
    EXPECT_EQ(messages.titles, QStringList{window.windowTitle()});
    EXPECT_TRUE(messages.shown.value(0).startsWith(QString::fromStdString(stale.refusal)));
    auto& box = *window.findChild<ExactTextEdit*>(QStringLiteral("txtVelmor"));
    box.setText(QStringLiteral("text"));
    QSignalSpy finished(&window, &MainWindow::commandFinished);
    window.findChild<QAction*>(QStringLiteral("EN"))->trigger();
    ASSERT_TRUE(finished.wait(30000));
    std::u16string expected = u"text";
    Cipher::forPassword(u"", 20, 1, Direction::Encrypt).apply(std::span(expected), 0);
    EXPECT_EQ(window.findChild<ExactTextEdit*>(QStringLiteral("txtOutputBox"))->text().toStdU16String(), expected);
}

}  // namespace
}  // namespace velmor::ui::test
