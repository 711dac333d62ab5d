// SPDX-License-Identifier: MIT
// The wheel counts and pass counts the cipher accepts.
#pragma once

#include <array>

namespace velmor {

inline constexpr int kMinWheelCount = 4;
inline constexpr int kMaxWheelCount = 30;
inline constexpr int kStartWheelCount = 20;
inline constexpr std::array<int, 5> kPassCounts{1, 3, 6, 9, 12};

enum class Direction { Encrypt, Decrypt };

constexpr bool isValidWheelCount(int count) noexcept
{
    return count >= kMinWheelCount && count <= kMaxWheelCount && count % 2 == 0;
}

constexpr bool isValidPassCount(int passes) noexcept
{
    for (const int allowed : kPassCounts)
        if (passes == allowed) return true;
    return false;
}

}  // namespace velmor
