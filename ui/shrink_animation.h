// SPDX-License-Identifier: MIT
// Plays the closing animation on the real window, one geometry per timer
// tick, so that a person sees the window shrink and slide away.
#pragma once

#include "twips.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <vector>

class QWidget;

namespace velmor::ui {

class ShrinkAnimation : public QObject {
    Q_OBJECT

public:
    // `window` must outlive the animation; its parent is the usual owner.
    ShrinkAnimation(QWidget& window, std::vector<TwipRect> frames, std::chrono::milliseconds interval,
                    QObject* parent = nullptr);

    void start();

signals:
    // After the last frame has been applied.
    void finished();

private:
    void showNextFrame();

    QWidget& window_;
    std::vector<TwipRect> frames_;
    std::size_t next_ = 0;
    QTimer timer_;
};

}  // namespace velmor::ui
