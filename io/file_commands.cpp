// SPDX-License-Identifier: MIT
// The File menu's commands on top of the dialogs, text files and clipboard.
#include "file_commands.h"

#include "file_dialogs.h"
#include "messages.h"
#include "shown_path.h"
#include "text_file.h"
#include "text_holder.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QWidget>
#include <QtConcurrent/QtConcurrentRun>

#include <optional>

namespace velmor::io {
namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("velmor::io::FileCommands", text);
}

// A failure is told in a box that carries the window's own title.
QString failureTitle(const QWidget* owner)
{
    return owner != nullptr ? owner->window()->windowTitle() : QString();
}

struct DialogTexts {
    QString filter;
    QString title;
};

DialogTexts openDialogTexts(TextKind kind)
{
    const QString filter = QStringLiteral("Text Files (*.txt)|*.txt|All files (*.*)|*.*");
    return kind == TextKind::Plain ? DialogTexts{filter, QStringLiteral("Select A Text File")}
                                   : DialogTexts{filter, QStringLiteral("Select A Encrypted File")};
}

DialogTexts saveDialogTexts(TextKind kind)
{
    return kind == TextKind::Plain
               ? DialogTexts{QStringLiteral("Files (*.*)|*.*"), QStringLiteral("Save File As")}
               : DialogTexts{QStringLiteral("Txt Files (*.txt)|*.txt"), QStringLiteral("Save Encryped Tex File As")};
}

}  // namespace

FileCommands::FileCommands(QWidget* owner, FileDialogs& dialogs, Messages& messages)
    : owner_(owner), dialogs_(dialogs), messages_(messages)
{
}

void FileCommands::newText(TextHolder& input, TextHolder& output) const
{
    input.setText(QString());
    output.setText(QString());
}

bool FileCommands::openInto(TextHolder& box, TextKind kind)
{
    const DialogTexts texts = openDialogTexts(kind);
    const QString path = dialogs_.ShowOpenDialog(owner_, texts.filter, texts.title, QString());
    if (path.isEmpty()) return false;
    return openFileInto(box, QFile::encodeName(path));
}

bool FileCommands::openFileInto(TextHolder& box, const QByteArray& path)
{
    const auto status = [this](const QString& text) {
        if (showStatus_) showStatus_(text);
    };
    status(tr("Please Wait While Reading %1").arg(shownPath(path.sliced(path.lastIndexOf('/') + 1))));
    // Reading, decoding and measuring 64 MiB take seconds on a slow disk.
    QFutureWatcher<FileText> reading;
    QEventLoop waiting;
    QObject::connect(&reading, &QFutureWatcher<FileText>::finished, &waiting, &QEventLoop::quit);
    reading.setFuture(QtConcurrent::run([path] { return readBoxFile(path); }));
    waiting.exec();
    FileText read = reading.future().takeResult();
    const qsizetype characters = read.shownInPart ? read.kept.size() : read.text.size();
    status(read.ok() ? tr("Please Wait While Showing %1 Characters").arg(characters) : QString());
    if (!read.ok()) {
        messages_.warn(owner_, failureTitle(owner_), read.failure);
        return false;
    }
    if (read.shownInPart)
        box.keepLongText(read.kept);
    else
        box.setText(read.text);
    status(QString());
    return true;
}

bool FileCommands::saveFrom(const TextHolder& box, TextKind kind)
{
    // Checked before the dialog, so that the user does not choose a file for
    // a text that cannot be written.
    // A text kept as bytes is written as it is kept.
    const std::optional<QByteArray> kept = box.keptBytes();
    const FileBytes encoded = kept ? FileBytes{*kept, {}} : encodeForFile(box.text());
    if (!encoded.ok()) {
        messages_.warn(owner_, failureTitle(owner_), encoded.failure);
        return false;
    }
    const DialogTexts texts = saveDialogTexts(kind);
    const QString path = dialogs_.ShowSaveDialog(owner_, texts.filter, texts.title, QString(), QString());
    if (path.isEmpty()) return false;
    // Writing and syncing 64 MiB takes longer than the window may stand still.
    QFutureWatcher<FileWrite> writing;
    QEventLoop waiting;
    QObject::connect(&writing, &QFutureWatcher<FileWrite>::finished, &waiting, &QEventLoop::quit);
    writing.setFuture(QtConcurrent::run([path, bytes = encoded.bytes] { return writeFileAtomically(path, bytes); }));
    waiting.exec();
    const FileWrite written = writing.future().takeResult();
    if (!written.ok()) {
        messages_.warn(owner_, failureTitle(owner_), written.failure);
        return false;
    }
    return true;
}

void FileCommands::copyToClipboard(const TextHolder& box) const
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QString text = box.text();
    // An empty text would still leave an empty text entry behind; clearing
    // leaves nothing at all of what was there before.
    if (text.isEmpty())
        clipboard->clear();
    else
        clipboard->setText(text);
}

}  // namespace velmor::io
