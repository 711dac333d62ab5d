// SPDX-License-Identifier: MIT
// Stand-ins for a box, the file dialogs and the message boxes, so that file
// commands run headless and no modal window blocks a test; and raw file access.
#pragma once

#include "io/file_dialogs.h"
#include "io/messages.h"
#include "io/text_holder.h"

#include <QtCore>

namespace velmor::io::testing {

struct StringHolder final : TextHolder {
    explicit StringHolder(QString text = {}) : held(std::move(text)) {}
    QString text() const override { return held; }
    void setText(const QString& text) override { held = text; }
    QString held;
};

// Answers each dialog with the next of `answers`; "" or none left is a
// cancel. Notes each dialog's title and filter in `asked`.
struct ScriptedFileDialogs final : FileDialogs {
    QStringList answers, asked;
    QString ShowOpenDialog(QWidget*, const QString& filter, const QString& title, const QString&) override
    {
        asked << title + u' ' + filter;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    QString ShowSaveDialog(QWidget* parent, const QString& filter, const QString& title, const QString& folder,
                           const QString&) override
    {
        return ShowOpenDialog(parent, filter, title, folder);
    }
};

// Records the text and the title of every box; every question is answered yes.
struct RecordingMessages final : Messages {
    QStringList shown, titles;
    void warn(QWidget*, const QString& title, const QString& text) override { ask(nullptr, title, text); }
    bool ask(QWidget*, const QString& title, const QString& question) override
    {
        return titles << title, shown << question, true;
    }
};

inline bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArrayLiteral("(cannot be read)");
}

// Everything in `folder` and its subfolders, named relative to it, sorted.
inline QString entries(const QString& folder)
{
    QStringList found;
    for (QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                         QDirIterator::Subdirectories);
         it.hasNext();)
        found << QDir(folder).relativeFilePath(it.next());
    return found.sort(), found.join(u' ');
}

}  // namespace velmor::io::testing
