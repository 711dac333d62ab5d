// SPDX-License-Identifier: MIT
// Reading and writing whole text files, one Windows-1252 byte per character,
// byte for byte: no line endings converted, nothing added.
#pragma once

#include "words/words.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace velmor::io {

// Files above this size are refused by the window. Reading and decoding is
// quick (about 50 ms for 10 MB) and done off the window's thread; laying the
// text out in a box is not: the window fills a box piece by piece, answering
// in between, and shows 64 MiB of 100-character lines after about 5 s at a
// peak of about 500 MiB on a small two-core machine. The command-line tool
// has no limit. Measured with make bench-ui (BM_OpenShaped).
inline constexpr qint64 kMaxBoxFileBytes = words::kMaxOpenBytes;

// Lines longer than this are refused by the window. A box lays out each
// line whole whenever it shows it: a line of 1,000,000 characters takes
// about 0.6 s, and past about 4,300,000 (2^25 pixels) its scroll bar no
// longer reaches the end and the box paints nothing. At this limit a box
// full of such lines is laid out in under a second.
inline constexpr qsizetype kMaxBoxLineLength = 100'000;

// The number of characters in the longest line of `text`; CR LF, a lone LF
// and a lone CR each end a line.
qsizetype longestLine(QStringView text);

// Every `failure` below is a sentence for the user that names the file and
// the reason; it is empty when the operation succeeded.

struct [[nodiscard]] FileText {
    QString text;
    QString failure;
    bool ok() const noexcept { return failure.isEmpty(); }
};

// The whole file as text: each byte one character. Refuses a file above
// `maxBytes`, a folder and anything that is not an ordinary file.
FileText readTextFile(const QString& path, qint64 maxBytes = kMaxBoxFileBytes);
// The same for a path as the system has it, bytes that need not be UTF-8.
FileText readTextFile(const QByteArray& path, qint64 maxBytes = kMaxBoxFileBytes);

// readTextFile, then refuses a text with a line longer than `maxLine`:
// what a box of the window can show.
FileText readBoxFile(const QString& path, qint64 maxBytes = kMaxBoxFileBytes, qsizetype maxLine = kMaxBoxLineLength);
FileText readBoxFile(const QByteArray& path, qint64 maxBytes = kMaxBoxFileBytes,
                     qsizetype maxLine = kMaxBoxLineLength);

// The sentence that refuses a text whose longest line holds `longest`
// characters; `path` is empty for a text that is not a file's.
QString lineTooLongFailure(const QString& path, qsizetype longest, qsizetype maxLine = kMaxBoxLineLength);

struct [[nodiscard]] FileBytes {
    QByteArray bytes;
    QString failure;
    bool ok() const noexcept { return failure.isEmpty(); }
};

// The bytes of `text`, or a failure naming the first character that
// Windows-1252 cannot hold and its line.
FileBytes encodeForFile(QStringView text);

struct [[nodiscard]] FileWrite {
    QString failure;
    bool ok() const noexcept { return failure.isEmpty(); }
};

// Replaces the file's content with `bytes`, or leaves it exactly as it was
// when anything fails (files::ReplacedFile): owner, mode, access list and
// extended attributes stay. Pipes, devices and sockets are refused.
FileWrite writeFileAtomically(const QString& path, QByteArrayView bytes);

}  // namespace velmor::io
