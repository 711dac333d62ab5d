// SPDX-License-Identifier: MIT
// The multi-pass cipher, per position and tabulated.
#include "cipher.h"

#include "keying.h"

#include <stdexcept>

namespace velmor {
namespace {

SymbolMap identityMap() noexcept
{
    SymbolMap map{};
    for (int s = 0; s < kWheelLength; ++s) map[static_cast<std::size_t>(s)] = static_cast<Symbol>(s);
    return map;
}

// `first`, then `second`.
SymbolMap composed(const SymbolMap& first, const SymbolMap& second) noexcept
{
    SymbolMap map{};
    for (int s = 0; s < kWheelLength; ++s) map[static_cast<std::size_t>(s)] = second[first[static_cast<std::size_t>(s)]];
    return map;
}

// `map` applied `times` times, by repeated squaring (powers of one map commute).
SymbolMap power(SymbolMap map, int times) noexcept
{
    SymbolMap result = identityMap();
    while (times > 0) {
        if (times % 2 == 1) result = composed(result, map);
        times /= 2;
        if (times > 0) map = composed(map, map);
    }
    return result;
}

}  // namespace

Cipher::Cipher(const WheelSet& keyedWheels, int wheelCount, int passes, Direction direction,
               std::uint64_t textLength, const TableWalk& walk)
    : wheels_(keyedWheels), wheelCount_(wheelCount), passes_(passes), direction_(direction)
{
    if (!isValidWheelCount(wheelCount)) throw std::invalid_argument("the wheel count must be " + wheelCountChoices());
    if (!isValidPassCount(passes)) throw std::invalid_argument("the pass count must be " + passCountChoices());
    if (textLength > period()) {
        table_ = PeriodTable(walk, static_cast<std::size_t>(period()));
        buildTable();
    }
}

Cipher Cipher::forPassword(std::u16string_view password, int wheelCount, int passes, Direction direction,
                           std::uint64_t textLength, const TableWalk& walk)
{
    return Cipher(keyedWheels(builtinWheels(), password), wheelCount, passes, direction, textLength, walk);
}

Symbol Cipher::cipherSymbol(std::uint64_t position, Symbol symbol) const noexcept
{
    const ArrayTurns turns = turnsBefore(position, wheelCount_);
    PairPositions found{};
    for (int pass = 0; pass < passes_; ++pass)
        symbol = direction_ == Direction::Encrypt ? encipherSymbol(wheels_, wheelCount_, turns, symbol, found)
                                                  : decipherSymbol(wheels_, wheelCount_, turns, symbol, found);
    return symbol;
}

// One pass at row r of the period is the pair steps of wheel_pairs.h with the
// arrays turned as turnsBefore(r) says: in lap f (rows fW to fW + W - 1), row
// fW + e has arrays 1..e turned f + 1 times and the others f times (mod 96).
// So with m = e div 2, the pairs below pair m + 1 see turns (f + 1, f + 1),
// pair m + 1 sees (f + 1, f) when e is odd and (f, f) when it is even, and
// the pairs above see (f, f). The W rows of a lap share these runs of pairs,
// so the runs are worked out once per lap as maps from the symbol entering
// them to the symbol leaving them, and each row joins two of them.
void Cipher::buildTable()
{
    const int pairs = wheelCount_ / 2;
    const bool encrypt = direction_ == Direction::Encrypt;
    // Pair p (0-based) alone, its arrays turned as given.
    const auto pair = [&](int p, int oddTurns, int evenTurns) {
        SymbolMap map = identityMap();
        if (encrypt)
            encipherPairMap(wheels_, p, oddTurns, evenTurns, map);
        else
            decipherPairMap(wheels_, p, oddTurns, evenTurns, map);
        return map;
    };
    // A run of lower pairs with a run of the pairs above it: encryption goes
    // through the pairs upwards, decryption downwards.
    const auto joined = [&](const SymbolMap& lower, const SymbolMap& higher) {
        return encrypt ? composed(lower, higher) : composed(higher, lower);
    };
    const auto at = [](int m) { return static_cast<std::size_t>(m); };
    // turned[m]: pairs 0..m-1 with turns (f + 1, f + 1);
    // kept[m]: pairs m..pairs-1 with turns (f, f).
    std::vector<SymbolMap> turned(at(pairs) + 1);
    std::vector<SymbolMap> kept(at(pairs) + 1);
    for (int lap = 0; lap < kWheelLength; ++lap) {
        const int now = lap;
        const int next = (lap + 1) % kWheelLength;
        turned[0] = identityMap();
        for (int m = 1; m <= pairs; ++m) turned[at(m)] = joined(turned[at(m - 1)], pair(m - 1, next, next));
        kept[at(pairs)] = identityMap();
        for (int m = pairs - 1; m >= 0; --m) kept[at(m)] = joined(pair(m, now, now), kept[at(m + 1)]);

        for (int extra = 0; extra < wheelCount_; ++extra) {
            const int m = extra / 2;
            const SymbolMap once = extra % 2 == 0
                                       ? joined(turned[at(m)], kept[at(m)])
                                       : joined(joined(turned[at(m)], pair(m, next, now)), kept[at(m + 1)]);
            // Every pass at one position is the same substitution, so N
            // passes apply it N times.
            table_.setRow(static_cast<std::size_t>(lap * wheelCount_ + extra), power(once, passes_));
        }
    }
}

template <class CharT>
void Cipher::applyDirect(std::span<CharT> text, std::uint64_t firstPosition) const noexcept
{
    std::uint64_t position = firstPosition;
    for (CharT& c : text) {
        const int symbol = symbolOf(codeOf(c));
        if (symbol != kNotInAlphabet) c = static_cast<CharT>(charOf(cipherSymbol(position, static_cast<Symbol>(symbol))));
        ++position;
    }
}

void Cipher::apply(std::span<char> text, std::uint64_t firstPosition) const
{
    if (table_.empty())
        applyDirect(text, firstPosition);
    else
        table_.apply(std::span(reinterpret_cast<std::uint8_t*>(text.data()), text.size()),
                     static_cast<std::size_t>(firstPosition % period()));
}

void Cipher::apply(std::span<char16_t> text, std::uint64_t firstPosition) const
{
    if (table_.empty())
        applyDirect(text, firstPosition);
    else
        table_.apply(text, static_cast<std::size_t>(firstPosition % period()));
}

}  // namespace velmor
