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

enum class Command { Encrypt, Decrypt };

class Machine {
public:
    void LoadWheels();
    void RestoreWheels();
    void KeyWheels(const Text& password);
    Text EncryptPass(const Text& plainText);
    Text DecryptPass(const Text& cipherText);
    // A command with `passes` passes, keyed from `password` each time.
    Text RunCommand(Command command, const Text& password, int passes, Text text);

    // The state object's fields that the engine uses.
    std::int32_t wheelLength = 0;
    std::int16_t wheelCount = 0;
    std::int16_t stepWheel = 0;
    std::vector<Text> workingWheel;                 // [k], k = 1..wheelTotal()
    std::vector<Text> pristineWheel;                // [k]
    std::vector<Text> wheelArray;                   // [k][i], i = 1..wheelLength
    std::vector<std::int32_t> pairPosition;         // [j], j = 1..wheelTotal() / 2

    int wheelTotal() const { return static_cast<int>(workingWheel.size()) - 1; }

private:
    void FillWheelArrays();
    void Turn(bool back);  // StepWheels, or StepWheelsBack when `back`
    void AdvanceCursor();
    std::int32_t Scan(int k, char16_t c) const;
};

// The built-in wheels as character codes (from the engine's wheel contents).
std::vector<Text> builtinWheelTexts();

// Bytes read unsigned; back to bytes, a code unit above 255 throws
// std::out_of_range.
Text fromBytes(std::string_view bytes);
std::string toBytes(const Text& text);

}  // namespace velmor::literal
