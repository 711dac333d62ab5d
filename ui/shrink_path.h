// SPDX-License-Identifier: MIT
// The closing animation's geometry: each step moves the window 30 twips right
// and down and makes it 60 twips narrower and lower, so that it shrinks about
// its centre, until its top has passed the screen's width.
#pragma once

#include "twips.h"

#include <vector>

namespace velmor::ui {

inline constexpr int kShrinkMoveTwips = 30;
inline constexpr int kShrinkSizeTwips = 60;

// Steps until the top is greater than `screenWidth`; at least one, since the
// test comes after each step.
int shrinkStepCount(int top, int screenWidth) noexcept;

// The geometry after `step` steps from `start`, sizes held at `minimum` as
// the window system holds them.
TwipRect shrinkStep(const TwipRect& start, int step, int minimumWidth, int minimumHeight) noexcept;

// The geometries to show, at most `maxFrames` of them: when there are more
// steps than frames, frames skip steps evenly. The last frame is always the
// last step, whose top has passed the screen's width.
std::vector<TwipRect> shrinkFrames(const TwipRect& start, int screenWidth, int minimumWidth, int minimumHeight,
                                   int maxFrames);

}  // namespace velmor::ui
