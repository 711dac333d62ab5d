// SPDX-License-Identifier: MIT
// Message boxes on QMessageBox.
#include "messages.h"

#include <QMessageBox>

namespace velmor::io {

void MessageBoxes::warn(QWidget* owner, const QString& title, const QString& text)
{
    QMessageBox::warning(owner, title, text);
}

bool MessageBoxes::ask(QWidget* owner, const QString& title, const QString& question)
{
    // No is the default, so that a stray Enter does not replace or create a file.
    return QMessageBox::question(owner, title, question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
           QMessageBox::Yes;
}

}  // namespace velmor::io
