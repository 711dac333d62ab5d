// SPDX-License-Identifier: MIT
// Where the window goes on a screen that may be smaller than the window.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace velmor::ui {

// The top-left corner for a window frame (title bar included) of `frame`
// size in the screen's `available` area: centred along each side where it
// fits, else at the area's start, so that its title bar and menus can
// always be reached.
QPoint framePosition(QSize frame, QRect available);

}  // namespace velmor::ui
