// SPDX-License-Identifier: MIT
// The closing animation's geometry.
#include "shrink_path.h"

#include <algorithm>

namespace velmor::ui {

int shrinkStepCount(int top, int screenWidth) noexcept
{
    if (top > screenWidth) return 1;
    // The smallest k with top + 30k > screenWidth.
    return static_cast<int>((static_cast<long long>(screenWidth) - top) / kShrinkMoveTwips + 1);
}

TwipRect shrinkStep(const TwipRect& start, int step, int minimumWidth, int minimumHeight) noexcept
{
    const long long move = static_cast<long long>(kShrinkMoveTwips) * step;
    const long long shrink = static_cast<long long>(kShrinkSizeTwips) * step;
    const auto shrunk = [shrink](int size, int minimum) {
        return static_cast<int>(std::max<long long>(std::min(size, minimum), size - shrink));
    };
    return {static_cast<int>(start.left + move), static_cast<int>(start.top + move),
            shrunk(start.width, minimumWidth), shrunk(start.height, minimumHeight)};
}

std::vector<TwipRect> shrinkFrames(const TwipRect& start, int screenWidth, int minimumWidth, int minimumHeight,
                                   int maxFrames)
{
    const int steps = shrinkStepCount(start.top, screenWidth);
    const int frames = std::clamp(maxFrames, 1, steps);
    std::vector<TwipRect> path;
    path.reserve(static_cast<std::size_t>(frames));
    for (int frame = 1; frame <= frames; ++frame) {
        const int step = static_cast<int>(static_cast<long long>(steps) * frame / frames);
        path.push_back(shrinkStep(start, step, minimumWidth, minimumHeight));
    }
    return path;
}

}  // namespace velmor::ui
