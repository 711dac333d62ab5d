// SPDX-License-Identifier: MIT
// The 30 built-in wheels. They are part of every cipher text ever made: a
// build with other wheels cannot read text encrypted by this one.
#pragma once

#include "wheel.h"

#include <array>
#include <string_view>

namespace velmor {

inline constexpr int kWheelTotal = 30;

using WheelSet = std::array<Wheel, kWheelTotal>;

// Wheel k (1-based) is element k - 1; each as its 96 Windows-1252 codes.
const std::array<std::string_view, kWheelTotal>& builtinWheelCodes() noexcept;

const WheelSet& builtinWheels();

}  // namespace velmor
