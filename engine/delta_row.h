// SPDX-License-Identifier: MIT
// The compact row of the period table that the AVX2 and portable walks share:
// 128 one-byte slots, a code's cipher being the code XOR its slot.
#pragma once

#include "alphabet.h"
#include "wheel_pairs.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace velmor {

inline constexpr std::size_t kDeltaSlots = 128;

// Codes 2..127 have the slot of their own number. The two alphabet codes
// above 127 borrow the slots of codes 0 and 1, controls that pass through;
// every code outside the alphabet reads slot 2, another control, which holds
// 0 in every row. A row thus fits half the 256 entries of a byte row.
inline constexpr std::uint8_t kSlotOfPound = 0;    // code 163
inline constexpr std::uint8_t kSlotOfNotSign = 1;  // code 172
inline constexpr std::uint8_t kZeroSlot = 2;

inline constexpr std::array<std::uint8_t, 256> kSlotOfCode = [] {
    std::array<std::uint8_t, 256> slots{};
    for (int code = 0; code < 256; ++code) {
        const int symbol = symbolOf(static_cast<char32_t>(code));
        std::uint8_t slot = kZeroSlot;
        if (code == 163) slot = kSlotOfPound;
        else if (code == 172) slot = kSlotOfNotSign;
        else if (symbol != kNotInAlphabet) slot = static_cast<std::uint8_t>(code);
        slots[static_cast<std::size_t>(code)] = slot;
    }
    return slots;
}();

// The row of a position whose symbols `map` substitutes.
inline std::array<std::uint8_t, kDeltaSlots> deltaRow(const SymbolMap& map) noexcept
{
    std::array<std::uint8_t, kDeltaSlots> row{};
    for (int s = 0; s < kWheelLength; ++s) {
        const char16_t code = charOf(static_cast<Symbol>(s));
        row[kSlotOfCode[code]] = static_cast<std::uint8_t>(code ^ charOf(map[static_cast<std::size_t>(s)]));
    }
    return row;
}

}  // namespace velmor
