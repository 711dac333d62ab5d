// SPDX-License-Identifier: MIT
// Windows-1252, the one-byte-per-character form of files: every byte value
// maps to one character and back, so any file survives a trip through a box.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace velmor::io {

// Bytes 0x80..0x9F follow the Windows-1252 table; the five it leaves
// unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control characters of
// the same code. All other bytes are their Latin-1 characters.
QString fromWindows1252(QByteArrayView bytes);

// The character a byte stands for.
char16_t windows1252Char(unsigned char byte) noexcept;

// The byte for a character, or -1 when Windows-1252 cannot hold it.
int windows1252Byte(char16_t character) noexcept;

struct Encoded {
    QByteArray bytes;
    // Index in the text of the first character that has no byte, or -1.
    qsizetype unencodableAt = -1;
};

// The bytes of `text`; stops at the first character without a byte.
Encoded toWindows1252(QStringView text);

}  // namespace velmor::io
