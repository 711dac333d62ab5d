// SPDX-License-Identifier: MIT
// Keeps what the user types or clicks in a window from acting while the
// window is busy, including input that waited in the queue until afterwards.
#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

namespace velmor::ui {

// While held, key presses, clicks and the like aimed at `window` or any of
// its children are dropped; the mouse wheel and the scroll bars still work,
// since they change no text. Input given while the window's thread was busy
// reaches the window only when that thread next looks at its events, so
// release() first lets the window take every event already waiting and
// drops the input among them.
class InputGuard final : public QObject {
    Q_OBJECT

public:
    explicit InputGuard(QWidget& window);
    ~InputGuard() override;
    InputGuard(const InputGuard&) = delete;
    InputGuard& operator=(const InputGuard&) = delete;

    void hold();
    void release();
    bool isHeld() const noexcept { return held_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> window_;
    bool held_ = false;
};

}  // namespace velmor::ui
