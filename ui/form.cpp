// SPDX-License-Identifier: MIT
// The form: its controls and menus made at their places with their fonts and
// captions, the texts built from numbers, the icon and the information box.
#include "form.h"

#include "exact_text_edit.h"

#include "codec/windows1252.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QColor>
#include <QDialogButtonBox>
#include <QFont>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QStringList>
#include <QStyle>

#include <algorithm>

namespace velmor::ui {
namespace {

#include "window_icon.xpm"

// The information box's three lines, joined by CR LF.
QString infoText()
{
    return QStringList{
        QString::fromUtf16(words::kInfoLine1),
        QString::fromUtf16(words::kInfoLine2),
        QString::fromUtf16(words::kInfoLine3),
    }.join(QStringLiteral("\r\n"));
}

// The first character of `text` that Windows-1252 cannot hold, as
// PasswordCharacters::refused names it; "" when there is none.
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

// A plain label is static text, which screen readers skip when it changes.
class StatusAccessible final : public QAccessibleWidget {
public:
    explicit StatusAccessible(QLabel* label) : QAccessibleWidget(label, QAccessible::StatusBar) {}

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name) return static_cast<const QLabel*>(widget())->text();
        return QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface* statusInterface(const QString& className, QObject* object)
{
    if (className != QLatin1String(StatusLabel::staticMetaObject.className())) return nullptr;
    return new StatusAccessible(static_cast<StatusLabel*>(object));
}

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

QRect pixelRect(const TwipRect& twips)
{
    const int left = pixelsFromTwips(twips.left);
    const int top = pixelsFromTwips(twips.top);
    return {left, top, pixelsFromTwips(twips.left + twips.width) - left,
            pixelsFromTwips(twips.top + twips.height) - top};
}

TwipRect twipRect(const QRect& pixels)
{
    return {twipsFromPixels(pixels.left()), twipsFromPixels(pixels.top()), twipsFromPixels(pixels.width()),
            twipsFromPixels(pixels.height())};
}

QString statusText(qsizetype characterCount)
{
    return QString::fromUtf16(words::kStatusText).arg(static_cast<qlonglong>(characterCount));
}

QString wheelCountCaption(int wheelCount)
{
    return QString::fromUtf16(words::kWheelCountCaption).arg(wheelCount, 2, 10, QLatin1Char('0'));
}

QString passwordRefusal(const QString& character)
{
    return QStringLiteral("PassWord takes only Windows-1252 characters: \"%1\" is not one").arg(character);
}

QValidator::State PasswordCharacters::validate(QString& input, int& /*position*/) const
{
    const QString outside = firstOutsideWindows1252(input);
    if (outside.isEmpty()) return Acceptable;
    emit refused(outside);
    return Invalid;
}

StatusLabel::StatusLabel(QWidget* parent) : QLabel(parent)
{
    // Installed once for the whole program; Qt keeps the list of factories.
    static const bool installed = [] {
        QAccessible::installFactory(statusInterface);
        return true;
    }();
    static_cast<void>(installed);
}

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

InfoBox::InfoBox(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromUtf16(words::kInfoTitle));
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

QIcon windowIcon()
{
    return QIcon(QPixmap(kWindowIconXpm));
}

}  // namespace velmor::ui
