// SPDX-License-Identifier: MIT
// The window's menu bar.
#include "form_menus.h"

#include "captions.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace velmor::ui {
namespace {

constexpr int kMenuEndSpace = 3;

QMenu* addMenu(QMenuBar& bar, const QString& name, const QString& caption)
{
    QMenu* menu = bar.addMenu(caption);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    // Each menu begins and ends with a separator line, which Qt would hide;
    // with no space between it and the menu's frame it would look like the frame.
    menu->setSeparatorsCollapsible(false);
    menu->setContentsMargins(0, kMenuEndSpace, 0, kMenuEndSpace);
    return menu;
}

QAction* addItem(QMenu& menu, const QString& name, const QString& caption)
{
    QAction* action = menu.addAction(caption);
    action->setObjectName(name);
    return action;
}

void addSeparator(QMenu& menu, const QString& name)
{
    menu.addSeparator()->setObjectName(name);
}

// "EN" "Encrypt 1", "EN3" "Encrypt 3", ...: a single pass has no number in its name.
void addCipherItems(QMenu& menu, FormMenus& menus, Direction direction, const QString& prefix, const QString& verb)
{
    for (const int passes : kPassCounts) {
        const QString name = passes == 1 ? prefix : prefix + QString::number(passes);
        QAction* action = addItem(menu, name, verb + u' ' + QString::number(passes));
        menus.cipherItems.push_back({action, {direction, passes}});
    }
}

}  // namespace

FormMenus createFormMenus(QMenuBar& bar)
{
    FormMenus menus;

    menus.Fi = addMenu(bar, "Fi", QStringLiteral("File"));
    QMenu& file = *menus.Fi;
    addSeparator(file, "L6");
    menus.Ne = addItem(file, "Ne", QStringLiteral("New"));
    addSeparator(file, "L11");
    menus.Op = addItem(file, "Op", QStringLiteral("Open Unencrypted TexT"));
    menus.SAs = addItem(file, "SAs", QStringLiteral("Save As Unencrypted TexT"));
    addSeparator(file, "L7");
    menus.OET = addItem(file, "OET", QStringLiteral("Open Encrypted TexT"));
    menus.SAET = addItem(file, "SAET", QStringLiteral("Save As Encrypted TexT"));
    addSeparator(file, "L13");
    menus.CToC = addItem(file, "CToC", QStringLiteral("Copy To ClipBoard Unencrypted TexT"));
    menus.CTCET = addItem(file, "CTCET", QStringLiteral("Copy To ClipBoard Encrypted TexT"));
    menus.fileCommands = {menus.Ne, menus.Op, menus.SAs, menus.OET, menus.SAET, menus.CToC, menus.CTCET};
    addSeparator(file, "L10");
    menus.IF = addItem(file, "IF", QStringLiteral("InFo"));
    addSeparator(file, "L8");
    menus.EXI = addItem(file, "EXI", QStringLiteral("Exit"));
    addSeparator(file, "L9");

    menus.EnDe = addMenu(bar, "EnDe", QStringLiteral("Encrypt/Decrypt"));
    addSeparator(*menus.EnDe, "L1");
    addCipherItems(*menus.EnDe, menus, Direction::Encrypt, QStringLiteral("EN"), QStringLiteral("Encrypt"));
    addSeparator(*menus.EnDe, "L2");
    addCipherItems(*menus.EnDe, menus, Direction::Decrypt, QStringLiteral("DE"), QStringLiteral("Decrypt"));
    addSeparator(*menus.EnDe, "L3");

    menus.EW = addMenu(bar, "EW", wheelCountCaption(kStartWheelCount));
    addSeparator(*menus.EW, "L4");
    for (const int count : kWheelCounts) {
        const QString name = QStringLiteral("EW") + QString::number(count);
        menus.wheelItems.push_back({addItem(*menus.EW, name, wheelCountCaption(count)), count});
    }
    addSeparator(*menus.EW, "L5");

    menus.PasW = addMenu(bar, "PasW", QStringLiteral("PassWord"));
    addSeparator(*menus.PasW, "L12");
    menus.PassS = addItem(*menus.PasW, "PassS", QStringLiteral("PassWord Show"));
    menus.PassH = addItem(*menus.PasW, "PassH", QStringLiteral("PassWord Hide"));
    addSeparator(*menus.PasW, "L14");
    return menus;
}

}  // namespace velmor::ui
