// SPDX-License-Identifier: MIT
// The information box, sized to its longest line.
#include "info_box.h"

#include "captions.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLayout>
#include <QScreen>

namespace velmor::ui {

InfoBox::InfoBox(QWidget* parent)
    : QMessageBox(QMessageBox::Warning, QString::fromUtf16(kInfoTitle), infoText(), QMessageBox::Ok, parent)
{
    // Some styles put an icon on the dialog's buttons; this one has none.
    button(QMessageBox::Ok)->setIcon(QIcon());
}

void InfoBox::showEvent(QShowEvent* event)
{
    // QMessageBox breaks every text wider than 500 pixels into lines of
    // that width when it is shown; the box is widened instead, unless
    // the screen is too narrow for it.
    QMessageBox::showEvent(event);
    auto* label = findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    if (label == nullptr || layout() == nullptr) return;
    label->setWordWrap(false);
    layout()->activate();
    const QSize whole = layout()->totalMinimumSize().expandedTo(layout()->totalSizeHint());
    const QScreen* display = screen();
    if (display != nullptr && whole.width() > display->availableGeometry().width()) {
        label->setWordWrap(true);
        return;
    }
    setFixedSize(whole);
}

}  // namespace velmor::ui
