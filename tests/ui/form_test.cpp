// SPDX-License-Identifier: MIT
// The form as every person meets it: the wheel menu's caption, the tab
// order, the names a screen reader says, readable captions under a dark
// theme, and the closing path from anywhere on or off the screen.
#include "window_fixture.h"

#include "ui/start_and_exit.h"

#include <QAccessible>

#include <cmath>

namespace velmor::ui::test {
namespace {

using FormTest = WindowTest;

TEST_F(FormTest, TheWheelMenuNamesEveryCountWithTwoDigits)
{
    for (int count = 4; count <= 30; count += 2) {
        choose(QStringLiteral("EW%1").arg(count));
        EXPECT_EQ(child<QMenu>(QStringLiteral("EW")).title(),
                  QStringLiteral("Encryption Wheels %1").arg(count, 2, 10, QChar(u'0')));
    }
}

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
    for (const auto& [box, caption, name] : {std::tuple{"txtVelmor", "Label2", "Unencrypted Text"},
                                             {"txtOutputBox", "Label3", "Encrypted"},
                                             {"txtKey", "Label5", "PassWord"}}) {
        QAccessibleInterface* read = QAccessible::queryAccessibleInterface(&child<QWidget>(box));
        ASSERT_NE(read, nullptr) << box;
        EXPECT_EQ(read->text(QAccessible::Name), QString::fromLatin1(name)) << box;
        QAccessibleInterface* label = QAccessible::queryAccessibleInterface(&child<QLabel>(caption));
        bool labelled = false;
        for (const auto& [other, relation] : read->relations(QAccessible::Label)) labelled |= other == label;
        EXPECT_TRUE(labelled) << box << " is not labelled by " << caption;
    }
    QAccessibleInterface* status = QAccessible::queryAccessibleInterface(&child<QLabel>(QStringLiteral("Label1")));
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->role(), QAccessible::StatusBar);
    child<QLabel>(QStringLiteral("Label1")).setText(statusText(42));
    EXPECT_EQ(status->text(QAccessible::Name), statusText(42));
}

// WCAG's contrast ratio, from 1 (none) to 21 (black on white).
double contrast(const QColor& a, const QColor& b)
{
    const auto luminance = [](const QColor& c) {
        const auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double first = luminance(a), second = luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

// The main colours of qt6ct's "darker" scheme: white text on dark greys.
QPalette darkerScheme()
{
    QPalette dark(QColor(0x42, 0x42, 0x45), QColor(0x22, 0x20, 0x20));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::BrightText})
        dark.setColor(role, Qt::white);
    dark.setColor(QPalette::Base, QColor(0x3d, 0x3d, 0x3d));
    return dark;
}

TEST(DarkTheme, EveryCaptionAndTheStatusStayReadableOnTheFormsGrey)
{
    const QPalette before = QApplication::palette();
    QApplication::setPalette(darkerScheme());
    {
        ShownWindow shown;
        for (const char* name : {"Label1", "Label2", "Label3", "Label5"}) {
            const QLabel& label = *shown.window.findChild<QLabel*>(QString::fromLatin1(name));
            const QColor text = label.palette().color(label.foregroundRole());
            const QColor back = label.palette().color(label.backgroundRole());
            EXPECT_EQ(back, QColor(192, 192, 192)) << name;
            EXPECT_GE(contrast(text, back), 4.5) << name << ": " << text.name().toStdString() << " on "
                                                  << back.name().toStdString();
        }
    }
    QApplication::setPalette(before);
}

// A real box on a 1280-pixel screen or smaller: a 3,042-character path
// fits in the box with the file's own name whole, and the whole text
// stays one click away.
TEST(FailureBox, HasTheWindowsTitleAWarningIconAndALongPathShortenedInTheMiddle)
{
    const QString name = QStringLiteral("the-file's-own-name.txt");
    QString path = QStringLiteral("/home/user");
    while (path.size() < 3042) path += QStringLiteral("/folder%1").arg(path.size());
    path = path.left(3042 - name.size() - 1) + u'/' + name;
    ASSERT_EQ(path.size(), 3042);
    const QString text = QStringLiteral("%1 could not be read: Permission denied").arg(path);
    ShownWindow shown;
    QString title, label, details;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int boxWidth = 0;
    QTimer::singleShot(0, &shown.window, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr) << "no message box";
        title = box->windowTitle(), label = box->text(), details = box->detailedText(), icon = box->icon();
        boxWidth = box->frameGeometry().width();
        box->accept();
    });
    io::MessageBoxes().warn(&shown.window, shown.window.windowTitle(), text);
    EXPECT_EQ(title, QString::fromUtf16(kWindowCaption));
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_LE(boxWidth, shown.window.screen()->availableGeometry().width());
    EXPECT_LT(label.size(), 200);
    EXPECT_TRUE(label.endsWith(u'/' + name + QStringLiteral(" could not be read: Permission denied")));
    // How much of the start fits depends on the fonts the machine has.
    EXPECT_TRUE(label.startsWith(QStringLiteral("/home/user/")) && label.contains(u'\u2026')) << label.toStdString();
    EXPECT_TRUE(details == text) << "the whole text is kept";
}

// Past the bottom or right edge, or above the top: the window reaches past
// the screen's width within the frame limit, moving down and shrinking all the way.
TEST(ShrinkPath, FromPastTheScreensEdgeTheWindowStillLeavesInFewSteadyFrames)
{
    constexpr int screen = 15360, size = 10335, smallest = kTwipsPerPixel;
    for (const TwipRect start : {TwipRect{0, screen + 1, size, size}, TwipRect{screen * 3, 600, size, size},
                                 TwipRect{-20000, -40000, size, size}, TwipRect{0, screen, size, size}}) {
        SCOPED_TRACE(::testing::Message() << "from " << start.left << "," << start.top);
        const std::vector<TwipRect> frames = shrinkFrames(start, screen, smallest, smallest, 120);
        ASSERT_FALSE(frames.empty());
        ASSERT_LE(frames.size(), 120u);
        EXPECT_GT(frames.back().top, screen);
        TwipRect previous = start;
        for (const TwipRect& frame : frames) {
            EXPECT_EQ(frame.left - previous.left, frame.top - previous.top) << "moves diagonally";
            EXPECT_GT(frame.top, previous.top);
            EXPECT_LE(frame.width, previous.width);
            EXPECT_GE(frame.width, smallest);
            previous = frame;
        }
    }
}

TEST(WindowPlacement, AFrameLargerThanTheScreenStartsAtItsCornerAndASmallerOneIsCentred)
{
    const QRect area(100, 30, 800, 570);
    EXPECT_EQ(framePosition({900, 700}, area), QPoint(100, 30));
    EXPECT_EQ(framePosition({600, 700}, area), QPoint(200, 30));
    EXPECT_EQ(framePosition({900, 470}, area), QPoint(100, 80));
    EXPECT_EQ(framePosition({800, 570}, area), QPoint(100, 30));
}

}  // namespace
}  // namespace velmor::ui::test
