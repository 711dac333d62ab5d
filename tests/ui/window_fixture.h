// SPDX-License-Identifier: MIT
// A real main window for a test, with its controls found by their names and
// its dialogs and message boxes answered by stand-ins.
#pragma once

#include "io_doubles.h"
#include "io/text_file.h"
#include "io/windows1252.h"
#include "ui/exact_text_edit.h"
#include "ui/form.h"
#include "ui/main_window.h"
#include "ui/start_and_exit.h"
#include "words/words.h"

#include <QtTest>
#include <QtWidgets>

#include <gtest/gtest.h>

#include <ostream>
#include <random>

namespace velmor::ui::test {

// Selects from `from` to `to` in `box`, the cursor at `to`, as a drag of the mouse would.
inline void selectText(QPlainTextEdit& box, qsizetype from, qsizetype to)
{
    QTextCursor cursor = box.textCursor();
    cursor.setPosition(int(from)), cursor.setPosition(int(to), QTextCursor::KeepAnchor), box.setTextCursor(cursor);
}

// A drag of the file at `path` onto `box`, then its drop; true when the drop
// was taken. The file opens once the drop is over, and events are processed.
inline bool dropFile(ExactTextEdit& box, const QString& path, bool settle = true)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(box.viewport(), &enter), QApplication::sendEvent(box.viewport(), &drop);
    if (settle) QApplication::processEvents();
    return drop.isAccepted();
}

// A shown window whose dialogs and message boxes are answered by stand-ins.
struct ShownWindow {
    ShownWindow() { window.show(); }
    io::testing::ScriptedFileDialogs dialogs;
    io::testing::RecordingMessages messages;
    MainWindow window{dialogs, messages};

    template <class T = QAction>
    T& child(const QString& name) { return *window.findChild<T*>(name); }  // a wrong name fails the test
    ExactTextEdit& input() { return child<ExactTextEdit>("txtVelmor"); }
    ExactTextEdit& output() { return child<ExactTextEdit>("txtOutputBox"); }
    QLineEdit& password() { return child<QLineEdit>("txtKey"); }
    QLabel& status() { return child<QLabel>("Label1"); }

    // Chooses a menu item; an encrypt or decrypt is waited for until it has
    // written its result, and the status it showed meanwhile is returned.
    QString choose(const QString& item)
    {
        QSignalSpy finished(&window, &MainWindow::commandFinished);
        child(item).trigger();
        const QString shown = status().text();
        EXPECT_TRUE((!item.startsWith(u"EN") && !item.startsWith(u"DE")) || finished.wait(30000)) << item.toStdString();
        return shown;
    }
};

class WindowTest : public ::testing::Test, protected ShownWindow {};

// The same tests, run also on the screens of CMakeLists.txt.
using WindowOnScreen = WindowTest;

}  // namespace velmor::ui::test
