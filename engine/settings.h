// SPDX-License-Identifier: MIT
// The wheel counts and pass counts the cipher accepts, and how they are
// named to the user, so that every message and menu agrees with the cipher.
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace velmor {

inline constexpr int kMinWheelCount = 4;
inline constexpr int kMaxWheelCount = 30;
inline constexpr int kWheelCountStep = 2;  // wheels work in pairs
inline constexpr int kStartWheelCount = 20;
inline constexpr std::array<int, 5> kPassCounts{1, 3, 6, 9, 12};

enum class Direction { Encrypt, Decrypt };

inline constexpr auto kWheelCounts = [] {
    std::array<int, (kMaxWheelCount - kMinWheelCount) / kWheelCountStep + 1> counts{};
    for (std::size_t i = 0; i < counts.size(); ++i)
        counts[i] = kMinWheelCount + static_cast<int>(i) * kWheelCountStep;
    return counts;
}();

constexpr bool isValidWheelCount(int count) noexcept
{
    return count >= kMinWheelCount && count <= kMaxWheelCount && (count - kMinWheelCount) % kWheelCountStep == 0;
}

constexpr bool isValidPassCount(int passes) noexcept
{
    for (const int allowed : kPassCounts)
        if (passes == allowed) return true;
    return false;
}

// "an even number from 4 to 30"
inline std::string wheelCountChoices()
{
    static_assert(kWheelCountStep == 2 && kMinWheelCount % 2 == 0, "the wording says even");
    return "an even number from " + std::to_string(kMinWheelCount) + " to " + std::to_string(kMaxWheelCount);
}

// "1, 3, 6, 9 or 12"
inline std::string passCountChoices()
{
    std::string text;
    for (std::size_t i = 0; i < kPassCounts.size(); ++i) {
        if (i > 0) text += i + 1 == kPassCounts.size() ? " or " : ", ";
        text += std::to_string(kPassCounts[i]);
    }
    return text;
}

}  // namespace velmor
