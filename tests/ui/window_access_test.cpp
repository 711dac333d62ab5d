// SPDX-License-Identifier: MIT
// The window for a person without a mouse, on a small screen, or dropping
// files: the menus from the keyboard, drops the window refuses or opens by
// their bytes, a password cut with its history, and a window that fits.
#include "window_fixture.h"

#include "words/words.h"

#include <cstdio>

namespace velmor::ui::test {
namespace {

using WindowAccess = WindowTest;
using WindowOnScreen = WindowTest;

void pressAndReleaseAlt(QWidget* focus)
{
    QTest::keyPress(focus, Qt::Key_Alt, Qt::AltModifier);
    QTest::keyRelease(focus, Qt::Key_Alt, Qt::NoModifier);
}

void pressF10(QWidget* focus)
{
    QTest::keyClick(focus, Qt::Key_F10);
}

// Under the window's own style, which left Alt and F10 without effect.
TEST_F(WindowAccess, F10OrALoneAltTakesTheKeyboardToTheFirstMenuAndEscapeBack)
{
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QMenuBar& bar = *window.menuBar();
    for (const auto& [key, enter] : {std::pair{"F10", &pressF10}, {"Alt", &pressAndReleaseAlt}}) {
        SCOPED_TRACE(key);
        input().setFocus();
        enter(QApplication::focusWidget());
        EXPECT_TRUE(bar.hasFocus() && bar.activeAction() == child<QMenu>("Fi").menuAction());
        QTest::keyClick(&bar, Qt::Key_Right);
        QTest::keyClick(&bar, Qt::Key_Down);
        QMenu& menu = child<QMenu>("EnDe");
        EXPECT_TRUE(QTest::qWaitFor([&] { return menu.isVisible(); }, 2000)) << "Down opens the menu";
        QTest::keyClick(&menu, Qt::Key_Escape);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        EXPECT_FALSE(menu.isVisible());
        EXPECT_EQ(QApplication::focusWidget(), &input());
    }
}

// Drops the files at `urls` (percent-encoded bytes) onto `box` as a file
// manager would, their names as text too when `withText`; true when taken.
bool drop(ExactTextEdit& box, const QList<QByteArray>& urls, bool withText)
{
    QMimeData data;
    QList<QUrl> parsed;
    for (const QByteArray& url : urls) parsed << QUrl::fromEncoded(url);
    data.setUrls(parsed);
    if (withText) data.setText(QString::fromLatin1(urls.join("\r\n")));
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(box.viewport(), &enter);
    QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(box.viewport(), &dropped);
    QApplication::processEvents();
    return dropped.isAccepted();
}

// Several files are refused in words, whether or not their names come as
// text too. A name is bytes, not always UTF-8: the file they name opens, and
// a message shows each byte that is not UTF-8 as an escape.
TEST_F(WindowAccess, DroppedFilesOpenOneByItsBytesOrAreRefusedInWords)
{
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path()), bad = folder + "/bad\xff.txt";
    std::FILE* file = std::fopen(bad.constData(), "wb");
    ASSERT_TRUE(file != nullptr && std::fputs("opened\r\n", file) >= 0 && std::fclose(file) == 0);
    const QByteArray url = "file://" + folder.toPercentEncoding("/");
    const QString several = QString::fromUtf16(words::kOneFileAtATime).arg(2);
    const struct {
        QList<QByteArray> urls;
        bool withText;
        QString box, told;
    } rows[] = {
        {{url + "/a.txt", url + "/b.txt"}, true, "kept", several},
        {{url + "/a.txt", url + "/b.txt"}, false, "kept", several},
        {{url + "/bad%FF.txt"}, false, "opened\r\n", {}},
        {{url + "/gone%FF.txt"}, false, "kept", "/gone\\xFF.txt\""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.urls.join(' ').toStdString());
        input().setText(QStringLiteral("kept"));
        messages.shown.clear();
        EXPECT_TRUE(drop(input(), row.urls, row.withText));
        EXPECT_EQ(input().text(), row.box);
        EXPECT_TRUE(row.told.isEmpty() ? messages.shown.isEmpty()
                                       : messages.shown.size() == 1 && messages.shown[0].contains(row.told))
            << messages.shown.join(u' ').toStdString();
    }
    // QTemporaryDir cannot remove what it cannot name.
    std::remove(bad.constData());
}

// A wheel count empties the password; neither undo nor redo brings any of it back.
TEST_F(WindowAccess, AWheelCountEmptiesThePasswordAndItsHistory)
{
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    for (const char* shown : {"PassH", "PassS"}) {
        choose(shown);
        choose(QStringLiteral("EW20"));
        password().setFocus();
        QTest::keyClicks(&password(), QStringLiteral("ABCDEFGHIJKLMNOPQRST"));
        choose(QStringLiteral("EW4"));
        for (const QKeySequence::StandardKey key : {QKeySequence::Undo, QKeySequence::Redo, QKeySequence::Undo}) {
            QTest::keySequence(&password(), key);
            EXPECT_EQ(password().text(), QString()) << shown;
        }
    }
}

// Run on several screens (see CMakeLists.txt): on one smaller than the
// window the whole frame stays on it and every control can be scrolled to;
// where the window fits, the form is laid out exactly as designed.
TEST_F(WindowOnScreen, TheWholeWindowFitsAndEveryControlCanBeReached)
{
    QCoreApplication::processEvents();
    const QRect area = window.screen()->availableGeometry(), frame = window.frameGeometry();
    EXPECT_TRUE(area.contains(frame)) << "the frame is " << frame.width() << "x" << frame.height();
    QWidget& form = *input().parentWidget();
    const QSize designed = pixelRect({0, 0, kClientWidthTwips, kClientHeightTwips}).size();
    EXPECT_EQ(form.size(), designed);
    const QSize whole(designed.width(), designed.height() + window.menuBar()->height());
    const QSize framed = whole + frame.size() - window.size();
    const bool fits = framed.width() <= area.width() && framed.height() <= area.height();
    EXPECT_EQ(window.size() == whole, fits);
    EXPECT_TRUE(!fits || form.mapTo(&window, QPoint(0, 0)) == QPoint(0, window.menuBar()->height()));
    auto* scroller = qobject_cast<QScrollArea*>(window.centralWidget());
    ASSERT_NE(scroller, nullptr);
    EXPECT_EQ(scroller->horizontalScrollBar()->isVisible() || scroller->verticalScrollBar()->isVisible(), !fits);
    for (const char* name : {"txtVelmor", "txtOutputBox", "txtKey", "Label3"}) {
        QWidget& control = child<QWidget>(name);
        scroller->ensureWidgetVisible(&control, 0, 0);
        const QRect shown(control.mapTo(&window, QPoint(0, 0)), QSize(20, 20));
        EXPECT_TRUE(window.rect().contains(shown) && !control.visibleRegion().isEmpty()) << name;
    }
}

}  // namespace
}  // namespace velmor::ui::test
