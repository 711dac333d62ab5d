// SPDX-License-Identifier: MIT
// The fixed texts the window shows and the few that are built from numbers.
#pragma once

#include "words/words.h"

#include <QString>

namespace velmor::ui {

inline constexpr char16_t kWindowCaption[] = u" The Velmor Machine";
using words::kInfoTitle;

// "Please Wait While Processing 250 Characters".
QString statusText(qsizetype characterCount);

// "Encryption Wheels 04" .. "Encryption Wheels 30".
QString wheelCountCaption(int wheelCount);

// Why the password box refused `character`.
QString passwordRefusal(const QString& character);

// The information box's three lines, joined by CR LF.
QString infoText();

}  // namespace velmor::ui
