// SPDX-License-Identifier: MIT
// Whole-file reads of Windows-1252 text and atomic writes, both through
// the file library.
#include "text_file.h"

#include "shown_path.h"
#include "windows1252.h"

#include "files/file_error.h"
#include "files/read_file.h"
#include "files/replaced_file.h"
#include "files/write_target.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocale>

#include <algorithm>
#include <utility>

namespace velmor::io {
namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("velmor::io::TextFile", text);
}

// The reason a file operation gave, as a sentence of its own.
QString reasonSentence(const std::string& reason)
{
    QString sentence = QString::fromStdString(reason);
    if (!sentence.isEmpty()) sentence[0] = sentence[0].toUpper();
    return sentence.endsWith(u'.') ? sentence : sentence + u'.';
}

QString failureSentence(files::Stage stage)
{
    switch (stage) {
    case files::Stage::Check: return tr("Could not save \"%1\":\n%2");
    case files::Stage::Create: return tr("Could not create \"%1\":\n%2");
    default: return tr("Could not write \"%1\":\n%2");
    }
}

// Exact, so that a file one byte over the limit does not read as the limit.
QString byteCount(qint64 bytes)
{
    return QLocale(QLocale::English).toString(bytes);
}

QString mebibytes(qint64 bytes)
{
    return QLocale(QLocale::English).toString(static_cast<double>(bytes) / (1024.0 * 1024.0), 'f', 2);
}

FileText tooLarge(const QString& shown, qint64 size, qint64 maxBytes)
{
    return {{},
            {},
            false,
            QString::fromUtf16(words::kTooLargeToOpen)
                .arg(shown, byteCount(size), mebibytes(size), byteCount(maxBytes), mebibytes(maxBytes),
                     QStringLiteral("window"))};
}

// The 1-based line of `text[index]`; CR LF, a lone LF and a lone CR each end
// a line.
qsizetype lineNumberAt(QStringView text, qsizetype index)
{
    qsizetype line = 1;
    for (qsizetype i = 0; i < index; ++i) {
        if (text[i] == u'\n' || (text[i] == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n'))) ++line;
    }
    return line;
}

// `text[index]` for a message: the character in quotes and its code point,
// `"ő" (U+0151)`; a surrogate pair counts as one character, and one that
// cannot be shown is given by its code point alone.
QString describeCharacterAt(QStringView text, qsizetype index)
{
    const QChar first = text[index];
    char32_t codePoint = first.unicode();
    QString character(first);
    if (first.isHighSurrogate() && index + 1 < text.size() && text[index + 1].isLowSurrogate()) {
        codePoint = QChar::surrogateToUcs4(first, text[index + 1]);
        character.append(text[index + 1]);
    }
    const QString code = QStringLiteral("U+%1").arg(QString::number(codePoint, 16).toUpper(), 4, u'0');
    const bool printable = !QChar::isSurrogate(codePoint) && QChar::isPrint(codePoint) && !QChar::isSpace(codePoint);
    return printable ? QStringLiteral("\"%1\" (%2)").arg(character, code) : code;
}

// The file's bytes in `kept`, or the failure.
FileText readBytes(const QByteArray& path, qint64 maxBytes)
{
    try {
        const files::WholeFile read =
            files::readWholeFile(path.toStdString(), static_cast<std::uint64_t>(maxBytes), path.toStdString());
        if (read.tooLarge) return tooLarge(shownPath(path), static_cast<qint64>(*read.tooLarge), maxBytes);
        return {{}, QByteArray(read.bytes.data(), static_cast<qsizetype>(read.bytes.size())), false, {}};
    } catch (const files::FileError& e) {
        const QString sentence =
            e.stage() == files::Stage::Open ? tr("Could not open \"%1\":\n%2") : tr("Could not read \"%1\":\n%2");
        return {{}, {}, false, sentence.arg(shownPath(path), reasonSentence(e.reason()))};
    }
}

char16_t unit(QChar c) { return c.unicode(); }
char16_t unit(char c) { return static_cast<unsigned char>(c); }

template <class Text>
TextShape shapeOf(const Text& text)
{
    TextShape shape;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = unit(text[i]);
        if (c != u'\n' && c != u'\r') continue;
        shape.longest = std::max(shape.longest, i - start);
        start = i + 1;
        if (c == u'\n' || i + 1 == text.size() || unit(text[i + 1]) != u'\n') ++shape.lines;
    }
    shape.longest = std::max(shape.longest, text.size() - start);
    return shape;
}

}  // namespace

FileText readTextFile(const QString& path, qint64 maxBytes)
{
    FileText read = readBytes(QFile::encodeName(path), maxBytes);
    if (read.ok()) read.text = fromWindows1252(std::exchange(read.kept, {}));
    return read;
}

TextShape textShape(QStringView text)
{
    return shapeOf(text);
}

TextShape textShape(QByteArrayView bytes)
{
    return shapeOf(bytes);
}

qsizetype longestLine(QStringView text)
{
    return shapeOf(text).longest;
}

QString lineTooLongFailure(qsizetype longest, qsizetype maxLine)
{
    return tr("The text cannot be put in: its longest line would hold %1 characters, a box of the window shows "
              "lines of at most %2.\nUse the command-line tool velmor to encrypt or decrypt it.")
        .arg(byteCount(longest), byteCount(maxLine));
}

FileText readBoxFile(const QByteArray& path, qint64 maxBytes)
{
    FileText read = readBytes(path, maxBytes);
    if (!read.ok()) return read;
    if (!shownWhole(read.kept.size(), textShape(read.kept)))
        read.shownInPart = true;
    else
        read.text = fromWindows1252(std::exchange(read.kept, {}));
    return read;
}

FileBytes encodeForFile(QStringView text)
{
    Encoded encoded = toWindows1252(text);
    if (encoded.unencodableAt < 0) return {std::move(encoded.bytes), {}};
    return {{},
            QString::fromUtf16(words::kCannotSave)
                .arg(describeCharacterAt(text, encoded.unencodableAt),
                     QString::number(lineNumberAt(text, encoded.unencodableAt)))};
}

FileWrite writeFileAtomically(const QString& path, QByteArrayView bytes)
{
    try {
        // A pipe, a device, a socket or one of the program's own descriptors
        // would be written where it stands; the window writes only files.
        const files::WriteTarget target = files::examineTarget(QFile::encodeName(path).toStdString(), {});
        if (target.kind == files::WriteTarget::Kind::OpenDescriptor)
            return {tr("Could not save \"%1\":\n%2")
                        .arg(shownPath(path), tr("It names one of the program's own open files, so it was left as it "
                                                 "was."))};
        if (target.kind == files::WriteTarget::Kind::InPlace)
            return {tr("Could not save \"%1\":\n%2")
                        .arg(shownPath(path), tr("It is not an ordinary file (it is a named pipe, a device or a "
                                                 "socket), so it was left as it was."))};
        files::ReplacedFile file(target.path, {});
        file.write({bytes.data(), static_cast<std::size_t>(bytes.size())});
        file.commit();
        return {};
    } catch (const files::FileError& e) {
        return {failureSentence(e.stage()).arg(shownPath(path), reasonSentence(e.reason()))};
    }
}

}  // namespace velmor::io
