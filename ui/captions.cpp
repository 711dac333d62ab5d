// SPDX-License-Identifier: MIT
// The fixed texts the window shows and the few that are built from numbers.
#include "captions.h"

#include <QStringList>

namespace velmor::ui {

QString statusText(qsizetype characterCount)
{
    return QStringLiteral("Please Wait While Processing %1 Characters").arg(static_cast<qlonglong>(characterCount));
}

QString wheelCountCaption(int wheelCount)
{
    return QStringLiteral("Encryption Wheels %1").arg(wheelCount, 2, 10, QLatin1Char('0'));
}

QString infoText()
{
    return QStringList{
        QStringLiteral("The Velmor Machine - Copyright (c) 2026 The Velmor Machine authors. MIT License."),
        QString(46, QLatin1Char('*')),
        QStringLiteral(" Set Encryption Wheels To 20 Give You 10 Character Change Then  Encrypt 12 Times = 120 "
                       "Character Change Max 30=15X12=180"),
    }.join(QStringLiteral("\r\n"));
}

}  // namespace velmor::ui
