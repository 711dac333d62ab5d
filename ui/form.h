// SPDX-License-Identifier: MIT
// The form, frmVelmor as a person sees it: its layout in twips, its boxes,
// labels and menus with their names and captions, the texts it shows, its
// icon and its information box.
#pragma once

#include "engine/settings.h"
#include "words/words.h"

#include <QDialog>
#include <QIcon>
#include <QLabel>
#include <QRect>
#include <QString>
#include <QValidator>

#include <vector>

class QAction;
class QLineEdit;
class QMenu;
class QMenuBar;

namespace velmor::ui {

class ExactTextEdit;

// Twips, the unit the layout is given in: 1/1440 inch, so 15 twips make one
// logical pixel at 96 dots per inch.
inline constexpr int kTwipsPerPixel = 15;

// Rounds to the nearest pixel, halves away from zero.
constexpr int pixelsFromTwips(int twips) noexcept
{
    return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                      : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}

constexpr int twipsFromPixels(int pixels) noexcept { return pixels * kTwipsPerPixel; }

// A rectangle in twips: left, top, width, height.
struct TwipRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    friend constexpr bool operator==(const TwipRect&, const TwipRect&) = default;
};

// Edges are rounded, not sizes, so that neighbouring controls keep their gaps.
QRect pixelRect(const TwipRect& twips);
TwipRect twipRect(const QRect& pixels);

inline constexpr char16_t kWindowCaption[] = u" The Velmor Machine";

// "Please Wait While Processing 250 Characters".
QString statusText(qsizetype characterCount);

// "Encryption Wheels 04" .. "Encryption Wheels 30".
QString wheelCountCaption(int wheelCount);

// Why the password box refused `character`.
QString passwordRefusal(const QString& character);

inline constexpr int kClientWidthTwips = 10215;
inline constexpr int kClientHeightTwips = 8055;
// The status label's designed size, which a long status text may shrink.
inline constexpr qreal kStatusPoints = 12;

// The password box takes only characters that Windows-1252 can hold, the
// same rule the command-line tool and the page follow, so that a password
// means the same in all three. Any text with another character is refused
// whole: the box keeps the text it had, whether the character was typed,
// pasted or dropped, so a character is never taken in part.
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

// The status label, which screen readers present as the window's status bar
// and read out whenever its text changes.
class StatusLabel final : public QLabel {
    Q_OBJECT

public:
    explicit StatusLabel(QWidget* parent = nullptr);
};

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

struct CipherCommand {
    Direction direction = Direction::Encrypt;
    int passes = 1;
};

// The menu bar: four menus whose items carry their design names as object
// names and their captions letter for letter, without shortcuts. Owned by
// the menu bar they are made on.
struct FormMenus {
    QMenu* Fi = nullptr;    // "File"
    QMenu* EnDe = nullptr;  // "Encrypt/Decrypt"
    QMenu* EW = nullptr;    // "Encryption Wheels NN", the one caption that changes
    QMenu* PasW = nullptr;  // "PassWord"

    QAction* Ne = nullptr;     // "New"
    QAction* Op = nullptr;     // "Open Unencrypted TexT"
    QAction* SAs = nullptr;    // "Save As Unencrypted TexT"
    QAction* OET = nullptr;    // "Open Encrypted TexT"
    QAction* SAET = nullptr;   // "Save As Encrypted TexT"
    QAction* CToC = nullptr;   // "Copy To ClipBoard Unencrypted TexT"
    QAction* CTCET = nullptr;  // "Copy To ClipBoard Encrypted TexT"
    // The seven above: they read or replace the boxes' text.
    std::vector<QAction*> fileCommands;
    QAction* IF = nullptr;   // "InFo"
    QAction* EXI = nullptr;  // "Exit"

    struct CipherItem {
        QAction* action;
        CipherCommand command;
    };
    std::vector<CipherItem> cipherItems;

    struct WheelItem {
        QAction* action;
        int wheelCount;
    };
    std::vector<WheelItem> wheelItems;

    QAction* PassS = nullptr;  // "PassWord Show"
    QAction* PassH = nullptr;  // "PassWord Hide"
};

FormMenus createFormMenus(QMenuBar& bar);

// The window's own icon, drawn in the source.
QIcon windowIcon();

// The information box: a warning with one OK button, whose three lines are
// never broken where the screen is wide enough to show them whole. A dialog
// rather than a QMessageBox: that box breaks every text wider than 500
// pixels into lines of that width, again whenever its layout changes.
class InfoBox final : public QDialog {
    Q_OBJECT

public:
    explicit InfoBox(QWidget* parent = nullptr);
};

}  // namespace velmor::ui
