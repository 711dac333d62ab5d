// SPDX-License-Identifier: MIT
// The window's start and its leaving: what the program sets up before Qt
// starts, where the window is placed on a screen that may be smaller than
// it, and the closing animation that shrinks it and slides it off the screen.
#pragma once

#include "form.h"

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QTimer>

#include <chrono>
#include <vector>

class QWidget;

namespace velmor::ui {

// Call first thing in main(), before any thread starts. False when the
// standard streams cannot be kept from the program's own files.
bool prepareWindowProcess();

// The top-left corner for a window frame (title bar included) of `frame`
// size in the screen's `available` area: centred along each side where it
// fits, else at the area's start, so that its title bar and menus can
// always be reached.
QPoint framePosition(QSize frame, QRect available);

// The closing path: each step moves the window 30 twips right and down and
// makes it 60 twips narrower and lower, sizes held at `minimum` as the window
// system holds them, so that it shrinks about its centre, until its top has
// passed the screen's width (at least one step, since the test comes after
// each). At most `maxFrames` geometries: when there are more steps than
// frames, frames skip steps evenly. The last frame is always the last step.
std::vector<TwipRect> shrinkFrames(const TwipRect& start, int screenWidth, int minimumWidth, int minimumHeight,
                                   int maxFrames);

// Plays the closing animation on the real window, one geometry per timer
// tick, so that a person sees the window shrink and slide away.
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
