// SPDX-License-Identifier: MIT
// Whole-file reads and atomic writes of Windows-1252 text.
#include "text_file.h"

#include "windows1252.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace velmor::io {
namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("velmor::io::TextFile", text);
}

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

QString megabytes(qint64 bytes)
{
    return QString::number(static_cast<double>(bytes) / (1024.0 * 1024.0), 'f', 1);
}

FileText readFailure(const QString& sentence, const QString& path, const QString& reason)
{
    return {{}, sentence.arg(shown(path), reason)};
}

FileText tooLarge(const QString& path, qint64 size, qint64 maxBytes)
{
    return {{},
            tr("\"%1\" is too large to open here: it holds %2 MB, the window takes at most %3 MB.\n"
               "Use the command-line tool velmor to encrypt or decrypt files of this size.")
                .arg(shown(path), megabytes(size), megabytes(maxBytes))};
}

}  // namespace

FileText readTextFile(const QString& path, qint64 maxBytes)
{
    // Checked before opening: a named pipe or a device would block the open
    // or never end.
    const QFileInfo info(path);
    if (info.isDir()) return readFailure(tr("Could not open \"%1\":\n%2"), path, tr("It is a folder."));
    if (info.exists() && !info.isFile())
        return readFailure(tr("Could not open \"%1\":\n%2"), path, tr("It is not an ordinary file."));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return readFailure(tr("Could not open \"%1\":\n%2"), path, file.errorString());
    const qint64 size = file.size();
    if (size > maxBytes) return tooLarge(path, size, maxBytes);

    QByteArray bytes(size, Qt::Uninitialized);
    qint64 filled = 0;
    while (filled < bytes.size()) {
        const qint64 got = file.read(bytes.data() + filled, bytes.size() - filled);
        if (got < 0) return readFailure(tr("Could not read \"%1\":\n%2"), path, file.errorString());
        if (got == 0) break;
        filled += got;
    }
    if (filled == bytes.size()) {
        // Read on to the end rather than trusting size(): the file may have
        // grown meanwhile, and some files report no size at all.
        QByteArray chunk(64 * 1024, Qt::Uninitialized);
        for (;;) {
            const qint64 got = file.read(chunk.data(), chunk.size());
            if (got < 0) return readFailure(tr("Could not read \"%1\":\n%2"), path, file.errorString());
            if (got == 0) break;
            if (filled + got > maxBytes) return tooLarge(path, filled + got, maxBytes);
            bytes.append(chunk.constData(), got);
            filled += got;
        }
    }
    bytes.truncate(filled);
    return {fromWindows1252(bytes), {}};
}

qsizetype lineNumberAt(QStringView text, qsizetype index)
{
    qsizetype line = 1;
    for (qsizetype i = 0; i < index; ++i) {
        if (text[i] == u'\n' || (text[i] == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n'))) ++line;
    }
    return line;
}

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

FileBytes encodeForFile(QStringView text)
{
    Encoded encoded = toWindows1252(text);
    if (encoded.unencodableAt < 0) return {std::move(encoded.bytes), {}};
    return {{},
            tr("The text cannot be saved: the character %1 on line %2 has no place in Windows-1252, the "
               "character set of the file.\nReplace or remove it, then save again. Nothing was written.")
                .arg(describeCharacterAt(text, encoded.unencodableAt),
                     QString::number(lineNumberAt(text, encoded.unencodableAt)))};
}

FileWrite writeFileAtomically(const QString& path, QByteArrayView bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {tr("Could not create \"%1\":\n%2").arg(shown(path), file.errorString())};
    // A short write is retried, so that a full disk comes back as an error
    // with its reason; for the same reason the last bytes are flushed here
    // rather than in commit(), which drops the reason.
    qint64 written = 0;
    bool failed = false;
    while (!failed && written < bytes.size()) {
        const qint64 got = file.write(bytes.data() + written, bytes.size() - written);
        failed = got <= 0;
        written += std::max<qint64>(got, 0);
    }
    if (failed || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return {tr("Could not write \"%1\":\n%2").arg(shown(path), reason)};
    }
    if (!file.commit()) return {tr("Could not write \"%1\":\n%2").arg(shown(path), file.errorString())};
    return {};
}

FileWrite saveTextFile(const QString& path, QStringView text)
{
    FileBytes encoded = encodeForFile(text);
    if (!encoded.ok()) return {std::move(encoded.failure)};
    return writeFileAtomically(path, encoded.bytes);
}

}  // namespace velmor::io
