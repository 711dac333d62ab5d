// SPDX-License-Identifier: MIT
// Whole Qt strings to and from Windows-1252 bytes, the form of files; the
// table itself, and the conversion of one character, are codec/windows1252.h.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace velmor::io {

// Each byte as the character codec/windows1252.h gives it.
QString fromWindows1252(QByteArrayView bytes);

struct Encoded {
    QByteArray bytes;
    // Index in the text of the first character that has no byte, or -1.
    qsizetype unencodableAt = -1;
};

// The bytes of `text`; stops at the first character without a byte.
Encoded toWindows1252(QStringView text);

}  // namespace velmor::io
