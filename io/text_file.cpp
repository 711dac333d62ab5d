// SPDX-License-Identifier: MIT
// Whole-file reads and atomic writes of Windows-1252 text.
#include "text_file.h"

#include "windows1252.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmor::io {
namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("velmor::io::TextFile", text);
}

// The path as the user knows it, with any control character in its name
// spelled out, so that a line break in a name cannot break the message.
QString shown(const QString& path)
{
    QString name;
    for (const QChar c : QDir::toNativeSeparators(path)) {
        if (c == u'\n') name += QStringLiteral("\\n");
        else if (c == u'\r') name += QStringLiteral("\\r");
        else if (c == u'\t') name += QStringLiteral("\\t");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7F || c == QChar::LineSeparator
                 || c == QChar::ParagraphSeparator)
            name += QStringLiteral("\\u%1").arg(uint{c.unicode()}, 4, 16, QChar(u'0'));
        else name += c;
    }
    return name;
}

QString systemReason(int error)
{
    return QString::fromStdString(std::generic_category().message(error));
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

FileText readFailure(const QString& sentence, const QString& path, const QString& reason)
{
    return {{}, sentence.arg(shown(path), reason)};
}

FileText tooLarge(const QString& path, qint64 size, qint64 maxBytes)
{
    return {{},
            tr("\"%1\" is too large to open here: it holds %2 bytes (%3 MiB), the window takes at most %4 bytes "
               "(%5 MiB).\nUse the command-line tool velmor to encrypt or decrypt files of this size.")
                .arg(shown(path), byteCount(size), mebibytes(size), byteCount(maxBytes), mebibytes(maxBytes))};
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

qsizetype longestLine(QStringView text)
{
    qsizetype longest = 0, start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r' && text[i] != u'\n') continue;
        longest = std::max(longest, i - start);
        start = i + 1;
    }
    return std::max(longest, text.size() - start);
}

QString lineTooLongFailure(const QString& path, qsizetype longest, qsizetype maxLine)
{
    const QString counts = tr("its longest line holds %1 characters, a box of the window shows lines of at most %2.")
                               .arg(byteCount(longest), byteCount(maxLine));
    const QString advice = tr("Use the command-line tool velmor to encrypt or decrypt it.");
    if (path.isEmpty()) return tr("The text cannot be put in: %1\n%2").arg(counts, advice);
    return tr("\"%1\" cannot be shown here: %2\n%3").arg(shown(path), counts, advice);
}

FileText readBoxFile(const QString& path, qint64 maxBytes, qsizetype maxLine)
{
    FileText read = readTextFile(path, maxBytes);
    if (!read.ok()) return read;
    if (const qsizetype longest = longestLine(read.text); longest > maxLine)
        return {{}, lineTooLongFailure(path, longest, maxLine)};
    return read;
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
    // Past the file size limit (ulimit -f) a write would kill the program;
    // ignored, the write fails and is reported like any other.
    std::signal(SIGXFSZ, SIG_IGN);
    // The new file takes the old one's place by a rename, so the old one is
    // looked at first: a pipe, a device or a socket would be replaced by a
    // plain file, and a file the user may not write would be replaced anyway.
    const QByteArray native = QFile::encodeName(path);
    struct stat existing {};
    const bool replacing = ::stat(native.constData(), &existing) == 0;
    if (replacing && S_ISDIR(existing.st_mode))
        return {tr("Could not save \"%1\":\n%2").arg(shown(path), tr("It is a folder."))};
    if (replacing && !S_ISREG(existing.st_mode))
        return {tr("Could not save \"%1\":\n%2")
                    .arg(shown(path), tr("It is not an ordinary file (it is a named pipe, a device or a socket), "
                                         "so it was left as it was."))};
    if (replacing && ::faccessat(AT_FDCWD, native.constData(), W_OK, AT_EACCESS) != 0)
        return {tr("Could not save \"%1\":\n%2").arg(shown(path), systemReason(errno))};
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {tr("Could not create \"%1\":\n%2").arg(shown(path), file.errorString())};
    if (replacing) {
        // The replacement keeps the old file's owner and group where the
        // process may give them (root may), and its permission bits, but
        // never set-user-ID or set-group-ID.
        if ((existing.st_uid != ::geteuid() || existing.st_gid != ::getegid())
            && ::fchown(file.handle(), existing.st_uid, existing.st_gid) != 0) {
            // Not allowed: the replacement stays the user's own.
        }
        if (::fchmod(file.handle(), existing.st_mode & 0777) != 0) {
            const QString reason = systemReason(errno);
            file.cancelWriting();
            return {tr("Could not save \"%1\":\n%2").arg(shown(path), reason)};
        }
    }
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
