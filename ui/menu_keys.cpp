// SPDX-License-Identifier: MIT
// Keyboard access to the menu bar through Qt's own Alt navigation, which
// some styles (Fusion among them) leave off.
#include "menu_keys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QProxyStyle>
#include <QShortcut>
#include <QStyleOptionMenuItem>

namespace velmor::ui {
namespace {

// The application's style in every other respect, so the bar looks the same.
class AltNavigation final : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override
    {
        if (hint == SH_MenuBar_AltKeyNavigation) return 1;
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }

    // Some styles mark a menu only while it is open or under the mouse; the
    // one the keyboard is on shows as if open, so the user sees where it is.
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (element == CE_MenuBarItem && item != nullptr && (item->state & State_Selected) && widget != nullptr
            && widget->hasFocus()) {
            QStyleOptionMenuItem marked(*item);
            marked.state |= State_Sunken;
            QProxyStyle::drawControl(element, &marked, painter, widget);
            return;
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

}  // namespace

void reachFromKeyboard(QMenuBar& bar)
{
    auto* style = new AltNavigation;
    style->setParent(&bar);
    bar.setStyle(style);
    // The bar enters and leaves its keyboard mode on a lone Alt only, which it
    // watches for on its window; F10 hands it one, as if typed.
    QWidget* window = bar.window();
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), window);
    QObject::connect(f10, &QShortcut::activated, &bar, [window] {
        QWidget* focus = window->focusWidget() != nullptr ? window->focusWidget() : window;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
        QApplication::sendEvent(focus, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
        QApplication::sendEvent(focus, &release);
    });
}

}  // namespace velmor::ui
