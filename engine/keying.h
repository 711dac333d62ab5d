// SPDX-License-Identifier: MIT
// Password keying: wheel k is turned so that the k-th password character
// stands first. Shared by WheelState::KeyWheels and by callers that key a
// Cipher without a state object.
#pragma once

#include "builtin_wheels.h"

#include <string_view>

namespace velmor {

// The working wheels for `password`, always computed from `pristine`.
// A missing or non-alphabet character leaves its wheel as it is.
WheelSet keyedWheels(const WheelSet& pristine, std::u16string_view password);

}  // namespace velmor
