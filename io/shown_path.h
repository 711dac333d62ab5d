// SPDX-License-Identifier: MIT
// A path as the window's messages show it.
#pragma once

#include <QString>

namespace velmor::io {

// `path` with native separators, and with control characters, invalid
// UTF-8 and bidirectional controls written as escapes (files::shownName),
// so that no name can break a message's lines or reorder its words.
QString shownPath(const QString& path);

// The same for a path as the system has it, bytes that need not be UTF-8.
QString shownPath(const QByteArray& path);

}  // namespace velmor::io
