// SPDX-License-Identifier: MIT
// Conversion of "|"-separated file types to QFileDialog name filters.
#include "file_filter.h"

namespace velmor::io {
namespace {

// QFileDialog separates patterns with spaces and takes "*.*" literally, so a
// name without a dot would not be listed under "All files".
QString qtPatterns(QStringView patterns)
{
    QStringList converted;
    for (const QStringView pattern : patterns.split(u';', Qt::SkipEmptyParts)) {
        const QStringView trimmed = pattern.trimmed();
        if (trimmed.isEmpty()) continue;
        converted.append(trimmed == u"*.*" ? QStringLiteral("*") : trimmed.toString());
    }
    return converted.join(u' ');
}

// QFileDialog reads the patterns from the last "(...)" of a filter, so the
// description's own pattern group, when it has one, is replaced rather than
// repeated.
QString nameFilter(QStringView description, QStringView patterns)
{
    const QString converted = qtPatterns(patterns);
    const QString ownGroup = u'(' + patterns.toString() + u')';
    if (description.endsWith(ownGroup)) {
        description.chop(ownGroup.size());
        return description.toString() + u'(' + converted + u')';
    }
    return description.toString() + QStringLiteral(" (") + converted + u')';
}

}  // namespace

QStringList toNameFilters(QStringView filter)
{
    const auto fields = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < fields.size(); i += 2) {
        if (fields[i].isEmpty() || fields[i + 1].isEmpty()) break;
        if (qtPatterns(fields[i + 1]).isEmpty()) break;
        filters.append(nameFilter(fields[i], fields[i + 1]));
    }
    return filters;
}

}  // namespace velmor::io
