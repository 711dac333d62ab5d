// SPDX-License-Identifier: MIT
// The form as every person meets it: the tab order, the names a screen
// reader says, captions readable under a dark theme and whole in any font,
// menus whose end separators show, its place on screens of every size, the
// information box, the closing path, and the window program itself without
// a display or standard streams.
#include "window_fixture.h"

#include <QAccessible>

namespace velmor::ui::test {


// The tab key cycles through the boxes, and a screen reader names each by
// its caption and reads the status as a status.
TEST_F(WindowTest, TabCyclesTheBoxesWhichAScreenReaderNamesAndMenusShowTheirEndSeparators)
{
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    input().setFocus();
    QStringList visited;
    for (const auto& [box, caption] : {std::pair{"txtVelmor", "Label2"}, {"txtOutputBox", "Label3"}, {"txtKey", "Label5"}}) {
        visited << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QAccessibleInterface* read = QAccessible::queryAccessibleInterface(&child<QWidget>(box));
        const auto labels = read->relations(QAccessible::Label);
        const QString name = read->text(QAccessible::Name);
        EXPECT_TRUE(!name.isEmpty() && child<QLabel>(caption).text().startsWith(name) && !labels.isEmpty() &&
                    labels[0].first->object() == &child<QLabel>(caption)) << box;
    }
    EXPECT_EQ(visited << QApplication::focusWidget()->objectName(),
              QStringList({"txtVelmor", "txtOutputBox", "txtKey", "txtVelmor"}));
    status().setText(QStringLiteral("changed"));
    QAccessibleInterface* read = QAccessible::queryAccessibleInterface(&status());
    EXPECT_TRUE(read->role() == QAccessible::StatusBar && read->text(QAccessible::Name) == "changed");
    // Qt leaves out a menu's first and last separators, and would draw them on its frame.
    for (const char* name : {"Fi", "EnDe", "EW", "PasW"}) {
        QMenu& menu = child<QMenu>(name);
        menu.popup(window.geometry().topLeft());
        const QRect first = menu.actionGeometry(menu.actions().first()), last = menu.actionGeometry(menu.actions().last());
        const int frame = menu.style()->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, &menu) +
                          menu.style()->pixelMetric(QStyle::PM_MenuVMargin, nullptr, &menu);
        menu.hide();
        EXPECT_TRUE(menu.actions().first()->isSeparator() && menu.actions().last()->isSeparator() &&
                    first.top() >= frame + 2 && last.bottom() <= menu.height() - frame - 3) << name;
    }
    for (ExactTextEdit* box : {&input(), &output()})
        EXPECT_TRUE(box->horizontalScrollBar()->isVisible() && box->verticalScrollBar()->isVisible());
}

static bool showsWhole(const QLabel& label)
{
    const QFontMetricsF metrics(label.font());
    const qreal below = std::max<qreal>(0, metrics.tightBoundingRect(label.text()).bottom());
    return metrics.horizontalAdvance(label.text()) <= label.width() && metrics.ascent() + below <= label.height();
}

// DejaVu Sans, wider than Liberation Sans, is what a system without it gives
// for Arial; the longest status is that of the largest file. Under a dark
// theme the captions would be light on the light grey.
TEST(Captions, EveryCaptionShowsWholeInItsPlaceWhateverTheFontAndTheme)
{
    const QPalette before = QApplication::palette();
    QApplication::setPalette(QPalette(Qt::white, QColor(0x22, 0x20, 0x20), Qt::gray, Qt::black, Qt::darkGray, Qt::white,
                                      QColor(0x42, 0x42, 0x45)));  // light text on dark
    ShownWindow shown;
    shown.status().setText(statusText(words::kMaxOpenBytes));
    for (const auto& [name, points] : {std::pair{"Label2", 9.75}, {"Label3", 9.75}, {"Label5", 12.0}, {"Label1", 12.0}}) {
        QLabel& label = shown.child<QLabel>(name);
        const QRect place = label.geometry();
        EXPECT_TRUE(&label == &shown.status() || showsWhole(label)) << name << " as made";
        EXPECT_TRUE(label.palette().color(label.foregroundRole()) == Qt::black &&
                    label.palette().color(label.backgroundRole()) == QColor(192, 192, 192)) << name;
        label.setFont(QFont(QStringLiteral("DejaVu Sans"), -1, QFont::Bold));
        fitCaption(label, points);
        EXPECT_TRUE(showsWhole(label) && label.geometry() == place) << name;
    }
    QApplication::setPalette(before);
}

// Run on several screens, from smaller than the window to large (see
// CMakeLists.txt): a frame that does not fit keeps its start on the
// screen, one that fits is centred.
TEST_F(WindowOnScreen, TheTitleBarAndMenusAreOnScreen)
{
    QCoreApplication::processEvents();
    const QRect area = window.screen()->availableGeometry(), frame = window.frameGeometry();
    EXPECT_TRUE(area.contains(frame.topLeft()) && area.contains(window.menuBar()->mapToGlobal(QPoint(0, 0))));
    EXPECT_TRUE(frame.width() > area.width() || std::abs(frame.center().x() - area.center().x()) <= 1) << "centred";
    EXPECT_TRUE(frame.height() > area.height() || std::abs(frame.center().y() - area.center().y()) <= 1) << "centred";
    EXPECT_LE(ui::InfoBox(&window).sizeHint().width(), area.width()) << "the information box fits the screen";
    const QRect small(100, 30, 800, 570);
    for (const auto& [size, at] : {std::pair{QSize(900, 700), QPoint(100, 30)}, {QSize(600, 700), QPoint(200, 30)},
                                   {QSize(900, 470), QPoint(100, 80)}, {QSize(800, 570), QPoint(100, 30)}})
        EXPECT_EQ(framePosition(size, small), at);
}

// Run on the wide screen only (see CMakeLists.txt).
TEST(InfoBox, ShowsExactlyItsThreeLinesAndOneButtonWithoutIcon)
{
    ui::InfoBox box;
    box.show();
    QTest::qWait(300);  // a message box breaks its lines again when its layout changes after it is shown
    const QLabel& label = *box.findChild<QLabel*>(QStringLiteral("infoText"));
    const QStringList lines{QString::fromUtf16(words::kInfoLine1), QString::fromUtf16(words::kInfoLine2),
                            QString::fromUtf16(words::kInfoLine3)};
    EXPECT_EQ(label.text() + box.windowTitle(), lines.join(QStringLiteral("\r\n")) + QString::fromUtf16(words::kInfoTitle));
    for (const QString& line : lines) EXPECT_GE(label.width(), QFontMetrics(label.font()).horizontalAdvance(line));
    EXPECT_LT(label.height(), 4 * QFontMetrics(label.font()).lineSpacing()) << "more than three lines";
    const QList<QAbstractButton*> buttons = box.findChildren<QAbstractButton*>();
    EXPECT_TRUE(buttons.size() == 1 && buttons[0]->icon().isNull());
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
        for (TwipRect previous = start; const TwipRect& frame : frames) {
            const TwipRect p = std::exchange(previous, frame);
            EXPECT_TRUE(frame.left - p.left == frame.top - p.top && frame.top > p.top && frame.width <= p.width &&
                        frame.height <= p.height);
        }
    }
}

// The window program without a display, and with one that cannot be opened:
// one line says so, and the status is 1. Given its platform as its first
// argument and started with its standard streams closed, it comes up and
// keeps those descriptors on /dev/null, so no file it saves can get one.
TEST(WindowProgram, SaysWhenThereIsNoDisplayAndKeepsClosedStreamsOnTheNullDevice)
{
    for (const char* display : {"", ":65000", "-platform offscreen <&- >&- 2>&-"}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(name);
        const bool up = display[0] == '-';
        if (!up && *display != 0) environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start("/bin/sh", {"-c", QStringLiteral("exec \"$0\" %1").arg(up ? display : ""), VELMOR_MACHINE});
        ASSERT_TRUE(program.waitForStarted());
        const QString fds = QStringLiteral("/proc/%1/fd/").arg(program.processId());
        // Once the window is up, every file it opens at start has been opened.
        for (QDeadlineTimer deadline(20000);
             up && !QFileInfo::exists(fds + "5") && !program.waitForFinished(20) && !deadline.hasExpired();) {}
        for (int fd = 0; up && fd <= 2; ++fd)
            EXPECT_EQ(QFileInfo(fds + QString::number(fd)).symLinkTarget(), QStringLiteral("/dev/null")) << fd;
        if (up) program.kill();
        ASSERT_TRUE(program.waitForFinished(30000));
        const QString said = QString::fromLocal8Bit(program.readAllStandardError());
        EXPECT_EQ(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 1, !up) << display;
        EXPECT_TRUE(said.count(u'\n') == !up &&
                    (up || (said.contains("display") && said.contains("velmor ") && said.contains(display))))
            << said.toStdString();
    }
}

}  // namespace velmor::ui::test
