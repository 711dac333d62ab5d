// SPDX-License-Identifier: MIT
// The information box, sized to its longest line.
#include "info_box.h"

#include "captions.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace velmor::ui {

InfoBox::InfoBox(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromUtf16(kInfoTitle));
    auto* icon = new QLabel(this);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(iconSize, iconSize));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto* text = new QLabel(infoText(), this);
    text->setObjectName(QStringLiteral("infoText"));
    text->setTextFormat(Qt::PlainText);
    text->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    // Some styles put an icon on the dialog's buttons; this one has none.
    buttons->button(QDialogButtonBox::Ok)->setIcon(QIcon());
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0);
    layout->addWidget(text, 0, 1);
    layout->addWidget(buttons, 1, 0, 1, 2);
    layout->setHorizontalSpacing(style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing, nullptr, this) * 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Only a screen too narrow for the longest line breaks it.
    const QScreen* display = parent != nullptr ? parent->screen() : screen();
    if (display != nullptr && layout->totalSizeHint().width() > display->availableGeometry().width())
        text->setWordWrap(true);
}

}  // namespace velmor::ui
