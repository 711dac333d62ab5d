// SPDX-License-Identifier: MIT
// Stand-ins for a box, the file dialogs and the message boxes, so that file
// commands run headless and no modal window blocks a test; and raw file access.
#pragma once

#include "io/file_dialogs.h"
#include "io/messages.h"
#include "io/text_holder.h"

#include <QDirIterator>
#include <QFile>
#include <QStringList>

#include <utility>

namespace velmor::io::testing {

struct StringHolder final : TextHolder {
    explicit StringHolder(QString text = {}) : held(std::move(text)) {}
    QString text() const override { return held; }
    void setText(const QString& text) override { held = text; }
    QString held;
};

// Answers each dialog with the next of `answers`; "" or none left is a
// cancel. An answer still there afterwards was never asked for.
struct ScriptedFileDialogs final : FileDialogs {
    QStringList answers;

    QString ShowOpenDialog(QWidget*, const QString&, const QString&, const QString&) override { return next(); }
    QString ShowSaveDialog(QWidget*, const QString&, const QString&, const QString&, const QString&) override
    {
        return next();
    }
    QString next() { return answers.isEmpty() ? QString() : answers.takeFirst(); }
};

// Records the text of every box and the title of every failure; questions
// take the next of `answers`, then yes.
struct RecordingMessages final : Messages {
    QStringList shown;
    QStringList failureTitles;
    QList<bool> answers;

    void warn(QWidget*, const QString& title, const QString& text) override
    {
        failureTitles.push_back(title);
        shown.push_back(text);
    }
    bool ask(QWidget*, const QString&, const QString& question) override
    {
        shown.push_back(question);
        return answers.isEmpty() || answers.takeFirst();
    }
};

// True when the file now holds exactly `bytes`.
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
inline QStringList entries(const QString& folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) found << QDir(folder).relativeFilePath(it.next());
    found.sort();
    return found;
}

}  // namespace velmor::io::testing
