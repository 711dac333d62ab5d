// SPDX-License-Identifier: MIT
// Shared helpers of the engine tests: sample size, edge lengths, random texts
// and passwords, and the engine's state object compared with the model's.
#pragma once

#include "engine/builtin_wheels.h"
#include "engine/settings.h"
#include "engine/wheel_state.h"
#include "literal_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace velmor::test {

// Debug builds (make test-sanitize runs Debug with ASan) check a smaller
// sample, so that the sanitizer run stays quick.
#ifdef NDEBUG
inline constexpr bool kFullSample = true;
#else
inline constexpr bool kFullSample = false;
#endif

using literal::Text;

inline std::vector<int> sampledWheelCounts()
{
    if (!kFullSample) return {4, 10, 20, 30};
    std::vector<int> counts;
    for (int w = kMinWheelCount; w <= kMaxWheelCount; w += 2) counts.push_back(w);
    return counts;
}

// Where off-by-one faults hide for wheel count W: around W and 96, at
// multiples of W (the cursor wraps exactly), and past one period (96W), where
// the cipher switches to its table and DecryptPass turns forward by division.
inline std::vector<std::size_t> edgeLengths(int wheelCount, std::mt19937& rng)
{
    const auto w = static_cast<std::size_t>(wheelCount);
    const std::size_t multipleAbove96 = (96 / w + 1) * w;
    std::vector<std::size_t> lengths{0,   1,   w - 1,           w,   w + 1,   96,
                                     97,  192, multipleAbove96, 2 * multipleAbove96, 96 * w + 1, 96 * w + w};
    if (kFullSample) lengths.insert(lengths.end(), {96 * w, 2 * 96 * w + w, 3000 + rng() % 1000});
    return lengths;
}

inline char32_t randomAlphabetChar(std::mt19937& rng)
{
    static const Text alphabet = literal::builtinWheelTexts()[0];
    return alphabet[std::uniform_int_distribution<std::size_t>(0, 95)(rng)];
}

// Mostly alphabet characters; the rest are what must pass through: CR, LF,
// the double quote, tabs and other controls, 127, bytes above 127 and, when
// `wide`, code units above 255 (surrogates and noncharacters included).
inline Text randomText(std::mt19937& rng, std::size_t length, bool wide)
{
    static constexpr char32_t kWide[] = {0x100, 0x2019, 0x20AC, 0x2028, 0xD83D, 0xDE00, 0xFEFF, 0xFFFF};
    Text text(length, 0);
    for (char32_t& c : text) {
        const int kind = std::uniform_int_distribution<int>(0, 99)(rng);
        if (kind < 70) c = randomAlphabetChar(rng);
        else if (kind < 84) c = U"\r\n\"\t\x7F"[kind % 5];
        else if (kind < 87) c = static_cast<char32_t>(std::uniform_int_distribution<int>(0, 31)(rng));
        else if (!wide || kind < 94) c = static_cast<char32_t>(std::uniform_int_distribution<int>(128, 255)(rng));
        else if (kind < 98) c = kWide[std::uniform_int_distribution<std::size_t>(0, std::size(kWide) - 1)(rng)];
        else c = static_cast<char32_t>(std::uniform_int_distribution<int>(256, 0xFFFF)(rng));
    }
    return text;
}

// 0 to 34 characters, so that some are longer than the 30 wheels; about one
// in five is outside the alphabet and must leave its wheel unkeyed.
inline std::u16string randomPassword(std::mt19937& rng)
{
    std::u16string password(std::uniform_int_distribution<std::size_t>(0, 34)(rng), u'\0');
    for (char16_t& c : password) {
        const int kind = std::uniform_int_distribution<int>(0, 19)(rng);
        c = kind < 4 ? u"\"\t\u00E9\u2019"[kind] : static_cast<char16_t>(randomAlphabetChar(rng));
    }
    return password;
}

// Every field the engine shares with the model; the wheel arrays once the
// model has made them.
inline ::testing::AssertionResult sameState(const WheelState& engine, const literal::Machine& model)
{
    auto fail = [] { return ::testing::AssertionFailure(); };
    if (engine.wheelLength() != model.wheelLength || engine.wheelCount() != model.wheelCount ||
        engine.stepWheel() != model.stepWheel)
        return fail() << "wheelLength, wheelCount, stepWheel " << engine.wheelLength() << ", " << engine.wheelCount()
                      << ", " << engine.stepWheel() << " vs " << model.wheelLength << ", " << model.wheelCount << ", "
                      << model.stepWheel;
    for (int j = 1; j <= kWheelTotal / 2; ++j)
        if (engine.pairPosition(j) != model.pairPosition[static_cast<std::size_t>(j)])
            return fail() << "pairPosition " << j << ": " << engine.pairPosition(j) << " vs "
                          << model.pairPosition[static_cast<std::size_t>(j)];
    for (int k = 1; k <= kWheelTotal; ++k) {
        const auto& array = model.wheelArray[static_cast<std::size_t>(k)];
        Text engineArray;
        for (int i = 1; i <= kWheelLength && !array.empty(); ++i) engineArray += engine.wheelArrayElement(k, i);
        if (literal::fromUtf16(engine.workingWheel(k).text()) != model.workingWheel[static_cast<std::size_t>(k)])
            return fail() << "working wheel " << k;
        if (!array.empty() && engineArray != Text(array.begin() + 1, array.end())) return fail() << "wheel array " << k;
    }
    return ::testing::AssertionSuccess();
}

inline std::string bytesOf(const Text& text) { return literal::toBytes(text); }
inline std::u16string unitsOf(const Text& text) { return literal::toUtf16(text); }

}  // namespace velmor::test
