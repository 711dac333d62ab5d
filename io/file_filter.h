// SPDX-License-Identifier: MIT
// Turns a "|"-separated list of file types into the name filters of QFileDialog.
#pragma once

#include <QStringList>
#include <QStringView>

namespace velmor::io {

// "Text Files (*.txt)|*.txt|All files (*.*)|*.*", with or without a final
// "|", gives {"Text Files (*.txt)", "All files (*)"}: fields alternate between
// a description and its patterns. Patterns are separated by ";" and "*.*"
// means every file, as in the Windows dialogs. The pattern field decides what
// is listed, whatever the description says. The list ends at the first empty
// field; a description without a pattern is dropped.
QStringList toNameFilters(QStringView filter);

}  // namespace velmor::io
