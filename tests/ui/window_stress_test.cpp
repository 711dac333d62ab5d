// SPDX-License-Identifier: MIT
// The window under stress: input queued while a command is busy, screens too
// small for it, fonts wider than its own, files and pastes too large to show,
// no display, closed standard streams.
#include "window_fixture.h"

#include "ui/form.h"
#include "ui/running_commands.h"

#include "io/text_file.h"

namespace velmor::ui::test {
namespace {

using WindowStressTest = WindowTest;
using WindowOnScreen = WindowTest;
using InfoBox = WindowTest;

void postKeys(QWidget& target, const QString& keys)
{
    for (const QChar key : keys)
        for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
            QCoreApplication::postEvent(&target, new QKeyEvent(type, key.unicode(), Qt::NoModifier, QString(key)));
}

// Posted while the window shows a result, as a real user's input waits while its thread is busy.
TEST_F(WindowStressTest, InputQueuedWhileACommandShowsItsResultIsDropped)
{
    const QString text = QStringLiteral("line of text\r\n").repeated(150000);
    QTest::keyClicks(&password(), QStringLiteral("key"));
    input().setText(text);
    const CipherOutcome expected =
        runCipherJob({Direction::Encrypt, 3, QStringLiteral("key"), text, window.wheelState()});
    QMenuBar& bar = *window.menuBar();
    bool posted = false;
    QObject::connect(output().document(), &QTextDocument::contentsChanged, &window, [&] {
        if (std::exchange(posted, true)) return;
        postKeys(output(), QStringLiteral("ABC"));
        postKeys(input(), QStringLiteral("DEF"));
        postKeys(password(), QStringLiteral("x"));
        const QPoint at = bar.actionGeometry(child<QMenu>(QStringLiteral("EnDe")).menuAction()).center();
        for (const auto& [type, buttons] : {std::pair{QEvent::MouseButtonPress, Qt::LeftButton},
                                           {QEvent::MouseButtonRelease, Qt::NoButton}})
            QCoreApplication::postEvent(&bar, new QMouseEvent(type, at, bar.mapToGlobal(at), Qt::LeftButton,
                                                              buttons, Qt::NoModifier));
    });
    choose(QStringLiteral("EN3"));
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    ASSERT_TRUE(posted);
    EXPECT_TRUE(output().text() == expected.text) << "the result begins " << output().text().left(8).toStdString();
    EXPECT_EQ(input().text(), QString());
    EXPECT_EQ(password().text(), QStringLiteral("key"));
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "a queued click opened a menu";
    EXPECT_FALSE(window.isCommandRunning());
    QTest::keyClicks(&output(), QStringLiteral("Z"));
    EXPECT_TRUE(output().text() == u'Z' + expected.text) << "input after the result is the user's again";
}

// Qt leaves out a menu's first and last separators, and would draw them on its frame.
TEST_F(WindowStressTest, EveryMenuShowsItsFirstAndLastSeparatorAndBoxesBothScrollBars)
{
    for (const char* name : {"Fi", "EnDe", "EW", "PasW"}) {
        QMenu& menu = child<QMenu>(QString::fromLatin1(name));
        menu.popup(window.geometry().topLeft());
        const QRect first = menu.actionGeometry(menu.actions().first()), last = menu.actionGeometry(menu.actions().last());
        const int frame = menu.style()->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, &menu) +
                          menu.style()->pixelMetric(QStyle::PM_MenuVMargin, nullptr, &menu);
        SCOPED_TRACE(::testing::Message() << name << ": " << first.top() << " to " << last.bottom() << " in "
                                          << menu.height() << ", frame " << frame);
        menu.hide();
        EXPECT_TRUE(menu.actions().first()->isSeparator() && menu.actions().last()->isSeparator());
        EXPECT_FALSE(first.isEmpty() || last.isEmpty()) << "left out";
        EXPECT_GE(first.top(), frame + 2) << "on the frame";
        EXPECT_LE(last.bottom(), menu.height() - frame - 3) << "on the frame";
    }
    for (ExactTextEdit* box : {&input(), &output()}) {
        EXPECT_TRUE(box->horizontalScrollBar()->isVisible()) << box->objectName().toStdString();
        EXPECT_TRUE(box->verticalScrollBar()->isVisible()) << box->objectName().toStdString();
    }
}

// A line longer than the box can lay out, from a file or pasted, is refused
// with a message that points to velmor; one at the limit goes in.
TEST_F(WindowStressTest, LinesLongerThanTheBoxShowsAreRefusedFromFilesAndPastes)
{
    QTemporaryDir folder;
    const qsizetype limit = io::kMaxBoxLineLength;
    const QString atLimit = folder.filePath("at-limit.txt"), over = folder.filePath("over.txt");
    ASSERT_TRUE(io::testing::writeBytes(atLimit, "a\r\n" + QByteArray(limit, 'x') + "\r\nb"));
    ASSERT_TRUE(io::testing::writeBytes(over, "a\r\n" + QByteArray(limit + 1, 'x')));
    input().setText(QStringLiteral("kept"));
    dialogs.answers = {over};
    choose(QStringLiteral("Op"));
    ASSERT_EQ(messages.shown.size(), 1);
    for (const char* word : {"velmor", "100,001"}) EXPECT_TRUE(messages.shown[0].contains(word)) << word;
    EXPECT_EQ(messages.failureTitles, QStringList{window.windowTitle()});
    EXPECT_EQ(input().text(), QStringLiteral("kept"));
    dialogs.answers = {atLimit};
    choose(QStringLiteral("Op"));
    EXPECT_EQ(input().text().size(), limit + 6);

    // Pasted where it joins the line around the cursor.
    messages.shown.clear();
    output().setText(QString(limit - 5, u'y') + QStringLiteral("\r\nz"));
    selectText(output(), limit - 5, limit - 5);
    for (const auto& [pasted, refused] : {std::pair{"123456", true}, {"12345", false}, {"6", true}, {"\r\n6", false}}) {
        const QString before = output().text();
        QGuiApplication::clipboard()->setText(QString::fromLatin1(pasted));
        output().paste();
        EXPECT_EQ(output().text() == before, refused) << pasted;
        EXPECT_EQ(messages.shown.size(), refused ? 1 : 0) << pasted;
        messages.shown.clear();
    }

    // Lines now at the limit and "6": joining them or typing on the first
    // would make the same line by hand.
    const QString before = output().text();
    const auto pressAt = [&](int position, Qt::Key key) {
        selectText(output(), position, position);
        QTest::keyClick(&output(), key);
    };
    pressAt(limit, Qt::Key_Delete);
    pressAt(limit, Qt::Key_Q);
    EXPECT_EQ(output().text(), before);
    EXPECT_EQ(messages.shown.size(), 2);
    EXPECT_EQ(messages.failureTitles.count(window.windowTitle()), messages.failureTitles.size())
        << "failures carry the window's title";
    pressAt(limit + 2, Qt::Key_Q);  // on the short line
    EXPECT_EQ(output().text().size(), before.size() + 1);
}

bool showsWhole(const QLabel& label)
{
    const QFontMetricsF metrics(label.font());
    const qreal below = std::max<qreal>(0, metrics.tightBoundingRect(label.text()).bottom());
    return metrics.horizontalAdvance(label.text()) <= label.width() && metrics.ascent() + below <= label.height();
}

// DejaVu Sans, wider than Liberation Sans, is what a system without it gives for Arial.
TEST_F(WindowStressTest, EveryCaptionShowsWholeInItsPlaceWhateverTheFont)
{
    QLabel& status = child<QLabel>(QStringLiteral("Label1"));
    status.setText(statusText(67'108'864));
    for (const auto& [name, points] :
         {std::pair{"Label2", 9.75}, {"Label3", 9.75}, {"Label5", 12.0}, {"Label1", 12.0}}) {
        QLabel& label = child<QLabel>(QString::fromLatin1(name));
        const QRect place = label.geometry();
        EXPECT_TRUE(&label == &status || showsWhole(label)) << name << " as made";
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setBold(true);
        label.setFont(font);
        fitCaption(label, points);
        EXPECT_TRUE(showsWhole(label)) << name;
        EXPECT_EQ(label.geometry(), place) << name;
    }
}

// Run on several screens, from smaller than the window to large: a frame
// that does not fit keeps its start on the screen, one that fits is centred.
TEST_F(WindowOnScreen, TheTitleBarAndMenusAreOnScreen)
{
    QCoreApplication::processEvents();
    const QRect area = window.screen()->availableGeometry(), frame = window.frameGeometry();
    SCOPED_TRACE(::testing::Message() << area.width() << "x" << area.height() << " screen, frame at " << frame.x()
                                      << "," << frame.y() << " sized " << frame.width() << "x" << frame.height());
    EXPECT_TRUE(area.contains(frame.topLeft())) << "the title bar";
    EXPECT_TRUE(area.contains(window.menuBar()->mapToGlobal(QPoint(0, 0)))) << "the menus";
    EXPECT_TRUE(frame.width() > area.width() || std::abs(frame.center().x() - area.center().x()) <= 1) << "centred";
    EXPECT_TRUE(frame.height() > area.height() || std::abs(frame.center().y() - area.center().y()) <= 1) << "centred";
}

// Run on the wide screen only (see CMakeLists.txt).
TEST_F(InfoBox, ShowsExactlyItsThreeLinesAndOneButtonWithoutIcon)
{
    ASSERT_GE(window.screen()->availableGeometry().width(), 1024) << "needs a screen at least 1024 pixels wide";
    ui::InfoBox box(&window);
    box.show();
    QTest::qWait(300);  // a message box breaks its lines again when its layout changes after it is shown
    const auto* label = box.findChild<QLabel*>(QStringLiteral("infoText"));
    ASSERT_NE(label, nullptr);
    const QFontMetrics metrics(label->font());
    const QStringList lines = label->text().split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 3);
    for (const QString& line : lines) EXPECT_GE(label->width(), metrics.horizontalAdvance(line)) << "broken";
    EXPECT_LT(label->height(), 4 * metrics.lineSpacing()) << "more than three lines";
    const QList<QAbstractButton*> buttons = box.findChildren<QAbstractButton*>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_TRUE(buttons[0]->icon().isNull());
}

// The window program, started through the shell with `redirect` on its
// streams, and the display `display` ("" for none).
void startWindowProgram(QProcess& program, const char* display, const char* redirect = "")
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(name);
    if (*display != 0) environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
    if (*redirect != 0) environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);
    program.start("/bin/sh", {"-c", QStringLiteral("exec \"$0\" %1").arg(redirect), QStringLiteral(VELMOR_MACHINE)});
}

// No display at all, and one that cannot be opened.
TEST(NoDisplay, TheWindowProgramSaysSoInOneLineAndEndsWithStatusOne)
{
    for (const char* display : {"", ":65000"}) {
        QProcess program;
        startWindowProgram(program, display);
        ASSERT_TRUE(program.waitForFinished(30000));
        const QString said = QString::fromLocal8Bit(program.readAllStandardError());
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << display;
        EXPECT_EQ(program.exitCode(), 1) << display;
        EXPECT_EQ(said.count(u'\n'), 1) << said.toStdString();
        for (const char* word : {"display", "velmor ", display}) EXPECT_TRUE(said.contains(word)) << said.toStdString();
    }
}

// Started with its standard streams closed, it keeps those descriptors on
// /dev/null, so no file it saves can be given one of them.
TEST(ClosedStreams, TheWindowProgramPutsNullDeviceInTheirPlace)
{
    QProcess program;
    startWindowProgram(program, "", "<&- >&- 2>&-");
    ASSERT_TRUE(program.waitForStarted());
    const QString fds = QStringLiteral("/proc/%1/fd/").arg(program.processId());
    // Once the window is up, every file it opens at start has been opened.
    QDeadlineTimer deadline(20000);
    while (!QFileInfo::exists(fds + QStringLiteral("5")) && !deadline.hasExpired()) QThread::msleep(20);
    for (int fd = 0; fd <= 2; ++fd)
        EXPECT_EQ(QFileInfo(fds + QString::number(fd)).symLinkTarget(), QStringLiteral("/dev/null")) << fd;
    program.kill();
    program.waitForFinished();
}

}  // namespace
}  // namespace velmor::ui::test
