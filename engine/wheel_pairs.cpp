// SPDX-License-Identifier: MIT
// Closed-form turns and the pair substitutions.
#include "wheel_pairs.h"

namespace velmor {

ArrayTurns turnsBefore(std::uint64_t position, int wheelCount) noexcept
{
    ArrayTurns turns{};
    const auto count = static_cast<std::uint64_t>(wheelCount);
    const int full = static_cast<int>((position / count) % kWheelLength);
    const auto extra = position % count;
    for (int w = 1; w <= wheelCount; ++w)
        turns[static_cast<std::size_t>(w - 1)] = (full + (static_cast<std::uint64_t>(w) <= extra ? 1 : 0)) % kWheelLength;
    return turns;
}

Symbol encipherSymbol(const WheelSet& wheels, int wheelCount, const ArrayTurns& turns, Symbol symbol,
                      PairPositions& found) noexcept
{
    for (int j = 0; j < wheelCount / 2; ++j) {
        const auto odd = static_cast<std::size_t>(2 * j);
        symbol = encipherPair(wheels[odd], wheels[odd + 1], turns[odd], turns[odd + 1], symbol,
                              found[static_cast<std::size_t>(j)]);
    }
    return symbol;
}

Symbol decipherSymbol(const WheelSet& wheels, int wheelCount, const ArrayTurns& turns, Symbol symbol,
                      PairPositions& found) noexcept
{
    for (int j = wheelCount / 2 - 1; j >= 0; --j) {
        const auto odd = static_cast<std::size_t>(2 * j);
        symbol = decipherPair(wheels[odd], wheels[odd + 1], turns[odd], turns[odd + 1], symbol,
                              found[static_cast<std::size_t>(j)]);
    }
    return symbol;
}

namespace {

// One pair step, `step`, applied to every entry of `map`.
template <class PairStep>
void mapThroughPair(const WheelSet& wheels, int pair, int oddTurns, int evenTurns, SymbolMap& map,
                    PairStep step) noexcept
{
    const auto odd = static_cast<std::size_t>(2 * pair);
    for (Symbol& symbol : map) {
        int found = 0;
        symbol = step(wheels[odd], wheels[odd + 1], oddTurns, evenTurns, symbol, found);
    }
}

}  // namespace

void encipherPairMap(const WheelSet& wheels, int pair, int oddTurns, int evenTurns, SymbolMap& map) noexcept
{
    mapThroughPair(wheels, pair, oddTurns, evenTurns, map, encipherPair);
}

void decipherPairMap(const WheelSet& wheels, int pair, int oddTurns, int evenTurns, SymbolMap& map) noexcept
{
    mapThroughPair(wheels, pair, oddTurns, evenTurns, map, decipherPair);
}

}  // namespace velmor
