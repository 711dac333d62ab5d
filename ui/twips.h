// SPDX-License-Identifier: MIT
// Twips, the unit the window's layout is given in: 1/1440 inch, so 15 twips
// make one logical pixel at 96 dots per inch.
#pragma once

#include <QRect>

namespace velmor::ui {

inline constexpr int kTwipsPerPixel = 15;

// Rounds to the nearest pixel, halves away from zero.
constexpr int pixelsFromTwips(int twips) noexcept
{
    return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                      : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}

constexpr int twipsFromPixels(int pixels) noexcept { return pixels * kTwipsPerPixel; }

// A rectangle in twips: left, top, width, height.
struct TwipRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    friend constexpr bool operator==(const TwipRect&, const TwipRect&) = default;
};

// Edges are rounded, not sizes, so that neighbouring controls keep their gaps.
inline QRect pixelRect(const TwipRect& twips)
{
    const int left = pixelsFromTwips(twips.left);
    const int top = pixelsFromTwips(twips.top);
    return {left, top, pixelsFromTwips(twips.left + twips.width) - left,
            pixelsFromTwips(twips.top + twips.height) - top};
}

inline TwipRect twipRect(const QRect& pixels)
{
    return {twipsFromPixels(pixels.left()), twipsFromPixels(pixels.top()), twipsFromPixels(pixels.width()),
            twipsFromPixels(pixels.height())};
}

}  // namespace velmor::ui
