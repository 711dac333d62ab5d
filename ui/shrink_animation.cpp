// SPDX-License-Identifier: MIT
// Plays the closing animation on the real window.
#include "shrink_animation.h"

#include <QWidget>

namespace velmor::ui {

ShrinkAnimation::ShrinkAnimation(QWidget& window, std::vector<TwipRect> frames, std::chrono::milliseconds interval,
                                 QObject* parent)
    : QObject(parent)
    , window_(window)
    , frames_(std::move(frames))
{
    timer_.setInterval(interval);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &ShrinkAnimation::showNextFrame);
}

void ShrinkAnimation::start()
{
    next_ = 0;
    if (frames_.empty()) {
        emit finished();
        return;
    }
    timer_.start();
}

void ShrinkAnimation::showNextFrame()
{
    // The window system may refuse or clamp a geometry; the next frame is
    // applied all the same, and the animation ends after the last one.
    window_.setGeometry(pixelRect(frames_[next_]));
    if (++next_ < frames_.size()) return;
    timer_.stop();
    emit finished();
}

}  // namespace velmor::ui
