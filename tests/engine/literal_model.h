// SPDX-License-Identifier: MIT
// A literal model of the cipher, written step by step as the routines are
// defined, with the frame of a multi-pass command, as the oracle for the
// fast engine. It shares nothing with the engine's code but the contents of
// the built-in wheels: its wheel arrays really turn element by element, its
// scans run over every position without stopping at a match, and DecryptPass
// takes either way of turning forward as the text's length decides.
//
// It works on character codes (char32_t) and accepts any wheel strings, so a
// toy alphabet such as four letters runs through it too. Positions and
// numbers are 1-based, as the routines count them; the
// vectors keep an unused element 0 so that index k means wheel k.
//
// Characters outside the wheels: like carriage return, line feed and the
// double quote they pass through unchanged and count one step (the engine's
// choice). The model notices them the literal way: the scan of the first pair
// that the pass applies finds nothing, which leaves that pair's pairPosition
// as it was.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmor::literal {

using Text = std::u32string;

// Which way DecryptPass turns forward to the end of the text; ByLength
// chooses by the text's length, as the routine does.
enum class DecryptWay { ByLength, OneByOne, ByDivision };

enum class Command { Encrypt, Decrypt };

class Machine {
public:
    // The wheel set: the 30 built-in wheels, or any set of wheels (one string per
    // wheel, all permutations of the same characters).
    void LoadWheels();
    void LoadWheels(const std::vector<Text>& wheels);
    void RestoreWheels();

    // Password keying.
    void KeyWheels(const Text& password);

    // The wheel arrays and their stepping.
    void FillWheelArrays();
    void StepWheels();
    void StepWheelsBack();

    // The passes: the text of the source box in, the result out.
    Text EncryptPass(const Text& plainText);
    Text DecryptPass(const Text& cipherText);

    // A command with `passes` passes, keyed from `password` each time.
    Text RunCommand(Command command, const Text& password, int passes, Text text);

    // The state object's fields that the engine uses.
    std::int32_t wheelLength = 0;
    std::int16_t wheelCount = 0;
    std::int16_t stepWheel = 0;
    std::vector<Text> workingWheel;                  // [k], k = 1..wheelTotal
    std::vector<Text> pristineWheel;                 // [k]
    std::vector<std::vector<char32_t>> wheelArray;   // [k][i], i = 1..wheelLength
    std::vector<std::int32_t> pairPosition;          // [j], j = 1..wheelTotal / 2

    DecryptWay decryptWay = DecryptWay::ByLength;

    int wheelTotal() const { return static_cast<int>(workingWheel.size()) - 1; }

private:
    void LeftTurn(std::vector<char32_t>& a);
    void RightTurn(std::vector<char32_t>& a);
    bool IsPassThrough(char32_t c) const;
};

// The built-in wheels as character codes (from the engine's wheel contents).
std::vector<Text> builtinWheelTexts();

// Texts as character codes: bytes are read unsigned (Windows-1252 codes), and
// UTF-16 code units one by one.
Text fromBytes(std::string_view bytes);
Text fromUtf16(std::u16string_view units);
std::string toBytes(const Text& text);
std::u16string toUtf16(const Text& text);

}  // namespace velmor::literal
