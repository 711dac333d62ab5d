// SPDX-License-Identifier: MIT
// Dropping a busy window's input through an application-wide event filter.
#include "input_guard.h"

#include <QCoreApplication>
#include <QEvent>
#include <QScrollBar>
#include <QWidget>

namespace velmor::ui {
namespace {

bool changesSomething(QEvent::Type type)
{
    switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
        return true;
    default:
        return false;
    }
}

}  // namespace

InputGuard::InputGuard(QWidget& window) : QObject(&window), window_(&window) {}

InputGuard::~InputGuard()
{
    if (held_) QCoreApplication::instance()->removeEventFilter(this);
}

void InputGuard::hold()
{
    if (held_) return;
    held_ = true;
    QCoreApplication::instance()->installEventFilter(this);
}

void InputGuard::release()
{
    if (!held_) return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    held_ = false;
    QCoreApplication::instance()->removeEventFilter(this);
}

bool InputGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (!changesSomething(event->type()) || !watched->isWidgetType() || window_.isNull())
        return QObject::eventFilter(watched, event);
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() != window_) return QObject::eventFilter(watched, event);
    // Dragging a scroll bar moves the view and nothing else.
    const bool mouse = event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease;
    if (mouse && qobject_cast<QScrollBar*>(widget) != nullptr) return QObject::eventFilter(watched, event);
    return true;
}

}  // namespace velmor::ui
