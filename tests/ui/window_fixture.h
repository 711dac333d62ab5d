// A real main window for a test, with its controls found by their names, its
// dialogs and message boxes answered by stand-ins, and random texts for
// property tests.
#pragma once

#include "io_doubles.h"
#include "ui/exact_text_edit.h"
#include "ui/main_window.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

#include <gtest/gtest.h>

#include <ostream>
#include <random>

// Test failures show texts with their control characters spelled out.
void PrintTo(const QString& text, std::ostream* out);

namespace velmor::ui::test {

class WindowTest : public ::testing::Test {
protected:
    WindowTest() { window.show(); }

    template <class T = QAction>
    T& child(const QString& name)
    {
        T* found = window.findChild<T*>(name);
        if (found == nullptr) throw std::runtime_error("no child named " + name.toStdString());
        return *found;
    }
    ExactTextEdit& input() { return child<ExactTextEdit>(QStringLiteral("txtVelmor")); }
    ExactTextEdit& output() { return child<ExactTextEdit>(QStringLiteral("txtOutputBox")); }
    QLineEdit& password() { return child<QLineEdit>(QStringLiteral("txtKey")); }
    QLabel& status() { return child<QLabel>(QStringLiteral("Label1")); }

    // Chooses a menu item and, for an encrypt or decrypt command, waits
    // until it has written its result.
    void choose(const QString& item);
    void waitForCommand();

    // Answer the file dialogs and record the message boxes, so no test
    // waits on a modal window.
    io::testing::ScriptedFileDialogs dialogs;
    io::testing::RecordingMessages messages;
    MainWindow window{dialogs, messages};
};

// Every Windows-1252 character, in byte order.
QString allWindows1252Characters();

// A random text rich in what is hard to keep: every kind of line break, runs
// of breaks, NUL, tabs, U+00A0, and characters from all of Windows-1252.
QString trickyText(std::mt19937& rng, qsizetype length);

QString printableText(std::mt19937& rng, qsizetype length);

}  // namespace velmor::ui::test
