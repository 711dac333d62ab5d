// SPDX-License-Identifier: MIT
// Construction and rotation of wheels.
#include "wheel.h"

namespace velmor {

Wheel::Wheel() noexcept
{
    for (int i = 0; i < kWheelLength; ++i) symbolAt_[static_cast<std::size_t>(i)] = static_cast<Symbol>(i);
    indexPositions();
}

std::optional<Wheel> Wheel::fromCodes(std::string_view codes)
{
    if (codes.size() != static_cast<std::size_t>(kWheelLength)) return std::nullopt;
    Wheel wheel;
    std::array<bool, kWheelLength> seen{};
    for (std::size_t i = 0; i < codes.size(); ++i) {
        const int symbol = symbolOf(codeOf(codes[i]));
        if (symbol == kNotInAlphabet || seen[static_cast<std::size_t>(symbol)]) return std::nullopt;
        seen[static_cast<std::size_t>(symbol)] = true;
        wheel.symbolAt_[i] = static_cast<Symbol>(symbol);
    }
    wheel.indexPositions();
    return wheel;
}

Wheel Wheel::rotatedToFront(int position) const noexcept
{
    Wheel rotated;
    for (int i = 0; i < kWheelLength; ++i)
        rotated.symbolAt_[static_cast<std::size_t>(i)] = symbolAt((position + i) % kWheelLength);
    rotated.indexPositions();
    return rotated;
}

void Wheel::indexPositions() noexcept
{
    for (int i = 0; i < kWheelLength; ++i) positionOf_[symbolAt_[static_cast<std::size_t>(i)]] = static_cast<std::uint8_t>(i);
}

}  // namespace velmor
