// SPDX-License-Identifier: MIT
// Choosing a file to open or to save: an interface the file commands call and
// tests answer, and its implementation on QFileDialog.
#pragma once

#include <QString>

class QWidget;

namespace velmor::io {

class Messages;

// Both return the chosen full path, or "" when the user cancelled.
// `filter` is a "|"-separated list of file types (see toNameFilters); the
// first type is selected when the dialog opens.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // Returns only a file that exists.
    virtual QString ShowOpenDialog(QWidget* owner, const QString& filter, const QString& title,
                                   const QString& initialDir) = 0;
    // The user has confirmed replacing the file, or creating it when it does
    // not exist yet. A name without an extension gets kDefaultSuffix.
    virtual QString ShowSaveDialog(QWidget* owner, const QString& filter, const QString& title,
                                   const QString& initialDir, const QString& defaultName) = 0;

protected:
    FileDialogs() = default;
    FileDialogs(const FileDialogs&) = default;
    FileDialogs& operator=(const FileDialogs&) = default;
};

inline constexpr char16_t kDefaultSuffix[] = u"$$$";

class SystemFileDialogs final : public FileDialogs {
public:
    // The save dialog's questions go through `messages`.
    // QFileDialog keeps the folders browsed and its layout in the user's
    // settings; from here on, the program's settings are kept nowhere.
    explicit SystemFileDialogs(Messages& messages);

    QString ShowOpenDialog(QWidget* owner, const QString& filter, const QString& title,
                           const QString& initialDir) override;
    QString ShowSaveDialog(QWidget* owner, const QString& filter, const QString& title,
                           const QString& initialDir, const QString& defaultName) override;

private:
    Messages& messages_;
};

}  // namespace velmor::io
