// Closed-form turns and the pair substitutions.
#include "wheel_pairs.h"

namespace velmor {
namespace {

constexpr int wrap(int position) noexcept
{
    return ((position % kWheelLength) + kWheelLength) % kWheelLength;
}

}  // namespace

ArrayTurns turnsBefore(std::uint64_t position, int wheelCount) noexcept
{
    ArrayTurns turns{};
    if (wheelCount <= 0) return turns;
    const auto count = static_cast<std::uint64_t>(wheelCount);
    const int full = static_cast<int>((position / count) % kWheelLength);
    const auto extra = position % count;
    for (int w = 1; w <= wheelCount && w <= kWheelTotal; ++w)
        turns[static_cast<std::size_t>(w - 1)] = (full + (static_cast<std::uint64_t>(w) <= extra ? 1 : 0)) % kWheelLength;
    return turns;
}

Symbol encipherSymbol(const WheelSet& wheels, int wheelCount, const ArrayTurns& turns, Symbol symbol,
                      PairPositions& found) noexcept
{
    const int pairs = wheelCount / 2;
    for (int j = 0; j < pairs && j < kPairTotal; ++j) {
        const auto odd = static_cast<std::size_t>(2 * j);
        const auto even = odd + 1;
        const int position = wrap(wheels[odd].positionOf(symbol) - turns[odd]);
        found[static_cast<std::size_t>(j)] = position + 1;
        symbol = wheels[even].symbolAt(wrap(position - turns[even]));
    }
    return symbol;
}

Symbol decipherSymbol(const WheelSet& wheels, int wheelCount, const ArrayTurns& turns, Symbol symbol,
                      PairPositions& found) noexcept
{
    const int pairs = wheelCount / 2;
    for (int j = (pairs < kPairTotal ? pairs : kPairTotal) - 1; j >= 0; --j) {
        const auto odd = static_cast<std::size_t>(2 * j);
        const auto even = odd + 1;
        const int position = wrap(wheels[even].positionOf(symbol) + turns[even]);
        found[static_cast<std::size_t>(j)] = position + 1;
        symbol = wheels[odd].symbolAt(wrap(position + turns[odd]));
    }
    return symbol;
}

}  // namespace velmor
