// SPDX-License-Identifier: MIT
// An encrypt or decrypt command's work on the state object: N passes, each
// keyed afresh from the same password, the working wheels restored after.
#pragma once

#include "wheel_state.h"

#include <span>
#include <string_view>

namespace velmor {

// Ciphers `text` in place. Afterwards the arrays, stepWheel and the pair
// positions stand as the last pass leaves them, and every working wheel
// equals its pristine wheel. Throws std::invalid_argument for a pass count
// the cipher does not offer.
void runPasses(WheelState& state, Direction direction, std::u16string_view password, int passes,
               std::span<char> text, unsigned threads = 1);
void runPasses(WheelState& state, Direction direction, std::u16string_view password, int passes,
               std::span<char16_t> text, unsigned threads = 1);

}  // namespace velmor
