// A real main window for a test, with its controls found by their names, its
// dialogs and message boxes answered by stand-ins, and random texts.
#pragma once

#include "io/windows1252.h"
#include "io_doubles.h"
#include "ui/exact_text_edit.h"
#include "ui/main_window.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <random>

// Failures show texts with their control characters spelled out.
inline void PrintTo(const QString& text, std::ostream* out)
{
    for (const QChar c : text)
        if (c.unicode() >= 0x20 && c.unicode() < 0x7F) *out << static_cast<char>(c.unicode());
        else *out << "\\u" << std::hex << static_cast<int>(c.unicode()) << std::dec;
}

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

    // Chooses a menu item and waits until an encrypt or decrypt has written its result.
    void choose(const QString& item)
    {
        child(item).trigger();
        if (window.isCommandRunning()) waitForCommand();
    }
    void waitForCommand()
    {
        QSignalSpy finished(&window, &MainWindow::commandFinished);
        ASSERT_TRUE(finished.wait(30000)) << "the command did not finish";
    }

    io::testing::ScriptedFileDialogs dialogs;
    io::testing::RecordingMessages messages;
    MainWindow window{dialogs, messages};
};

// Every Windows-1252 character, in byte order.
inline QString allWindows1252Characters()
{
    QByteArray bytes(256, '\0');
    for (int byte = 0; byte < 256; ++byte) bytes[byte] = static_cast<char>(byte);
    return io::fromWindows1252(bytes);
}

// A random text rich in what is hard to keep: every kind of line break, runs
// of breaks, NUL, tabs, U+00A0, and characters from all of Windows-1252.
inline QString trickyText(std::mt19937& rng, qsizetype length)
{
    static const std::array<QStringView, 12> pieces{u"\r\n", u"\n", u"\r", u"\r\r\n", u"\n\r", u"\u2028",
                                                    u"\u2029", QStringView(u"\0", 1), u"\t", u"\u00A0", u"\"", u"\uFFFC"};
    static const QString all = allWindows1252Characters();
    std::uniform_int_distribution<std::size_t> piece(0, pieces.size() * 3);
    std::uniform_int_distribution<qsizetype> character(0, all.size() - 1);
    QString text;
    while (text.size() < length) {
        const std::size_t pick = piece(rng);
        text += pick < pieces.size() ? pieces[pick] : QStringView(all.constData() + character(rng), 1);
    }
    return text;
}

}  // namespace velmor::ui::test
