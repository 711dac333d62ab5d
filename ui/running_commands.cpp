// SPDX-License-Identifier: MIT
// A cipher command's work on the thread pool, and dropping a busy window's
// input through an application-wide event filter.
#include "running_commands.h"

#include "engine/passes.h"

#include <QCoreApplication>
#include <QEvent>
#include <QException>
#include <QScrollBar>
#include <QThread>
#include <QWidget>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <exception>
#include <span>
#include <string_view>
#include <vector>

namespace velmor::ui {
namespace {

// Ciphers `text` in as many ranges as the pool has threads, side by side;
// the calling thread, itself on the pool, takes one of them.
template <class CharT>
void applyOnThePool(const Cipher& cipher, std::span<CharT> text)
{
    const auto ranges = static_cast<std::size_t>(std::max(1, QThread::idealThreadCount()));
    const std::size_t length = (text.size() + ranges - 1) / ranges;
    if (ranges == 1 || length == 0) {
        cipher.apply(text, 0);
        return;
    }
    std::vector<std::size_t> starts;
    for (std::size_t start = 0; start < text.size(); start += length) starts.push_back(start);
    try {
        QtConcurrent::blockingMap(starts, [&](std::size_t start) {
            cipher.apply(text.subspan(start, std::min(length, text.size() - start)), start);
        });
    } catch (const QUnhandledException& unhandled) {
        // The range's own failure says more than Qt's wrapper.
        if (unhandled.exception()) std::rethrow_exception(unhandled.exception());
        throw;
    }
}

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

CipherOutcome runCipherJob(CipherJob job) noexcept
{
    CipherOutcome outcome{{}, {}, job.state, {}};
    try {
        // QChar is one UTF-16 code unit, laid out as char16_t.
        const std::u16string_view password(reinterpret_cast<const char16_t*>(job.password.utf16()),
                                           static_cast<std::size_t>(job.password.size()));
        WheelState state = job.state;
        if (job.keptBytes) {
            QByteArray bytes = std::move(*job.keptBytes);
            const std::span<char> units(bytes.data(), static_cast<std::size_t>(bytes.size()));
            runPasses(state, job.direction, password, job.passes, units, applyOnThePool<char>, *job.walk);
            outcome.keptBytes = std::move(bytes);
        } else {
            QString text = std::move(job.text);
            const std::span<char16_t> units(reinterpret_cast<char16_t*>(text.data()),
                                            static_cast<std::size_t>(text.size()));
            runPasses(state, job.direction, password, job.passes, units, applyOnThePool<char16_t>, *job.walk);
            outcome.text = std::move(text);
        }
        outcome.state = std::move(state);
    } catch (const std::exception& error) {
        outcome.failure = QString::fromLocal8Bit(error.what());
    } catch (...) {
        outcome.failure = QStringLiteral("unknown error");
    }
    return outcome;
}

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
