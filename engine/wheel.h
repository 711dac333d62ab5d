// SPDX-License-Identifier: MIT
// One wheel: an arrangement of the 96 alphabet characters, with the inverse
// (position of each character) kept beside it so that a scan is a look-up.
#pragma once

#include "alphabet.h"

#include <array>
#include <optional>
#include <string_view>

namespace velmor {

class Wheel {
public:
    // Alphabet order.
    Wheel() noexcept;

    // The wheel whose characters are `codes` (Windows-1252), or nothing when
    // they are not a permutation of the alphabet.
    static std::optional<Wheel> fromCodes(std::string_view codes);

    // Positions are 0-based here.
    Symbol symbolAt(int position) const noexcept { return symbolAt_[static_cast<std::size_t>(position)]; }
    int positionOf(Symbol symbol) const noexcept { return positionOf_[symbol]; }
    char16_t charAt(int position) const noexcept { return charOf(symbolAt(position)); }

    // The wheel read from `position` on, wrapping round: that character comes first.
    Wheel rotatedToFront(int position) const noexcept;

    friend bool operator==(const Wheel& a, const Wheel& b) noexcept { return a.symbolAt_ == b.symbolAt_; }

private:
    std::array<Symbol, kWheelLength> symbolAt_{};
    std::array<std::uint8_t, kWheelLength> positionOf_{};
    void indexPositions() noexcept;
};

}  // namespace velmor
