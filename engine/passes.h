// SPDX-License-Identifier: MIT
// An encrypt or decrypt command's work on the state object: N passes, each
// keyed afresh from the same password, the working wheels restored after.
#pragma once

#include "cipher.h"
#include "wheel_state.h"

#include <functional>
#include <span>
#include <string_view>

namespace velmor {

// How a command's text goes through its cipher: whole, or cut into ranges
// that the program's own threads apply, each told its first position.
template <class CharT>
using CipherRun = std::function<void(const Cipher& cipher, std::span<CharT> text)>;

// Ciphers `text` in place, through `run`, with a cipher whose table is walked
// by `walk`. Afterwards the arrays, stepWheel and the pair positions stand
// as the last pass leaves them, and every working wheel equals its pristine
// wheel. Throws std::invalid_argument for a pass count the cipher does not
// offer, and whatever `run` throws.
void runPasses(WheelState& state, Direction direction, std::u16string_view password, int passes,
               std::span<char> text, const CipherRun<char>& run, const TableWalk& walk);
void runPasses(WheelState& state, Direction direction, std::u16string_view password, int passes,
               std::span<char16_t> text, const CipherRun<char16_t>& run, const TableWalk& walk);

}  // namespace velmor
