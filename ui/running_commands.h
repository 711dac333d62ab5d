// SPDX-License-Identifier: MIT
// A command while it runs: the encrypt or decrypt work, done on copies of
// everything it reads so that it can run on another thread while the window
// stays live, and the guard that keeps the user's input from acting meanwhile.
#pragma once

#include "engine/settings.h"
#include "engine/table_walk.h"
#include "engine/wheel_state.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

class QWidget;

namespace velmor::ui {

struct CipherJob {
    Direction direction = Direction::Encrypt;
    int passes = 1;
    QString password;
    QString text;
    WheelState state;  // the window's state as the command found it
    const TableWalk* walk = &fastestTableWalk();
    // A text kept as Windows-1252 bytes goes through as bytes, in place of `text`.
    std::optional<QByteArray> keptBytes;
};

struct CipherOutcome {
    QString text;
    std::optional<QByteArray> keptBytes;  // set when the job's text was bytes
    WheelState state;  // settled as the last pass leaves it
    QString failure;   // empty when the passes ran
};

// Runs the job's passes over its text, cut into a range for each of the
// global thread pool's threads. Never throws: a failure comes back in
// `failure`, with an empty text and the job's state.
CipherOutcome runCipherJob(CipherJob job) noexcept;

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
