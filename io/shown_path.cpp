// SPDX-License-Identifier: MIT
// The window's side of files::shownName: the path's bytes as the system has
// them, escaped, then shown as UTF-8.
#include "shown_path.h"

#include "files/shown_name.h"

#include <QDir>
#include <QFile>

namespace velmor::io {

QString shownPath(const QString& path)
{
    return shownPath(QFile::encodeName(QDir::toNativeSeparators(path)));
}

QString shownPath(const QByteArray& path)
{
    return QString::fromStdString(files::shownName(path.toStdString()));
}

}  // namespace velmor::io
