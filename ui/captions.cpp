// SPDX-License-Identifier: MIT
// The fixed texts the window shows and the few that are built from numbers.
#include "captions.h"

#include "words/words.h"

#include <QStringList>

namespace velmor::ui {

QString statusText(qsizetype characterCount)
{
    return QString::fromUtf16(words::kStatusText).arg(static_cast<qlonglong>(characterCount));
}

QString wheelCountCaption(int wheelCount)
{
    return QString::fromUtf16(words::kWheelCountCaption).arg(wheelCount, 2, 10, QLatin1Char('0'));
}

QString passwordRefusal(const QString& character)
{
    return QStringLiteral("PassWord takes only Windows-1252 characters: \"%1\" is not one").arg(character);
}

QString infoText()
{
    return QStringList{
        QString::fromUtf16(words::kInfoLine1),
        QString::fromUtf16(words::kInfoLine2),
        QString::fromUtf16(words::kInfoLine3),
    }.join(QStringLiteral("\r\n"));
}

}  // namespace velmor::ui
