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

// Files above this size are refused by the window. Reading is done off the
// window's thread, and a text too long to lay out is kept as its bytes and
// shown in part, so 64 MiB of any shape opens, goes through "Encrypt 12"
// and is saved within a second each, at a peak of about twice its size, on
// a small two-core machine. The command-line tool has no limit. Measured
// with make bench-ui (BM_Shape).
inline constexpr qint64 kMaxBoxFileBytes = words::kMaxOpenBytes;

// A box never lays out a line longer than this: a text with one is shown in
// part, and an edit that would make one is refused. A box lays out each
// line whole whenever it shows it: a line of 1,000,000 characters takes
// about 0.6 s, and past about 4,300,000 (2^25 pixels) its scroll bar no
// longer reaches the end and the box paints nothing. At this limit a box
// full of such lines is laid out in under a second.
inline constexpr qsizetype kMaxBoxLineLength = 100'000;

// A box lays out at most this many lines and characters of a text, and no
// line longer than kMaxBoxLineLength. A longer text is kept whole as its
// Windows-1252 bytes and shown in part, read-only: every block of a text
// document costs about 1.4 us and 100 bytes, so 4 MiB of line feeds took
// 5 s and 488 MB to show whole, and 64 MiB of 100-character lines 5 s and
// 600 MB. Within all three, a text is edited as usual: 10 MB of
// 100-character lines (100,000 of them) opens in about 0.2 s. Measured
// with make bench-ui (BM_Shape).
inline constexpr qsizetype kMaxShownWholeCharacters = 16 * 1024 * 1024;
inline constexpr qsizetype kMaxShownWholeLines = 250'000;

// The number of characters in the longest line of `text`; CR LF, a lone LF
// and a lone CR each end a line.
qsizetype longestLine(QStringView text);

struct TextShape {
    qsizetype lines = 1;  // one more than the line breaks
    qsizetype longest = 0;  // as longestLine() counts it
};
TextShape textShape(QStringView text);
TextShape textShape(QByteArrayView bytes);

// Whether a box shows a text of `characters` in `shape` whole, and edits it.
constexpr bool shownWhole(qsizetype characters, const TextShape& shape) noexcept
{
    return characters <= kMaxShownWholeCharacters && shape.lines <= kMaxShownWholeLines
           && shape.longest <= kMaxBoxLineLength;
}

// Every `failure` below is a sentence for the user that names the file and
// the reason; it is empty when the operation succeeded.

struct [[nodiscard]] FileText {
    QString text;
    // A text too long to show whole: its bytes, with `text` empty.
    QByteArray kept;
    bool shownInPart = false;
    QString failure;
    bool ok() const noexcept { return failure.isEmpty(); }
};

// The whole file as text: each byte one character. Refuses a file above
// `maxBytes`, a folder and anything that is not an ordinary file.
FileText readTextFile(const QString& path, qint64 maxBytes = kMaxBoxFileBytes);

// readTextFile for a box of the window, with the path as the system has it
// (bytes that need not be UTF-8): a text it cannot show whole comes back as
// bytes in `kept`, for the box to show in part.
FileText readBoxFile(const QByteArray& path, qint64 maxBytes = kMaxBoxFileBytes);

// The sentence that refuses an edit after which the longest line of an
// editable text would hold `longest` characters.
QString lineTooLongFailure(qsizetype longest, qsizetype maxLine = kMaxBoxLineLength);

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
