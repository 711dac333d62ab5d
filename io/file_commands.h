// SPDX-License-Identifier: MIT
// The File menu's commands: empty both boxes, open a file into a box, save a
// box to a file, copy a box to the clipboard.
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace velmor::io {

class FileDialogs;
class Messages;
class TextHolder;

// Which box a command works on, which decides its dialog's filter and title.
enum class TextKind { Plain, Encrypted };

// Every failure is shown through `messages`, naming the file and the reason;
// a box changes only when a file was read in full, and a file only when the
// whole text was written.
class FileCommands {
public:
    // `owner` owns the dialogs and message boxes; all three must outlive this.
    FileCommands(QWidget* owner, FileDialogs& dialogs, Messages& messages);

    // "New": both boxes become empty.
    void newText(TextHolder& input, TextHolder& output) const;

    // "Open ... TexT": asks for a file and puts its whole text into `box`.
    // True when `box` now holds the file; false when the user cancelled or
    // the file was refused (then `box` is unchanged).
    bool openInto(TextHolder& box, TextKind kind);

    // The same for a path chosen another way, such as a file dropped on a box,
    // given as the system's bytes: a name need not be UTF-8.
    // The file is read and checked on another thread while the caller's
    // events go on being processed; the caller keeps input away meanwhile.
    bool openFileInto(TextHolder& box, const QByteArray& path);

    // "Save As ... TexT": asks for a file and writes exactly the text of
    // `box` to it. True when the file now holds it.
    bool saveFrom(const TextHolder& box, TextKind kind);

    // "Copy To ClipBoard ... TexT": the clipboard holds exactly the text of
    // `box` afterwards, and nothing when the box is empty.
    void copyToClipboard(const TextHolder& box) const;

    // Told what a long open is doing ("" when it is done), for a status line.
    void setStatusShown(std::function<void(const QString&)> show) { showStatus_ = std::move(show); }

private:
    QWidget* owner_;
    FileDialogs& dialogs_;
    Messages& messages_;
    std::function<void(const QString&)> showStatus_;
};

}  // namespace velmor::io
