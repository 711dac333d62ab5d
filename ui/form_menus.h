// SPDX-License-Identifier: MIT
// The window's menu bar: four menus whose items carry their design names as
// object names and their captions letter for letter, without shortcuts.
#pragma once

#include "engine/settings.h"

#include <vector>

class QAction;
class QMenu;
class QMenuBar;

namespace velmor::ui {

struct CipherCommand {
    Direction direction = Direction::Encrypt;
    int passes = 1;
};

// Owned by the menu bar they are made on.
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

}  // namespace velmor::ui
