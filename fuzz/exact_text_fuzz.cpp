// SPDX-License-Identifier: MIT
// Fuzzes the exact-text box: any text put into it, and any text pasted after
// it, comes back character for character, line breaks of every kind included.
#include "ui/exact_text_edit.h"

#include <QApplication>
#include <QClipboard>
#include <QTextCursor>

#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition) std::abort();
}

QString utf16(const std::uint8_t* data, std::size_t size)
{
    QString text;
    text.reserve(static_cast<qsizetype>(size / 2));
    for (std::size_t i = 0; i + 1 < size; i += 2) text.append(QChar(static_cast<char16_t>(data[i] | data[i + 1] << 8)));
    return text;
}

}  // namespace

velmor::ui::ExactTextEdit& box()
{
    // The application and the box live as long as the fuzzing process; a box
    // per input would spend the time on fonts.
    static velmor::ui::ExactTextEdit edit;
    return edit;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString whole = utf16(data, size);
    velmor::ui::ExactTextEdit& edit = box();
    edit.setText(whole);
    check(edit.text() == whole);

    // The first part set, the rest pasted at the end.
    const qsizetype cut = whole.isEmpty() ? 0 : static_cast<qsizetype>(data[0]) % (whole.size() + 1);
    edit.setText(whole.left(cut));
    edit.moveCursor(QTextCursor::End);
    QGuiApplication::clipboard()->setText(whole.mid(cut));
    edit.paste();
    check(edit.text() == whole);
    return 0;
}
