// SPDX-License-Identifier: MIT
// The substitution that the wheel arrays make at one text position. Both the
// single passes of WheelState and the multi-pass Cipher use these functions,
// so the cipher has one definition: the pair steps below.
//
// A wheel array is its working wheel turned some number of places. turns[k]
// counts the StepWheels turns of array k + 1 (left for odd arrays, right for
// even ones), mod 96 (0..95, as turnsBefore and the state object keep it), so
// element p (0-based) of array k + 1 is
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

// Every symbol of the alphabet, indexed by symbol: a substitution.
using SymbolMap = std::array<Symbol, kWheelLength>;

// The functions taking `wheelCount` expect a count that isValidWheelCount()
// accepts; their callers check it once, not per character.

// Turns of every array before character `position` (0-based) of a pass with
// `wheelCount` wheels: t(w) = position / W + (w <= position mod W ? 1 : 0).
ArrayTurns turnsBefore(std::uint64_t position, int wheelCount) noexcept;

// A position moved by a number of turns, taken back into 0..95: from
// -96..95 (after subtracting turns) and from 0..191 (after adding them).
// Without branches, since the positions are as good as random.
constexpr int wrapUp(int position) noexcept { return position + (kWheelLength & -static_cast<int>(position < 0)); }
constexpr int wrapDown(int position) noexcept
{
    return position - (kWheelLength & -static_cast<int>(position >= kWheelLength));
}

// One pair of encryption, the odd wheel with the even one, their arrays
// turned `oddTurns` (left) and `evenTurns` (right) places: the scan of the odd
// array finds `symbol` at `found` (1-based); the result is the even array's
// element there.
inline Symbol encipherPair(const Wheel& odd, const Wheel& even, int oddTurns, int evenTurns, Symbol symbol,
                           int& found) noexcept
{
    const int position = wrapUp(odd.positionOf(symbol) - oddTurns);
    found = position + 1;
    return even.symbolAt(wrapUp(position - evenTurns));
}

// One pair of decryption: the scan of the even array, the odd array's element.
inline Symbol decipherPair(const Wheel& odd, const Wheel& even, int oddTurns, int evenTurns, Symbol symbol,
                           int& found) noexcept
{
    const int position = wrapDown(even.positionOf(symbol) + evenTurns);
    found = position + 1;
    return odd.symbolAt(wrapDown(position + oddTurns));
}

// Sends a symbol through pairs 1..wheelCount/2 in ascending order and writes
// each pair's scan position into `found`.
Symbol encipherSymbol(const WheelSet& wheels, int wheelCount, const ArrayTurns& turns, Symbol symbol,
                      PairPositions& found) noexcept;

// The inverse: pairs in descending order, scanning the even array.
Symbol decipherSymbol(const WheelSet& wheels, int wheelCount, const ArrayTurns& turns, Symbol symbol,
                      PairPositions& found) noexcept;

// One pair (0-based) for every symbol at once, its arrays turned as given:
// map[s] := the pair applied to map[s]. The table of Cipher is built from
// these, so that many symbols go through side by side.
void encipherPairMap(const WheelSet& wheels, int pair, int oddTurns, int evenTurns, SymbolMap& map) noexcept;
void decipherPairMap(const WheelSet& wheels, int pair, int oddTurns, int evenTurns, SymbolMap& map) noexcept;

}  // namespace velmor
