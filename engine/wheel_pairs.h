// The substitution that the wheel arrays make at one text position. Both the
// single passes of WheelState and the multi-pass Cipher use these functions,
// so the cipher has one definition.
//
// A wheel array is its working wheel turned some number of places. turns[k]
// counts the StepWheels turns of array k + 1 (left for odd arrays, right for
// even ones), mod 96, so element p (0-based) of array k + 1 is
//   odd:  wheel[(p + turns) mod 96]      even: wheel[(p - turns) mod 96].
#pragma once

#include "builtin_wheels.h"

#include <array>
#include <cstdint>

namespace velmor {

inline constexpr int kPairTotal = kWheelTotal / 2;

using ArrayTurns = std::array<int, kWheelTotal>;

// Per pair, the 1-based array position at which its scan found the character.
using PairPositions = std::array<int, kPairTotal>;

// Turns of every array before character `position` (0-based) of a pass with
// `wheelCount` wheels: t(w) = position / W + (w <= position mod W ? 1 : 0).
ArrayTurns turnsBefore(std::uint64_t position, int wheelCount) noexcept;

// Sends a symbol through pairs 1..wheelCount/2 in ascending order and writes
// each pair's scan position into `found`.
Symbol encipherSymbol(const WheelSet& wheels, int wheelCount, const ArrayTurns& turns, Symbol symbol,
                      PairPositions& found) noexcept;

// The inverse: pairs in descending order, scanning the even array.
Symbol decipherSymbol(const WheelSet& wheels, int wheelCount, const ArrayTurns& turns, Symbol symbol,
                      PairPositions& found) noexcept;

}  // namespace velmor
