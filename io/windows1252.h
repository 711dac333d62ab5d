// SPDX-License-Identifier: MIT
// Windows-1252, the one-byte-per-character form of files: every byte value
// maps to one character and back, so any file survives a trip through a box.
#pragma once

#include "codec/windows1252.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace velmor::io {

using codec::windows1252Byte;
using codec::windows1252Char;

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
