// SPDX-License-Identifier: MIT
// Message boxes on QMessageBox, with words too wide for them shortened to fit.
#include "messages.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QStringList>

#include <algorithm>

namespace velmor::io {
namespace {

// The widest a line may be: half the screen, as Qt's own boxes aim for.
int widestLine(const QWidget* owner)
{
    const QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
    const int half = screen != nullptr ? screen->availableGeometry().width() / 2 : 400;
    return std::clamp(half, 200, 600);
}

// A box wraps its lines at spaces but cannot break a word, so a long path
// would be cut off at its right edge. A word too wide is shortened in the
// middle, keeping a path's start and its last part, the file's own name.
QString shortenWord(const QString& word, const QFontMetrics& metrics, int width)
{
    if (metrics.horizontalAdvance(word) <= width) return word;
    const qsizetype slash = word.lastIndexOf(u'/');
    const QString name = slash > 0 ? word.sliced(slash) : QString();
    const int headRoom = width - metrics.horizontalAdvance(name);
    if (!name.isEmpty() && headRoom >= metrics.horizontalAdvance(QStringLiteral("/xxxx\u2026")))
        return metrics.elidedText(word.first(slash), Qt::ElideMiddle, headRoom) + name;
    return metrics.elidedText(word, Qt::ElideMiddle, width);
}

QString shortenWords(const QString& text, const QFontMetrics& metrics, int width)
{
    QStringList lines = text.split(u'\n');
    for (QString& line : lines) {
        QStringList words = line.split(u' ');
        for (QString& word : words) word = shortenWord(word, metrics, width);
        line = words.join(u' ');
    }
    return lines.join(u'\n');
}

int show(QWidget* owner, QMessageBox::Icon icon, const QString& title, const QString& text,
         QMessageBox::StandardButtons buttons, QMessageBox::StandardButton byDefault)
{
    QMessageBox box(icon, title, QString(), buttons, owner);
    box.setDefaultButton(byDefault);
    const auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    const QString shown = shortenWords(text, QFontMetrics(label != nullptr ? label->font() : box.font()),
                                       widestLine(owner));
    box.setText(shown);
    box.setTextFormat(Qt::PlainText);
    // What was shortened is there in full, to read or copy.
    if (shown != text) box.setDetailedText(text);
    return box.exec();
}

}  // namespace

void MessageBoxes::warn(QWidget* owner, const QString& title, const QString& text)
{
    show(owner, QMessageBox::Warning, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool MessageBoxes::ask(QWidget* owner, const QString& title, const QString& question)
{
    // No is the default, so that a stray Enter does not replace or create a file.
    return show(owner, QMessageBox::Question, title, question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
           QMessageBox::Yes;
}

}  // namespace velmor::io
