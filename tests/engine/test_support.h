// Shared helpers of the engine tests: random texts and passwords, the edge
// lengths, the sample size, and the comparison of the engine's state object
// with the literal model's.
#pragma once

#include "engine/builtin_wheels.h"
#include "engine/settings.h"
#include "engine/wheel_state.h"
#include "literal_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace velmor::test {

// Debug builds (make test-sanitize runs Debug with ASan) check a smaller
// sample; Release builds check the full one.
#ifdef NDEBUG
inline constexpr bool kFullSample = true;
#else
inline constexpr bool kFullSample = false;
#endif

using literal::Text;

inline std::vector<int> allWheelCounts()
{
    std::vector<int> counts;
    for (int w = kMinWheelCount; w <= kMaxWheelCount; w += 2) counts.push_back(w);
    return counts;
}

// Every even wheel count in full; 4, a middle one, 20 and 30 otherwise.
inline std::vector<int> sampledWheelCounts()
{
    if (kFullSample) return allWheelCounts();
    return {4, 10, 20, 30};
}

// The lengths at the edges for wheel count W: 0, 1, W-1, W, W+1, 96, 97, 192,
// multiples of W above 96, several thousand, and beyond one period (96W) so
// that the table path and the long way of DecryptPass run.
inline std::vector<std::size_t> edgeLengths(int wheelCount, std::mt19937& rng)
{
    const auto w = static_cast<std::size_t>(wheelCount);
    const std::size_t period = 96 * w;
    const std::size_t firstMultipleAbove96 = (96 / w + 1) * w;
    std::vector<std::size_t> lengths{0, 1, w - 1, w, w + 1, 96, 97, 192, firstMultipleAbove96, 2 * firstMultipleAbove96};
    if (kFullSample) {
        lengths.push_back(period);
        lengths.push_back(period + 1);
        lengths.push_back(2 * period + w);  // a multiple of W above one period: r = 0
        lengths.push_back(std::uniform_int_distribution<std::size_t>(3000, 4000)(rng));
    } else {
        lengths.push_back(period + 1);
        lengths.push_back(period + w);
    }
    std::sort(lengths.begin(), lengths.end());
    lengths.erase(std::unique(lengths.begin(), lengths.end()), lengths.end());
    return lengths;
}

// ---- Random texts -----------------------------------------------------------

enum class Width { Bytes, Utf16 };

inline char32_t randomAlphabetChar(std::mt19937& rng)
{
    const int symbol = std::uniform_int_distribution<int>(0, 95)(rng);
    if (symbol < 2) return static_cast<char32_t>(32 + symbol);
    if (symbol < 94) return static_cast<char32_t>(33 + symbol);
    return symbol == 94 ? char32_t{163} : char32_t{172};
}

// Mostly alphabet characters, with CR, LF, the double quote, tabs, other
// control characters, 127, bytes above 127 and, for 16-bit text, code units
// above 255 (surrogates included).
inline char32_t randomTextChar(std::mt19937& rng, Width width)
{
    const int kind = std::uniform_int_distribution<int>(0, 99)(rng);
    if (kind < 70) return randomAlphabetChar(rng);
    if (kind < 74) return 13;
    if (kind < 78) return 10;
    if (kind < 82) return 34;
    if (kind < 85) return 9;
    if (kind < 87) return 127;
    if (kind < 89) return static_cast<char32_t>(std::uniform_int_distribution<int>(0, 31)(rng));
    if (width == Width::Utf16 && kind >= 95) {
        static constexpr char32_t kWide[] = {0x100, 0x2019, 0x201C, 0x20AC, 0x2028, 0xD83D, 0xDE00, 0xFEFF, 0xFFFF};
        if (kind == 99) return static_cast<char32_t>(std::uniform_int_distribution<int>(256, 0xFFFF)(rng));
        return kWide[std::uniform_int_distribution<std::size_t>(0, std::size(kWide) - 1)(rng)];
    }
    return static_cast<char32_t>(std::uniform_int_distribution<int>(128, 255)(rng));
}

inline Text randomText(std::mt19937& rng, std::size_t length, Width width = Width::Bytes)
{
    Text text(length, 0);
    for (char32_t& c : text) c = randomTextChar(rng, width);
    return text;
}

inline Text randomAlphabetText(std::mt19937& rng, std::size_t length)
{
    Text text(length, 0);
    for (char32_t& c : text) c = randomAlphabetChar(rng);
    return text;
}

// 0 to maxLength characters, most in the alphabet, some not (the double
// quote, a tab, accented and typographic characters).
inline std::u16string randomPassword(std::mt19937& rng, int maxLength)
{
    const int length = std::uniform_int_distribution<int>(0, maxLength)(rng);
    std::u16string password;
    for (int i = 0; i < length; ++i) {
        const int kind = std::uniform_int_distribution<int>(0, 19)(rng);
        if (kind == 0) password += u'"';
        else if (kind == 1) password += u'\t';
        else if (kind == 2) password += u'\u00E9';
        else if (kind == 3) password += u'\u2019';
        else password += static_cast<char16_t>(randomAlphabetChar(rng));
    }
    return password;
}

inline Text modelText(std::u16string_view text) { return literal::fromUtf16(text); }

// ---- Comparison of the engine's state with the model's ----------------------

// Result and state: wheelLength, wheelCount, stepWheel, every pairPosition,
// the working and pristine wheels and (when the model's arrays exist) every
// element of every wheel array.
inline ::testing::AssertionResult sameState(const WheelState& engine, const literal::Machine& model)
{
    if (engine.wheelLength() != model.wheelLength)
        return ::testing::AssertionFailure() << "wheelLength " << engine.wheelLength() << " vs " << model.wheelLength;
    if (engine.wheelCount() != model.wheelCount)
        return ::testing::AssertionFailure() << "wheelCount " << engine.wheelCount() << " vs " << model.wheelCount;
    if (engine.stepWheel() != model.stepWheel)
        return ::testing::AssertionFailure() << "stepWheel " << engine.stepWheel() << " vs " << model.stepWheel;
    for (int j = 1; j <= kWheelTotal / 2; ++j)
        if (engine.pairPosition(j) != model.pairPosition[static_cast<std::size_t>(j)])
            return ::testing::AssertionFailure() << "pairPosition " << j << ": " << engine.pairPosition(j) << " vs "
                                                 << model.pairPosition[static_cast<std::size_t>(j)];
    for (int k = 1; k <= kWheelTotal; ++k) {
        if (literal::fromUtf16(engine.workingWheel(k).text()) != model.workingWheel[static_cast<std::size_t>(k)])
            return ::testing::AssertionFailure() << "working wheel " << k << " differs";
        if (literal::fromUtf16(engine.pristineWheel(k).text()) != model.pristineWheel[static_cast<std::size_t>(k)])
            return ::testing::AssertionFailure() << "pristine wheel " << k << " differs";
        const auto& array = model.wheelArray[static_cast<std::size_t>(k)];
        if (array.empty()) continue;  // no pass has made the model's arrays yet
        for (int i = 1; i <= model.wheelLength; ++i)
            if (engine.wheelArrayElement(k, i) != array[static_cast<std::size_t>(i)])
                return ::testing::AssertionFailure() << "wheel array " << k << " element " << i << ": "
                                                     << static_cast<int>(engine.wheelArrayElement(k, i)) << " vs "
                                                     << static_cast<int>(array[static_cast<std::size_t>(i)]);
    }
    return ::testing::AssertionSuccess();
}

// Texts as engine inputs.
inline std::string bytesOf(const Text& text) { return literal::toBytes(text); }
inline std::u16string unitsOf(const Text& text) { return literal::toUtf16(text); }

}  // namespace velmor::test
