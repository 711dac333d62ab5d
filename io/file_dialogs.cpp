// SPDX-License-Identifier: MIT
// The open and save dialogs on QFileDialog.
#include "file_dialogs.h"

#include "file_filter.h"
#include "messages.h"
#include "shown_path.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>

namespace velmor::io {
namespace {

void configureCommon(QFileDialog& dialog, const QString& filter, const QString& title, const QString& initialDir)
{
    dialog.setWindowTitle(title);
    const QStringList nameFilters = toNameFilters(filter);
    dialog.setNameFilters(nameFilters);
    if (!nameFilters.isEmpty()) dialog.selectNameFilter(nameFilters.first());
    if (!initialDir.isEmpty()) dialog.setDirectory(initialDir);
}

QString chosenPath(const QFileDialog& dialog)
{
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : QDir::toNativeSeparators(files.first());
}

void configureOpenDialog(QFileDialog& dialog, const QString& filter, const QString& title,
                         const QString& initialDir)
{
    configureCommon(dialog, filter, title, initialDir);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
}

void configureSaveDialog(QFileDialog& dialog, const QString& filter, const QString& title,
                         const QString& initialDir, const QString& defaultName)
{
    configureCommon(dialog, filter, title, initialDir);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QString::fromUtf16(kDefaultSuffix));
    // Replacing and creating are both confirmed by confirmSaveTarget, on the
    // name with its suffix, the same way whether the dialog is Qt's or the
    // system's.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!defaultName.isEmpty()) dialog.selectFile(defaultName);
}

// `path` with "." and `suffix` added when its file name has no ".", the
// rule QFileDialog itself follows.
QString withDefaultSuffix(const QString& path, QStringView suffix)
{
    if (path.isEmpty() || QFileInfo(path).fileName().contains(u'.')) return path;
    return path + u'.' + suffix.toString();
}

// Asks whether to replace `path` when it exists, or to create it when it
// does not; true when the user agrees.
bool confirmSaveTarget(QWidget* owner, const QString& title, const QString& path, Messages& messages)
{
    const QString name = shownPath(path);
    if (QFileInfo::exists(path))
        return messages.ask(owner, title, QObject::tr("%1 already exists.\nDo you want to replace it?").arg(name));
    return messages.ask(owner, title,
                        QObject::tr("%1\nThis file does not exist.\nDo you want to create it?").arg(name));
}

// QFileDialog saves the folders browsed, the last one and its column layout
// in the user's QtProject.conf (with QSettings in the native format), even
// when cancelled, and offers them again in the next run: a list of where
// someone keeps texts. The program keeps nothing between runs, so the
// user's settings of either format lie under /dev/null, which is no folder:
// they read as empty, and no file, lock file or folder is ever made.
void keepSettingsNowhere()
{
    for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, QStringLiteral("/dev/null"));
}

}  // namespace

SystemFileDialogs::SystemFileDialogs(Messages& messages) : messages_(messages)
{
    keepSettingsNowhere();
}

QString SystemFileDialogs::ShowOpenDialog(QWidget* owner, const QString& filter, const QString& title,
                                          const QString& initialDir)
{
    QFileDialog dialog(owner);
    configureOpenDialog(dialog, filter, title, initialDir);
    return dialog.exec() == QDialog::Accepted ? chosenPath(dialog) : QString();
}

QString SystemFileDialogs::ShowSaveDialog(QWidget* owner, const QString& filter, const QString& title,
                                          const QString& initialDir, const QString& defaultName)
{
    QString suggestion = defaultName;
    QString folder = initialDir;
    // Answering no to a question goes back to the dialog, with the name kept.
    for (;;) {
        QFileDialog dialog(owner);
        configureSaveDialog(dialog, filter, title, folder, suggestion);
        if (dialog.exec() != QDialog::Accepted) return {};
        const QString path = withDefaultSuffix(chosenPath(dialog), kDefaultSuffix);
        if (path.isEmpty()) return {};
        if (confirmSaveTarget(owner, title, path, messages_)) return path;
        const QFileInfo chosen(path);
        folder = chosen.absolutePath();
        suggestion = chosen.fileName();
    }
}

}  // namespace velmor::io
