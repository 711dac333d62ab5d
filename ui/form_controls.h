// SPDX-License-Identifier: MIT
// The window's boxes and labels, made at their places with their fonts.
#pragma once

#include "twips.h"

class QLabel;
class QLineEdit;
class QWidget;

namespace velmor::ui {

class ExactTextEdit;
class PasswordCharacters;

inline constexpr int kClientWidthTwips = 10215;
inline constexpr int kClientHeightTwips = 8055;
// The status label's designed size, which a long status text may shrink.
inline constexpr qreal kStatusPoints = 12;

// Owned by the client widget they are made on.
struct FormControls {
    ExactTextEdit* txtVelmor = nullptr;     // input: plain text, a decryption's result
    ExactTextEdit* txtOutputBox = nullptr;  // output: an encryption's result
    QLineEdit* txtKey = nullptr;            // the password
    PasswordCharacters* passwordRule = nullptr;  // what txtKey takes
    QLabel* Label1 = nullptr;               // status while a command runs
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label5 = nullptr;
};

// Shows the whole of the label's text in its place, whatever font the
// system gives for the one asked for: the size goes down from `points`,
// the designed size, until the text fits. The label does not move or grow.
void fitCaption(QLabel& label, qreal points);

// Makes the controls on `client`, sized to the client area, and sets the
// tab order txtVelmor, txtOutputBox, txtKey.
FormControls createFormControls(QWidget& client);

}  // namespace velmor::ui
