// SPDX-License-Identifier: MIT
// The form as every person meets it: the tab order, the names a screen
// reader says, captions readable under a dark theme and whole in any font,
// menus whose end separators show, its place on screens of every size, the
// information box, the closing path, and the window program itself without
// a display or standard streams.
#include "window_fixture.h"

#include "ui/form.h"
#include "ui/start_and_exit.h"
#include "words/words.h"

#include <QAccessible>

#include <random>

namespace velmor::ui::test {
namespace {

using FormTest = WindowTest;
using WindowOnScreen = WindowTest;
using InfoBox = WindowTest;

TEST_F(FormTest, TabCyclesInputOutputPasswordAndBack)
{
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    input().setFocus();
    QStringList visited;
    for (int i = 0; i < 4; ++i) {
        visited << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(visited, QStringList({"txtVelmor", "txtOutputBox", "txtKey", "txtVelmor"}));
}

TEST_F(FormTest, AScreenReaderNamesEveryBoxByItsCaptionAndReadsTheStatusAsAStatus)
{
    for (const auto& [box, caption] : {std::pair{"txtVelmor", "Label2"}, {"txtOutputBox", "Label3"}, {"txtKey", "Label5"}}) {
        QAccessibleInterface* read = QAccessible::queryAccessibleInterface(&child<QWidget>(box));
        const QString name = read->text(QAccessible::Name);
        EXPECT_TRUE(!name.isEmpty() && child<QLabel>(caption).text().startsWith(name)) << box;
        QAccessibleInterface* label = QAccessible::queryAccessibleInterface(&child<QLabel>(caption));
        bool labelled = false;
        for (const auto& [other, relation] : read->relations(QAccessible::Label)) labelled |= other == label;
        EXPECT_TRUE(labelled) << box << " is not labelled by " << caption;
    }
    QAccessibleInterface* read = QAccessible::queryAccessibleInterface(&status());
    EXPECT_EQ(read->role(), QAccessible::StatusBar);
    status().setText(QStringLiteral("changed"));
    EXPECT_EQ(read->text(QAccessible::Name), QStringLiteral("changed"));
}

// Under a dark theme the captions' text would be light on the light grey.
TEST(DarkTheme, EveryCaptionAndTheStatusStayBlackOnTheFormsGrey)
{
    const QPalette before = QApplication::palette();
    QPalette dark(QColor(0x42, 0x42, 0x45), QColor(0x22, 0x20, 0x20));
    dark.setColor(QPalette::WindowText, Qt::white);
    QApplication::setPalette(dark);
    {
        ShownWindow shown;
        for (const char* name : {"Label1", "Label2", "Label3", "Label5"}) {
            const QLabel& label = shown.child<QLabel>(name);
            EXPECT_EQ(label.palette().color(label.foregroundRole()), QColor(Qt::black)) << name;
            EXPECT_EQ(label.palette().color(label.backgroundRole()), QColor(192, 192, 192)) << name;
        }
    }
    QApplication::setPalette(before);
}

// Qt leaves out a menu's first and last separators, and would draw them on its frame.
TEST_F(FormTest, EveryMenuShowsItsFirstAndLastSeparatorAndBoxesBothScrollBars)
{
    for (const char* name : {"Fi", "EnDe", "EW", "PasW"}) {
        QMenu& menu = child<QMenu>(name);
        menu.popup(window.geometry().topLeft());
        const QRect first = menu.actionGeometry(menu.actions().first()), last = menu.actionGeometry(menu.actions().last());
        const int frame = menu.style()->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, &menu) +
                          menu.style()->pixelMetric(QStyle::PM_MenuVMargin, nullptr, &menu);
        menu.hide();
        EXPECT_TRUE(menu.actions().first()->isSeparator() && menu.actions().last()->isSeparator()) << name;
        EXPECT_FALSE(first.isEmpty() || last.isEmpty()) << name << ": left out";
        EXPECT_TRUE(first.top() >= frame + 2 && last.bottom() <= menu.height() - frame - 3) << name << ": on the frame";
    }
    for (ExactTextEdit* box : {&input(), &output()})
        EXPECT_TRUE(box->horizontalScrollBar()->isVisible() && box->verticalScrollBar()->isVisible());
}

bool showsWhole(const QLabel& label)
{
    const QFontMetricsF metrics(label.font());
    const qreal below = std::max<qreal>(0, metrics.tightBoundingRect(label.text()).bottom());
    return metrics.horizontalAdvance(label.text()) <= label.width() && metrics.ascent() + below <= label.height();
}

// DejaVu Sans, wider than Liberation Sans, is what a system without it gives
// for Arial; the longest status is that of the largest file.
TEST_F(FormTest, EveryCaptionShowsWholeInItsPlaceWhateverTheFont)
{
    status().setText(statusText(words::kMaxOpenBytes));
    for (const auto& [name, points] : {std::pair{"Label2", 9.75}, {"Label3", 9.75}, {"Label5", 12.0}, {"Label1", 12.0}}) {
        QLabel& label = child<QLabel>(name);
        const QRect place = label.geometry();
        EXPECT_TRUE(&label == &status() || showsWhole(label)) << name << " as made";
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setBold(true);
        label.setFont(font);
        fitCaption(label, points);
        EXPECT_TRUE(showsWhole(label) && label.geometry() == place) << name;
    }
}

// Run on several screens, from smaller than the window to large (see
// CMakeLists.txt): a frame that does not fit keeps its start on the
// screen, one that fits is centred.
TEST_F(WindowOnScreen, TheTitleBarAndMenusAreOnScreen)
{
    QCoreApplication::processEvents();
    const QRect area = window.screen()->availableGeometry(), frame = window.frameGeometry();
    EXPECT_TRUE(area.contains(frame.topLeft())) << "the title bar";
    EXPECT_TRUE(area.contains(window.menuBar()->mapToGlobal(QPoint(0, 0)))) << "the menus";
    EXPECT_TRUE(frame.width() > area.width() || std::abs(frame.center().x() - area.center().x()) <= 1) << "centred";
    EXPECT_TRUE(frame.height() > area.height() || std::abs(frame.center().y() - area.center().y()) <= 1) << "centred";
    const QRect small(100, 30, 800, 570);
    for (const auto& [size, at] : {std::pair{QSize(900, 700), QPoint(100, 30)}, {QSize(600, 700), QPoint(200, 30)},
                                   {QSize(900, 470), QPoint(100, 80)}, {QSize(800, 570), QPoint(100, 30)}})
        EXPECT_EQ(framePosition(size, small), at);
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
    const QStringList lines{QString::fromUtf16(words::kInfoLine1), QString::fromUtf16(words::kInfoLine2),
                            QString::fromUtf16(words::kInfoLine3)};
    EXPECT_EQ(label->text(), lines.join(QStringLiteral("\r\n")));
    EXPECT_EQ(box.windowTitle(), QString::fromUtf16(words::kInfoTitle));
    const QFontMetrics metrics(label->font());
    for (const QString& line : lines) EXPECT_GE(label->width(), metrics.horizontalAdvance(line)) << "broken";
    EXPECT_LT(label->height(), 4 * metrics.lineSpacing()) << "more than three lines";
    const QList<QAbstractButton*> buttons = box.findChildren<QAbstractButton*>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_TRUE(buttons[0]->icon().isNull());
}

// From anywhere on or off the screen, every step of the path when there are
// few: 30 twips right and down, 60 narrower and lower down to the smallest
// size, ending with the first step whose top is past the screen's width; with
// many, at most the frame limit of them, and the same end.
TEST(ShrinkPath, EndsWithTheFirstStepPastTheScreensWidthMovingDiagonallyAndShrinking)
{
    constexpr int screen = 15360, smallest = 15;
    std::mt19937 rng(30);
    for (int round = 0; round < 200; ++round) {
        const TwipRect start{int(rng() % 60000) - 20000, int(rng() % 60000) - 40000, int(rng() % 12000),
                             int(rng() % 12000)};
        const int limit = round % 2 ? 120 : 1 << 20;
        const std::vector<TwipRect> frames = shrinkFrames(start, screen, smallest, smallest, limit);
        ASSERT_TRUE(!frames.empty() && int(frames.size()) <= limit);
        const TwipRect last = frames.back();
        const int steps = (last.top - start.top) / 30;
        EXPECT_TRUE(last.top > screen && (steps == 1 || last.top - 30 <= screen)) << "the first step past";
        const auto shrunk = [&](int size) { return std::max(std::min(size, smallest), size - 60 * steps); };
        EXPECT_EQ(last, (TwipRect{start.left + 30 * steps, start.top + 30 * steps, shrunk(start.width),
                                  shrunk(start.height)}));
        EXPECT_TRUE(limit == 120 || int(frames.size()) == steps);
        TwipRect previous = start;
        for (const TwipRect& frame : frames) {
            EXPECT_TRUE(frame.left - previous.left == frame.top - previous.top && frame.top > previous.top);
            EXPECT_TRUE(frame.width <= previous.width && frame.height <= previous.height);
            previous = frame;
        }
    }
}

// The window program, started through the shell with `redirect` on its
// streams, the display `display` ("" for none) and `arguments`.
void startWindowProgram(QProcess& program, const char* display, const char* arguments = "")
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(name);
    if (*display != 0) environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
    program.setProcessEnvironment(environment);
    program.start("/bin/sh", {"-c", QStringLiteral("exec \"$0\" %1").arg(arguments), QStringLiteral(VELMOR_MACHINE)});
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

// Given its platform as its first argument and started with its standard
// streams closed, it comes up and keeps those descriptors on /dev/null, so
// no file it saves can be given one of them.
TEST(ClosedStreams, TheWindowProgramPutsNullDeviceInTheirPlace)
{
    QProcess program;
    startWindowProgram(program, "", "-platform offscreen <&- >&- 2>&-");
    ASSERT_TRUE(program.waitForStarted());
    const QString fds = QStringLiteral("/proc/%1/fd/").arg(program.processId());
    // Once the window is up, every file it opens at start has been opened.
    QDeadlineTimer deadline(20000);
    while (!QFileInfo::exists(fds + QStringLiteral("5")) && !program.waitForFinished(20) && !deadline.hasExpired()) {
    }
    for (int fd = 0; fd <= 2; ++fd)
        EXPECT_EQ(QFileInfo(fds + QString::number(fd)).symLinkTarget(), QStringLiteral("/dev/null")) << fd;
    EXPECT_EQ(program.state(), QProcess::Running);
    program.kill();
    program.waitForFinished();
}

}  // namespace
}  // namespace velmor::ui::test
