// SPDX-License-Identifier: MIT
// The password box's character rule.
#include "password_characters.h"

#include "codec/windows1252.h"

namespace velmor::ui {

QString firstOutsideWindows1252(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (codec::windows1252Byte(c.unicode()) >= 0) continue;
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            return text.sliced(i, 2).toString();
        if (c.isSurrogate() || !c.isPrint())
            return QStringLiteral("U+%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
        return QString(c);
    }
    return {};
}

QValidator::State PasswordCharacters::validate(QString& input, int& /*position*/) const
{
    const QString outside = firstOutsideWindows1252(input);
    if (outside.isEmpty()) return Acceptable;
    emit refused(outside);
    return Invalid;
}

}  // namespace velmor::ui
