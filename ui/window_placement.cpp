// SPDX-License-Identifier: MIT
// Where the window goes on a screen that may be smaller than the window.
#include "window_placement.h"

namespace velmor::ui {
namespace {

int start(int length, int availableStart, int availableLength)
{
    return length <= availableLength ? availableStart + (availableLength - length) / 2 : availableStart;
}

}  // namespace

QPoint framePosition(QSize frame, QRect available)
{
    return {start(frame.width(), available.left(), available.width()),
            start(frame.height(), available.top(), available.height())};
}

}  // namespace velmor::ui
