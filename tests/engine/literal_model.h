// SPDX-License-Identifier: MIT
// A literal model of the cipher, the oracle of the differential tests. It
// shares nothing with the engine but the built-in wheels' contents: its
// arrays really turn, one place a step, and its scans look at position after position.
// Characters are UTF-16 code units, as the window holds them; positions are
// 1-based as the routines count them, so every vector has an unused element 0.
// A character off the wheels (and CR, LF and the double quote) passes through
// unchanged and counts one step: the scan of the first pair finds nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmor::literal {

using Text = std::u16string;
enum class Command { Encrypt, Decrypt };  // in the order of the engine's directions, which the tests rely on

// The routines and the state object's fields that the engine uses.
struct Machine {
    void LoadWheels();
    void KeyWheels(std::u16string_view password);
    void FillWheelArrays();
    void StepWheels(bool back = false);  // array stepWheel, StepWheelsBack's way when `back`
    void StepWheelsBack() { StepWheels(true); }
    Text EncryptPass(const Text& plainText);
    Text DecryptPass(const Text& cipherText);
    void RestoreWheels() { workingWheel = pristineWheel; }
    // A command with `passes` passes, keyed from `password` each time.
    Text RunCommand(Command command, std::u16string_view password, int passes, Text text);

    std::int32_t wheelLength = 0;
    std::int16_t wheelCount = 0, stepWheel = 0;
    // [k], k = 1..30; wheelArray[k][i], i = 1..wheelLength; pairPosition[j], j = 1..15, 0 at start-up, never reset
    std::vector<Text> pristineWheel = std::vector<Text>(1), workingWheel, wheelArray = std::vector<Text>(31);
    std::vector<std::int32_t> pairPosition = std::vector<std::int32_t>(16);
};

Text fromBytes(std::string_view bytes);  // bytes read unsigned

}  // namespace velmor::literal
