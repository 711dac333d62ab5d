// SPDX-License-Identifier: MIT
// The password box takes only characters that Windows-1252 can hold, the
// same rule the command-line tool and the page follow, so that a password
// means the same in all three.
#pragma once

#include <QValidator>

namespace velmor::ui {

// Refuses any text with a character outside Windows-1252: the box then
// keeps the text it had, whether the character was typed, pasted or dropped,
// so a character is never taken in part.
class PasswordCharacters final : public QValidator {
    Q_OBJECT

public:
    using QValidator::QValidator;

    State validate(QString& input, int& position) const override;

signals:
    // `character` (a whole character, or "U+XXXX" for a lone surrogate or an
    // invisible one) was the first one refused.
    void refused(const QString& character) const;
};

// The first character of `text` that Windows-1252 cannot hold, as
// PasswordCharacters::refused names it; "" when there is none.
QString firstOutsideWindows1252(QStringView text);

}  // namespace velmor::ui
