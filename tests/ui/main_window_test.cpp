// SPDX-License-Identifier: MIT
// The window's commands: the known answers through its menus and boxes,
// texts of every shape through open, encrypt, save and back (shown in part
// past the box's limits), the password box, a busy window, lines too long to
// show, Exit and the close request in every state, and a stale walk setting.
#include "window_fixture.h"

#include "engine/cipher.h"
#include "known_answers.h"

#include <numeric>

namespace velmor::ui::test {

static QString passItem(Direction direction, int passes)
{
    return (direction == Direction::Encrypt ? "EN" : "DE") + (passes == 1 ? QString() : QString::number(passes));
}

// The engine's result, for a check that the window reached it.
static QString ciphered(const QString& text, std::u16string_view password, int wheels, int passes)
{
    std::u16string units = text.toStdU16String();
    Cipher::forPassword(password, wheels, passes, Direction::Encrypt).apply(std::span(units), 0);
    return QString::fromStdU16String(units);
}

// Through the wheel menu, whose caption and password limit follow, the
// password box and the command menu; the status names the source's length
// while the command runs.
TEST_F(WindowTest, GivesEveryKnownAnswer)
{
    for (const velmor::test::KnownAnswer& row : velmor::test::knownAnswers()) {
        SCOPED_TRACE(row.name());
        password().setText(QStringLiteral("left over"));
        choose(QStringLiteral("EW%1").arg(row.wheels));
        EXPECT_TRUE(child<QMenu>("EW").title().endsWith(QStringLiteral(" %1").arg(row.wheels, 2, 10, QChar(u'0'))));
        QTest::keyClicks(&password(), QString(31, u'p'));
        EXPECT_EQ(password().text(), QString(row.wheels, u'p'));
        password().setText(QString::fromStdU16String(row.passwordText()));
        ExactTextEdit& source = row.direction == Direction::Encrypt ? input() : output();
        source.setText(velmor::test::widened<QString>(row.input));
        EXPECT_EQ(choose(passItem(row.direction, row.passes)), QString::fromUtf16(words::kStatusText).arg(row.input.size()));
        EXPECT_EQ(status().text() + source.text(), QString());
        EXPECT_TRUE(velmor::test::sameText((&source == &input() ? output() : input()).text(),
                                           velmor::test::widened<QString>(row.output)));
    }
}

// Every byte value, then random bytes and line breaks of every shape, or a
// shape repeated up to a size, through the File menu's dialogs against the
// engine: each box copies exactly, New empties the boxes only, and a text
// past a box's limits is shown in part, read-only, and pasted goes the way
// of the file unless a line is too long for any box.
TEST(TextShapes, ComeBackByteForByteAndAreShownInPartPastTheBoxsLimits)
{
    std::mt19937 rng(1252);
    const QByteArray breaks[] = {"\r\n", "\n", "\r", "\n\r", "\r\r\n", QByteArray(1, '\0')};
    QByteArray line100;
    for (int i = 0; i < 98; ++i) line100 += static_cast<char>(0x21 + (i * 37) % 0xDE);
    const qsizetype lines = io::kMaxShownWholeLines, header = 14;  // the header's last line starts after byte 13
    const std::tuple<QByteArray, qsizetype, bool, bool> shapes[]{  // repeated, up to, shown in part, paste refused
        {{}, 4000, false, false}, {{}, 4000, false, false}, {{}, 4000, false, false}, {"\n", 1 << 20, true, false},
        {"\n", lines + 300, true, false}, {"\r\n", 1 << 20, true, false}, {"x\r", 1 << 20, true, false},
        {line100 + "\r\n", 2 << 20, false, false}, {"y", io::kMaxShownWholeCharacters + 1, true, false},
        {"z", header + io::kMaxBoxLineLength, false, false}, {"z", header + io::kMaxBoxLineLength + 1, true, true}};
    QClipboard& clipboard = *QApplication::clipboard();
    int row = 0;
    for (const auto& [repeated, bytes, inPart, pasteRefused] : shapes) {
        SCOPED_TRACE(row);
        QByteArray original(256, '\0'), key;
        std::iota(original.begin(), original.end(), char(0));
        while (original.size() < bytes)
            original += !repeated.isEmpty() ? repeated : rng() % 3 ? QByteArray(1, char(rng())) : breaks[rng() % 6];
        const int wheels = 4 + 2 * int(rng() % 14), passes = kPassCounts[row++ % kPassCounts.size()];
        while (key.size() < 1 + int(rng() % wheels)) key += char(0x21 + rng() % 0xDF);
        const QString password = io::fromWindows1252(key), text = io::fromWindows1252(original),
                      cipher = ciphered(text, password.toStdU16String(), wheels, passes);
        QTemporaryDir folder;
        const QString plain = folder.filePath("plain"), encrypted = folder.filePath("encrypted");
        ASSERT_TRUE(io::testing::writeBytes(plain, original));
        ShownWindow shown;
        shown.dialogs.answers = {plain, encrypted, encrypted, folder.filePath("decrypted")};
        shown.choose(QStringLiteral("EW%1").arg(wheels));
        shown.password().setText(password);
        const int viewHeight = shown.input().viewport()->height();
        shown.choose("Op");
        const QLabel* note = shown.input().findChild<QLabel*>("shownInPart");
        EXPECT_TRUE(shown.input().isShownInPart() == inPart && shown.input().isReadOnly() == inPart &&
                    (!inPart || note->y() > shown.input().viewport()->geometry().bottom())) << "the note below the text";
        EXPECT_EQ(note && note->isVisible() && note->text().contains(QLocale(QLocale::English).toString(original.size())), inPart);
        const int blocks = shown.input().document()->blockCount();  // a text of line feeds shows its first 10,000 lines
        EXPECT_TRUE(repeated == "\n" ? blocks == 10'000 : blocks <= (inPart ? 10'000 : INT_MAX)) << blocks;
        for (const auto key : {Qt::Key_Q, Qt::Key_Backspace}) QTest::keyClick(&shown.input(), key);
        EXPECT_EQ(shown.status().text().isEmpty(), !inPart) << "an edit of a text in part is refused with a reason";
        shown.input().selectAll(), QTest::keyClick(&shown.input(), Qt::Key_Delete);
        EXPECT_EQ(shown.input().text().isEmpty(), !inPart);
        shown.input().setText(text);
        for (const auto& [items, copied] : {std::pair{QStringList{"CToC"}, text},
                                            {{passItem(Direction::Encrypt, passes), "SAET", "CTCET", "Ne"}, cipher},
                                            {{"OET", passItem(Direction::Decrypt, passes), "SAs", "CToC"}, text}}) {
            for (const QString& item : items) shown.choose(item);
            EXPECT_TRUE(clipboard.text() == copied) << items.join(u' ').toStdString();
            EXPECT_TRUE(!items.contains("Ne") || (shown.input().text() + shown.output().text()).isEmpty());
            EXPECT_EQ(shown.input().isShownInPart() || shown.output().isShownInPart(), inPart && !items.contains("Ne"));
        }
        EXPECT_TRUE(shown.password().text() == password && shown.input().text() == text);
        EXPECT_TRUE(io::fromWindows1252(io::testing::readBytes(encrypted)) == cipher &&
                    io::testing::readBytes(folder.filePath("decrypted")) == original) << "lost or changed in a file";
        EXPECT_EQ(shown.dialogs.asked, (QStringList{"Select A Text File Text Files (*.txt)|*.txt|All files (*.*)|*.*",
                                                    "Save Encryped Tex File As Txt Files (*.txt)|*.txt",
                                                    "Select A Encrypted File Text Files (*.txt)|*.txt|All files (*.*)|*.*",
                                                    "Save File As Files (*.*)|*.*"}));
        EXPECT_TRUE(shown.messages.shown.isEmpty()) << shown.messages.shown.join(u'\n').toStdString();
        shown.choose("Ne");
        EXPECT_FALSE(shown.input().isShownInPart() || shown.input().isReadOnly() ||
                     shown.input().viewport()->height() != viewHeight) << "the note's room given back";
        QTest::keyClicks(&shown.input(), "ab"), shown.input().selectAll(), shown.input().paste();
        EXPECT_EQ(shown.input().isShownInPart(), inPart && !pasteRefused);
        EXPECT_TRUE(shown.messages.shown.size() == pasteRefused && (pasteRefused || shown.input().text() == text));
        shown.choose("Op"), shown.choose("CTCET");
        EXPECT_TRUE(shown.input().text() == (pasteRefused ? "ab" : text)) << "a cancel changes nothing";
        EXPECT_TRUE(clipboard.mimeData() == nullptr || clipboard.mimeData()->formats().isEmpty()) << "an empty box";
    }
    ExactTextEdit box;  // the limit of lines exactly, the box filled in pieces each after a whole CR LF
    for (const qsizetype breaks : {lines - 1, lines}) {
        box.setText(QStringLiteral("\r\n").repeated(breaks));
        EXPECT_TRUE(box.isShownInPart() == (breaks == lines) && box.text() == QStringLiteral("\r\n").repeated(breaks));
    }
}

// Typed or pasted, a character outside Windows-1252 is refused whole and
// named in the status until the password is next edited; the box holds as
// many characters as wheels, shown as "*" until PassWord Show.
TEST_F(WindowTest, ThePasswordTakesOnlyWindows1252CharactersMaskedUntilShown)
{
    choose("EW4");
    const QString emoji = QStringLiteral("\U0001F600"), taken = QStringLiteral("a\u00E9\u0081");
    const std::tuple<bool, QString, QString, QString> rows[]{  // pasted, given, the box's text after, refused
        {false, "\u0100", "", "\u0100"}, {true, "x\u0100y", "", "\u0100"}, {false, emoji, "", emoji},
        {true, QString(QChar(0xD83D)), "", "U+D83D"}, {false, "a", "a", ""}, {false, "\u00E9", "a\u00E9", ""},
        {true, "\u0081", taken, ""}, {true, emoji, taken, "U+D83D"},  // only half of it would fit
        {false, "\u20AC", taken + u'\u20AC', ""}, {false, "z", taken + u'\u20AC', ""}};
    for (const auto& [pasted, given, after, refused] : rows) {
        password().end(false);
        QApplication::clipboard()->setText(given);
        QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, given);
        pasted ? password().paste() : void(QApplication::sendEvent(&password(), &key));
        EXPECT_EQ(password().text(), after) << given.size();
        EXPECT_TRUE(refused.isEmpty() ? status().text().isEmpty() : status().text().contains(u'"' + refused + u'"'))
            << status().text().toStdString();
    }
    for (const auto& [item, shown] : {std::pair{"", false}, {"PassS", true}, {"PassS", true}, {"PassH", false}}) {
        if (*item != 0) choose(item);
        EXPECT_EQ(password().displayText(), shown ? password().text() : QString(4, u'*')) << item;
    }
}

// While a file opens or a command runs, what the user types or clicks, a
// dropped file, the File menu and the other commands are turned away, even
// when they waited in the queue until the result was shown.
TEST_F(WindowTest, NothingActsWhileTheWindowIsBusy)
{
    QTemporaryDir folder;
    const QString dropped = folder.filePath("dropped.txt"), big = folder.filePath("big.txt"),
                  text = QStringLiteral("line of text\r\n").repeated(150000);
    ASSERT_TRUE(io::testing::writeBytes(dropped, QByteArray("dropped\r\nbytes\n\0\x80", 17)) &&
                io::testing::writeBytes(big, text.toLatin1()));
    QMenuBar& bar = *window.menuBar();
    for (ExactTextEdit* box : {&output(), &input()}) {
        EXPECT_TRUE(dropFile(*box, dropped) && box->text() == QStringLiteral("dropped\r\nbytes\n\0\u20AC"));
        QObject::connect(box->document(), &QTextDocument::contentsChanged, &window, [&] {
            if (output().document()->isUndoRedoEnabled() && input().document()->isUndoRedoEnabled()) return;
            for (QWidget* target : std::initializer_list<QWidget*>{&output(), &input(), &password()})
                for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
                    QCoreApplication::postEvent(target, new QKeyEvent(type, Qt::Key_A, Qt::NoModifier, "A"));
            const QPoint at = bar.actionGeometry(child<QMenu>("EnDe").menuAction()).center();
            for (const auto& [type, buttons] : {std::pair{QEvent::MouseButtonPress, Qt::LeftButton},
                                               {QEvent::MouseButtonRelease, Qt::NoButton}})
                QCoreApplication::postEvent(&bar, new QMouseEvent(type, at, bar.mapToGlobal(at), Qt::LeftButton,
                                                                  buttons, Qt::NoModifier));
        });
    }
    output().setText(QString());
    dialogs.answers = {big};
    EXPECT_TRUE(dropFile(output(), dropped, false));  // opens only once the open below has begun
    choose("Op");
    EXPECT_TRUE(input().text() == text && output().text().isEmpty() && password().text().isEmpty());
    password().setText(QStringLiteral("key"));
    QSignalSpy finished(&window, &MainWindow::commandFinished);
    child("EN3").trigger();
    EXPECT_FALSE(dropFile(input(), dropped, false));  // no event handled yet, so the command still runs
    for (const char* item : {"Op", "Ne", "EN", "EW4"}) child(item).trigger();
    ASSERT_TRUE(finished.wait(30000));
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    EXPECT_TRUE(dialogs.answers.isEmpty() && dialogs.asked.size() == 1 && finished.size() == 1);
    EXPECT_TRUE(output().text() == ciphered(text, u"key", 20, 3)) << "the result, and nothing typed";
    EXPECT_EQ(input().text() + password().text(), QStringLiteral("key"));
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "a queued click opened a menu";
    QTest::keyClicks(&output(), QStringLiteral("Z"));
    EXPECT_TRUE(output().text().startsWith(u'Z')) << "input afterwards is the user's";
}

// A line longer than a box can lay out, from a paste or a key, is refused
// with a message under the window's title; one at the limit goes in, also
// from a file. Lines at the limit and "6" next: joining them or typing on
// the first makes the same line by hand.
TEST_F(WindowTest, LinesLongerThanTheBoxShowsAreRefusedFromPastesAndKeys)
{
    const qsizetype limit = io::kMaxBoxLineLength;
    output().setText(QString(limit - 5, u'y') + QStringLiteral("\r\nz"));
    for (const auto& [at, pasted, key, longest] : {std::tuple{limit - 5, "123456", Qt::Key_unknown, limit + 1},
                                                   {limit - 5, "12345", Qt::Key_unknown, 0}, {limit, "6", Qt::Key_unknown, limit + 1},
                                                   {limit, "\r\n6", Qt::Key_unknown, 0}, {limit, "", Qt::Key_Delete, limit + 1},
                                                   {limit, "", Qt::Key_Q, limit + 1}, {limit + 2, "", Qt::Key_Q, 0},
                                                   {limit + 3, "", Qt::Key_Backspace, 0}, {limit + 1, "", Qt::Key_Backspace, limit + 1},
                                                   {limit - 1, "ab\r\n", Qt::Key_unknown, limit + 1}}) {
        const QString before = output().text();
        messages.shown.clear(), selectText(output(), at, at);
        QGuiApplication::clipboard()->setText(QString::fromLatin1(pasted));
        key == Qt::Key_unknown ? output().paste() : QTest::keyClick(&output(), key);
        EXPECT_EQ(output().text() == before, longest != 0) << at << pasted;
        EXPECT_EQ(messages.shown.join(u' '), longest == 0 ? QString() : io::lineTooLongFailure(longest));
    }
    EXPECT_EQ(messages.titles, QStringList(6, window.windowTitle()));
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
        window.move(window.x(), window.screen()->geometry().width() - 40);  // few steps to go
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
    const TableWalkChoice stale = chooseTableWalk("AVX2");
    ASSERT_EQ(stale.walk, nullptr);
    io::testing::RecordingMessages messages;
    io::testing::ScriptedFileDialogs dialogs;
    MainWindow window(dialogs, messages, nullptr, stale);
    for (int shown = 0; shown < 2; ++shown) window.show(), QTest::qWait(100), window.hide();
    EXPECT_TRUE(messages.titles == QStringList{window.windowTitle()} &&
                messages.shown.value(0).startsWith(QString::fromStdString(stale.refusal)));
    window.inputBox().setText(QStringLiteral("text"));
    QSignalSpy finished(&window, &MainWindow::commandFinished);
    window.findChild<QAction*>(QStringLiteral("EN"))->trigger();
    ASSERT_TRUE(finished.wait(30000));
    EXPECT_EQ(window.outputBox().text(), ciphered(QStringLiteral("text"), u"", 20, 1));
}

}  // namespace velmor::ui::test
