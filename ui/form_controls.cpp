// SPDX-License-Identifier: MIT
// The window's boxes and labels, made at their places with their fonts.
#include "form_controls.h"

#include "exact_text_edit.h"
#include "password_characters.h"
#include "status_label.h"

#include <QColor>
#include <QFontMetricsF>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>

#include <algorithm>

namespace velmor::ui {
namespace {

const QColor kLightGrey(192, 192, 192);

QFont courierNew()
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSizeF(9.75);
    return font;
}

QFont arialBold(qreal points)
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

void place(QWidget& widget, const char* name, const TwipRect& twips)
{
    widget.setObjectName(QString::fromLatin1(name));
    widget.setGeometry(pixelRect(twips));
}

ExactTextEdit* makeTextBox(QWidget& client, const char* name, const TwipRect& twips)
{
    auto* box = new ExactTextEdit(&client);
    place(*box, name, twips);
    box->setFont(courierNew());
    return box;
}

template <class Label = QLabel>
Label* makeLabel(QWidget& client, const char* name, const TwipRect& twips, const QString& caption, qreal points,
                 Qt::Alignment alignment)
{
    auto* label = new Label(&client);
    label->setText(caption);
    place(*label, name, twips);
    label->setFont(arialBold(points));
    label->setAlignment(alignment | Qt::AlignTop);
    label->setTextFormat(Qt::PlainText);
    label->setAutoFillBackground(true);
    fitCaption(*label, points);
    return label;
}

// A screen reader says the caption when the box gets the focus.
void labelBox(QLabel& caption, QWidget& box, const QString& name)
{
    caption.setBuddy(&box);
    box.setAccessibleName(name);
}

}  // namespace

void fitCaption(QLabel& label, qreal points)
{
    // The window was laid out for Arial; another sans-serif font, such as
    // DejaVu Sans where Liberation Sans is missing, is wider and taller.
    constexpr qreal kSmallestPoints = 6;
    constexpr qreal kStep = 0.25;
    const QSizeF room = label.contentsRect().size();
    QFont font = label.font();
    for (qreal size = points;; size -= kStep) {
        font.setPointSizeF(size);
        const QFontMetricsF metrics(font);
        // Top-aligned, the text needs its ascent and whatever of its own
        // letters reaches below the baseline.
        const QRectF ink = metrics.tightBoundingRect(label.text());
        const qreal height = metrics.ascent() + std::max<qreal>(0, ink.bottom());
        const bool fits = metrics.horizontalAdvance(label.text()) <= room.width() && height <= room.height();
        if (fits || size - kStep < kSmallestPoints) break;
    }
    label.setFont(font);
}

FormControls createFormControls(QWidget& client)
{
    client.resize(pixelRect({0, 0, kClientWidthTwips, kClientHeightTwips}).size());
    QPalette grey = client.palette();
    grey.setColor(QPalette::Window, kLightGrey);
    // The captions are drawn on the grey, so their colour cannot be left to
    // a theme that may make it light; the boxes follow the theme.
    grey.setColor(QPalette::WindowText, Qt::black);
    client.setPalette(grey);
    client.setAutoFillBackground(true);

    FormControls controls;
    controls.txtVelmor = makeTextBox(client, "txtVelmor", {180, 540, 9800, 3400});
    controls.txtOutputBox = makeTextBox(client, "txtOutputBox", {180, 4440, 9800, 3400});
    controls.Label2 = makeLabel(client, "Label2", {240, 180, 1680, 240}, QStringLiteral("Unencrypted Text"), 9.75,
                                Qt::AlignLeft);
    controls.Label3 =
        makeLabel(client, "Label3", {240, 4080, 945, 240}, QStringLiteral("Encrypted"), 9.75, Qt::AlignLeft);

    controls.txtKey = new QLineEdit(&client);
    place(*controls.txtKey, "txtKey", {6360, 120, 3615, 375});
    controls.txtKey->setFont(arialBold(9.75));
    // The style's own mask is a dot; the box shows "*".
    controls.txtKey->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    controls.passwordRule = new PasswordCharacters(controls.txtKey);
    controls.txtKey->setValidator(controls.passwordRule);

    controls.Label5 =
        makeLabel(client, "Label5", {4560, 150, 1695, 255}, QStringLiteral("PassWord:"), 12, Qt::AlignRight);
    controls.Label1 =
        makeLabel<StatusLabel>(client, "Label1", {2000, 4050, 6495, 375}, QString(), kStatusPoints, Qt::AlignHCenter);
    labelBox(*controls.Label2, *controls.txtVelmor, controls.Label2->text());
    labelBox(*controls.Label3, *controls.txtOutputBox, controls.Label3->text());
    labelBox(*controls.Label5, *controls.txtKey, QStringLiteral("PassWord"));

    QWidget::setTabOrder(controls.txtVelmor, controls.txtOutputBox);
    QWidget::setTabOrder(controls.txtOutputBox, controls.txtKey);
    return controls;
}

}  // namespace velmor::ui
