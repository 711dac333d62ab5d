// SPDX-License-Identifier: MIT
// The window for a person without a mouse, on a small screen, or dropping
// files: the menus from the keyboard, drops the window refuses or opens by
// their bytes, a password cut with its history, and a window that fits.
#include "window_fixture.h"

#include "words/words.h"

#include <cstdio>
#include <fstream>

namespace velmor::ui::test {
namespace {


// F10 and a lone Alt, which the window's own style left without effect, take the keyboard to the first menu and
// Escape back. A wheel count empties the password; neither undo nor redo brings any of it back. Several dropped
// files are refused in words, whether or not their names come as text too (as a file manager sends them). A name
// is bytes, not always UTF-8: the file they name opens, and a message shows each such byte as an escape.
TEST_F(WindowTest, TheMenusFromTheKeyboardAPasswordCutWithItsHistoryAndDroppedFiles)
{
    ASSERT_TRUE((window.activateWindow(), QTest::qWaitForWindowActive(&window)));
    QMenuBar& bar = *window.menuBar();
    QMenu& menu = child<QMenu>("EnDe");
    for (const auto& [key, modifier] : {std::pair{Qt::Key_F10, Qt::NoModifier}, {Qt::Key_Alt, Qt::AltModifier}}) {
        input().setFocus(), QTest::keyPress(&input(), key, modifier), QTest::keyRelease(&input(), key, {});
        EXPECT_TRUE(bar.hasFocus() && bar.activeAction() == child<QMenu>("Fi").menuAction()) << key;
        QTest::keyClick(&bar, Qt::Key_Right), QTest::keyClick(&bar, Qt::Key_Down);
        EXPECT_TRUE(QTest::qWaitFor([&] { return menu.isVisible(); }, 2000)) << "Down opens the menu";
        QTest::keyClick(&menu, Qt::Key_Escape), QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        EXPECT_TRUE(!menu.isVisible() && QApplication::focusWidget() == &input()) << key;
    }
    for (const char* shown : {"PassH", "PassS"}) {
        choose(shown), choose("EW20"), password().setFocus();
        QTest::keyClicks(&password(), QStringLiteral("ABCDEFGHIJKLMNOPQRST")), choose("EW4");
        for (const QKeySequence::StandardKey key : {QKeySequence::Undo, QKeySequence::Redo, QKeySequence::Undo})
            EXPECT_TRUE((QTest::keySequence(&password(), key), password().text().isEmpty())) << shown << key;
    }
    QTemporaryDir dir;
    const QByteArray bad = QFile::encodeName(dir.path()) + "/bad\xff.txt";
    const QByteArray url = QUrl::fromLocalFile(dir.path()).toEncoded();
    std::ofstream(bad.constData(), std::ios::binary) << "opened\r\n";
    const struct { QByteArrayList urls; bool withText; QString box, told; } rows[] = {
        {{url + "/a.txt", url + "/b.txt"}, true, "kept", QString::fromUtf16(words::kOneFileAtATime).arg(2)},
        {{url + "/a.txt", url + "/b.txt"}, false, "kept", QString::fromUtf16(words::kOneFileAtATime).arg(2)},
        {{url + "/bad%FF.txt"}, false, "opened\r\n", {}},
        {{url + "/gone%FF.txt"}, false, "kept", "/gone\\xFF.txt\""},
    };
    for (const auto& row : rows) {
        QMimeData data;
        data.setData("text/uri-list", row.urls.join("\r\n"));
        if (row.withText) data.setText(QString::fromLatin1(row.urls.join("\r\n")));
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        input().setText(QStringLiteral("kept")), messages.shown.clear();
        QApplication::sendEvent(input().viewport(), &enter), QApplication::sendEvent(input().viewport(), &drop);
        QApplication::processEvents();
        EXPECT_TRUE(enter.isAccepted() && drop.isAccepted() && input().text() == row.box &&
                    messages.shown.size() == !row.told.isEmpty() && messages.shown.join(u' ').contains(row.told))
            << row.urls.join(' ').toStdString() << row.withText << ' ' << messages.shown.join(u' ').toStdString();
    }
    std::remove(bad.constData());  // QTemporaryDir cannot remove what it cannot name.
}

// Run on several screens (see CMakeLists.txt): on one smaller than the window the whole frame stays on it and every
// control can be scrolled to; where the window fits, the form is laid out exactly as designed.
TEST_F(WindowOnScreen, TheWholeWindowFitsAndEveryControlCanBeReached)
{
    QCoreApplication::processEvents();
    const QRect area = window.screen()->availableGeometry(), frame = window.frameGeometry();
    EXPECT_TRUE(area.contains(frame)) << "the frame is " << frame.width() << "x" << frame.height();
    EXPECT_EQ(input().parentWidget()->size(), pixelRect({0, 0, kClientWidthTwips, kClientHeightTwips}).size());
    const QSize whole = input().parentWidget()->size() + QSize(0, window.menuBar()->height());
    const bool fits = area.size().expandedTo(whole + frame.size() - window.size()) == area.size();
    EXPECT_EQ(window.size() == whole, fits);
    EXPECT_TRUE(!fits || input().parentWidget()->mapTo(&window, QPoint()) == QPoint(0, window.menuBar()->height()));
    QScrollArea& scroller = *qobject_cast<QScrollArea*>(window.centralWidget());  // null fails the test
    EXPECT_EQ(scroller.horizontalScrollBar()->isVisible() || scroller.verticalScrollBar()->isVisible(), !fits);
    for (QWidget* control : QList<QWidget*>{&input(), &output(), &password(), &child<QWidget>("Label3")})
        EXPECT_TRUE((scroller.ensureWidgetVisible(control, 0, 0), !control->visibleRegion().isEmpty()) &&
                    window.rect().adjusted(0, 0, -19, -19).contains(control->mapTo(&window, QPoint())))
            << control->objectName().toStdString();
    const QSize fitted = window.size();  // and again once moved, as when a window manager has framed it
    EXPECT_EQ((window.setFixedSize(4000, 4000), window.move(window.pos() + QPoint(1, 1)), window.size()), fitted);
}

}  // namespace
}  // namespace velmor::ui::test
