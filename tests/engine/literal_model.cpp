// SPDX-License-Identifier: MIT
// The literal model: each routine follows its numbered steps one by one.
#include "literal_model.h"

#include "engine/builtin_wheels.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace velmor::literal {
namespace {

// Character `position` (1-based) of a string.
char32_t charAt(const Text& text, std::int32_t position)
{
    return text[static_cast<std::size_t>(position - 1)];
}

}  // namespace

// ---- Wheel set -------------------------------------------------------------

void Machine::LoadWheels()
{
    LoadWheels(builtinWheelTexts());
}

void Machine::LoadWheels(const std::vector<Text>& wheels)
{
    const auto total = static_cast<int>(wheels.size());
    workingWheel.assign(static_cast<std::size_t>(total + 1), Text{});
    pristineWheel.assign(static_cast<std::size_t>(total + 1), Text{});
    wheelArray.assign(static_cast<std::size_t>(total + 1), {});
    pairPosition.assign(static_cast<std::size_t>(total / 2 + 1), 0);  // 0 at start-up, never reset
    // 1. For k = 1 to 30: working wheel k := built-in wheel k.
    for (int k = 1; k <= total; ++k) workingWheel[k] = wheels[static_cast<std::size_t>(k - 1)];
    // 2. For k = 1 to 30: pristine wheel k := working wheel k.
    for (int k = 1; k <= total; ++k) pristineWheel[k] = workingWheel[k];
    // 3. wheelLength := length of working wheel 1.
    wheelLength = static_cast<std::int32_t>(workingWheel[1].size());
    // 4. wheelCount := 20.
    wheelCount = 20;
}

void Machine::RestoreWheels()
{
    for (int k = 1; k <= wheelTotal(); ++k) workingWheel[k] = pristineWheel[k];
}

// ---- Password keying ------------------------------------------------------

void Machine::KeyWheels(const Text& password)
{
    for (int k = 1; k <= wheelTotal(); ++k) {
        // 1. c := character k of the password; none: next wheel.
        if (password.size() < static_cast<std::size_t>(k)) continue;
        const char32_t c = charAt(password, k);
        // 2. Search pristine wheel k for c, over every position.
        const Text& pristine = pristineWheel[k];
        std::int32_t found = 0;
        const auto last = static_cast<std::int16_t>(pristine.size());
        for (std::int16_t keyScanPos = 1; keyScanPos <= last; ++keyScanPos)
            if (charAt(pristine, keyScanPos) == c) found = keyScanPos;
        // 4. Not in the alphabet: working wheel k is not written.
        if (found == 0) continue;
        // 3. Characters i to 96 followed by characters 1 to i - 1.
        const auto i = static_cast<std::size_t>(found);
        workingWheel[k] = pristine.substr(i - 1) + pristine.substr(0, i - 1);
    }
}

// ---- Wheel stepping -------------------------------------------------------

void Machine::FillWheelArrays()
{
    // 1. wheelLength := length of working wheel 1.
    wheelLength = static_cast<std::int32_t>(workingWheel[1].size());
    // 2. Every array made new with elements 1..wheelLength (element 0 unused).
    for (int k = 1; k <= wheelTotal(); ++k)
        wheelArray[k] = std::vector<char32_t>(static_cast<std::size_t>(wheelLength) + 1, 0);
    // 3. Element fillPos of array k := character fillPos of working wheel k.
    const std::int32_t last = wheelLength;
    for (std::int32_t fillPos = 1; fillPos <= last; ++fillPos)
        for (int k = 1; k <= wheelTotal(); ++k) wheelArray[k][fillPos] = charAt(workingWheel[k], fillPos);
}

void Machine::LeftTurn(std::vector<char32_t>& a)
{
    const std::int32_t L = wheelLength;
    const char32_t saved = a[1];
    for (std::int32_t i = 1; i <= L - 1; ++i) a[i] = a[i + 1];
    a[L] = saved;
}

void Machine::RightTurn(std::vector<char32_t>& a)
{
    const std::int32_t L = wheelLength;
    const char32_t saved = a[L];
    for (std::int32_t i = L; i >= 2; --i) a[i] = a[i - 1];
    a[1] = saved;
}

void Machine::StepWheels()
{
    if (stepWheel < 1 || stepWheel > wheelTotal()) return;
    if (stepWheel % 2 == 1)
        LeftTurn(wheelArray[stepWheel]);
    else
        RightTurn(wheelArray[stepWheel]);
}

void Machine::StepWheelsBack()
{
    if (stepWheel < 1 || stepWheel > wheelTotal()) return;
    if (stepWheel % 2 == 1)
        RightTurn(wheelArray[stepWheel]);
    else
        LeftTurn(wheelArray[stepWheel]);
}

// ---- The passes -----------------------------------------------------------

bool Machine::IsPassThrough(char32_t c) const
{
    return c == U'\r' || c == U'\n' || c == U'"';
}

Text Machine::EncryptPass(const Text& plainText)
{
    // 1. FillWheelArrays.
    FillWheelArrays();
    // 2. plainText := the input box's text; n taken once.
    const auto n = static_cast<std::int32_t>(plainText.size());
    Text cipherText;
    // 3. For textPos = 1 to n.
    for (std::int32_t textPos = 1; textPos <= n; ++textPos) {
        // 3.1
        char32_t currentChar = charAt(plainText, textPos);
        // 3.2
        if (!IsPassThrough(currentChar)) {
            bool firstPair = true;
            for (int j = 1; j <= wheelTotal() / 2; ++j) {
                if (wheelCount < 2 * j) continue;
                // 3.2.1 Scan the odd array over every position.
                bool found = false;
                const std::int32_t last = wheelLength;
                for (std::int32_t scanPos = 1; scanPos <= last; ++scanPos) {
                    if (wheelArray[2 * j - 1][scanPos] == currentChar) {
                        pairPosition[j] = scanPos;
                        found = true;
                    }
                }
                if (!found) {
                    // Not on the wheels: passes through unchanged.
                    if (firstPair) break;
                    throw std::logic_error("literal model: the wheels do not share one alphabet");
                }
                firstPair = false;
                // 3.2.2
                currentChar = wheelArray[2 * j][pairPosition[j]];
            }
        }
        // 3.3
        cipherText += currentChar;
        // 3.4
        StepWheels();
        // 3.5
        stepWheel = static_cast<std::int16_t>(stepWheel + 1);
        if (stepWheel == wheelCount + 1) stepWheel = 1;
    }
    // 4 to 6: the result goes to the output box, the strings are emptied.
    return cipherText;
}

Text Machine::DecryptPass(const Text& cipherText)
{
    // 1. FillWheelArrays.
    FillWheelArrays();
    // 2. cipherText := the output box's text; n its length.
    const auto n = static_cast<std::int32_t>(cipherText.size());
    // 3.
    stepWheel = 1;
    // 4. Turn forward to the end of the encryption.
    const bool oneByOne =
        decryptWay == DecryptWay::OneByOne || (decryptWay == DecryptWay::ByLength && n <= wheelLength);
    if (oneByOne) {
        // 4a. n times: StepWheels, then advance the cursor.
        for (std::int32_t step = 1; step <= n; ++step) {
            StepWheels();
            stepWheel = static_cast<std::int16_t>(stepWheel + 1);
            if (stepWheel > wheelCount) stepWheel = 1;
        }
    } else {
        // 4b. q from floating-point division, rounded, then corrected.
        std::int32_t q = static_cast<std::int32_t>(std::nearbyint(static_cast<double>(n) / wheelCount));
        if (static_cast<std::int64_t>(q) * wheelCount > n) q = q - 1;
        const std::int32_t r = n % wheelCount;
        const std::int16_t last = wheelCount;
        for (stepWheel = 1; stepWheel <= last; ++stepWheel)
            for (std::int32_t turn = 1; turn <= q; ++turn) StepWheels();
        stepWheel = 1;
        for (std::int32_t step = 1; step <= r; ++step) {
            StepWheels();
            stepWheel = static_cast<std::int16_t>(stepWheel + 1);
            if (stepWheel > wheelCount) stepWheel = 1;
        }
    }
    // 5. The input box is emptied. decryptedText is built from the last
    // character to the first; slot textPos holds what step 6e prepends.
    Text decryptedText(static_cast<std::size_t>(n), 0);
    // 6.
    for (std::int32_t textPos = n; textPos >= 1; --textPos) {
        // 6a
        stepWheel = static_cast<std::int16_t>(stepWheel - 1);
        if (stepWheel < 1) stepWheel = wheelCount;
        // 6b
        StepWheelsBack();
        // 6c
        char32_t currentChar = charAt(cipherText, textPos);
        // 6d
        if (!IsPassThrough(currentChar)) {
            bool firstPair = true;
            const int highest = std::min(wheelCount / 2, wheelTotal() / 2);
            for (int j = highest; j >= 1; --j) {
                bool found = false;
                const std::int32_t last = wheelLength;
                for (std::int32_t scanPos = 1; scanPos <= last; ++scanPos) {
                    if (wheelArray[2 * j][scanPos] == currentChar) {
                        pairPosition[j] = scanPos;
                        found = true;
                    }
                }
                if (!found) {
                    if (firstPair) break;
                    throw std::logic_error("literal model: the wheels do not share one alphabet");
                }
                firstPair = false;
                currentChar = wheelArray[2 * j - 1][pairPosition[j]];
            }
        }
        // 6e
        decryptedText[static_cast<std::size_t>(textPos - 1)] = currentChar;
    }
    // 7.
    return decryptedText;
}

// ---- The command frame ----------------------------------------------------

Text Machine::RunCommand(Command command, const Text& password, int passes, Text text)
{
    for (int passCounter = 1; passCounter <= passes; ++passCounter) {
        KeyWheels(password);
        if (command == Command::Encrypt) {
            stepWheel = 1;
            text = EncryptPass(text);
        } else {
            text = DecryptPass(text);
        }
        RestoreWheels();
        // Between passes the result moves into the other box.
    }
    return text;
}

// ---- Helpers ---------------------------------------------------------------

std::vector<Text> builtinWheelTexts()
{
    std::vector<Text> wheels;
    for (const std::string_view codes : builtinWheelCodes()) wheels.push_back(fromBytes(codes));
    return wheels;
}

Text fromBytes(std::string_view bytes)
{
    Text text;
    for (const unsigned char c : bytes) text += c;
    return text;
}

Text fromUtf16(std::u16string_view units) { return Text(units.begin(), units.end()); }

// A code too large for the width is a fault of the test that asked.
std::string toBytes(const Text& text)
{
    if (std::ranges::any_of(text, [](char32_t c) { return c > 0xFF; }))
        throw std::out_of_range("literal model: code above 255 in an 8-bit text");
    return std::string(text.begin(), text.end());
}

std::u16string toUtf16(const Text& text)
{
    if (std::ranges::any_of(text, [](char32_t c) { return c > 0xFFFF; }))
        throw std::out_of_range("literal model: code above 0xFFFF in a 16-bit text");
    return std::u16string(text.begin(), text.end());
}

}  // namespace velmor::literal
