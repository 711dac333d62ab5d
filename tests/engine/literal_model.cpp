// SPDX-License-Identifier: MIT
// The literal model: each routine as its steps are written, one by one.
#include "literal_model.h"

#include "engine/builtin_wheels.h"

#include <algorithm>

namespace velmor::literal {

static bool passesThrough(char16_t c) { return c == u'\r' || c == u'\n' || c == u'"'; }

// Once, at start-up: the pristine wheels are appended to the unused element 0.
void Machine::LoadWheels()
{
    for (const std::string_view codes : builtinWheelCodes()) pristineWheel.push_back(fromBytes(codes));
    workingWheel = pristineWheel;
    wheelLength = static_cast<std::int32_t>(workingWheel[1].size());
    wheelCount = 20;
}

// Wheel k starts at the k-th password character; a character off the wheel
// leaves it as it is.
void Machine::KeyWheels(std::u16string_view password)
{
    for (std::size_t k = 1; k <= kWheelTotal && k <= password.size(); ++k)
        if (const std::size_t at = pristineWheel[k].rfind(password[k - 1]); at != Text::npos)
            workingWheel[k] = pristineWheel[k].substr(at) + pristineWheel[k].substr(0, at);
}

void Machine::FillWheelArrays()
{
    wheelLength = static_cast<std::int32_t>(workingWheel[1].size());
    for (int k = 1; k <= kWheelTotal; ++k) wheelArray[k] = Text(1, 0) + workingWheel[k];
}

// Odd arrays turn left and even ones right, the other way round when stepping back.
void Machine::StepWheels(bool back)
{
    if (stepWheel < 1 || stepWheel > kWheelTotal) return;
    Text& a = wheelArray[stepWheel];
    std::rotate(a.begin() + 1, (stepWheel % 2 == 1) != back ? a.begin() + 2 : a.end() - 1, a.end());
}

Text Machine::EncryptPass(const Text& plainText)
{
    FillWheelArrays();
    Text cipherText;
    for (const char16_t plainChar : plainText) {
        char16_t currentChar = plainChar;
        for (int j = 1; 2 * j <= wheelCount && !passesThrough(plainChar); ++j) {
            std::int32_t scanPos = wheelLength;  // the last position that holds the character, 0 for none
            while (scanPos >= 1 && wheelArray[2 * j - 1][scanPos] != currentChar) --scanPos;
            if (scanPos == 0) break;
            currentChar = wheelArray[2 * j][pairPosition[j] = scanPos];
        }
        cipherText += currentChar;
        StepWheels();
        if (++stepWheel == wheelCount + 1) stepWheel = 1;
    }
    return cipherText;
}

// Turns forward one step at a time to where the encryption ended, then goes
// back over the text from its last character, undoing each step.
Text Machine::DecryptPass(const Text& cipherText)
{
    FillWheelArrays();
    stepWheel = 1;
    for (std::size_t step = 1; step <= cipherText.size(); ++step) {
        StepWheels();
        if (++stepWheel == wheelCount + 1) stepWheel = 1;
    }
    Text decryptedText(cipherText.size(), 0);
    for (std::size_t textPos = cipherText.size(); textPos >= 1; --textPos) {
        if (--stepWheel < 1) stepWheel = wheelCount;
        StepWheelsBack();
        char16_t currentChar = cipherText[textPos - 1];
        for (int j = wheelCount / 2; j >= 1 && !passesThrough(cipherText[textPos - 1]); --j) {
            std::int32_t scanPos = wheelLength;
            while (scanPos >= 1 && wheelArray[2 * j][scanPos] != currentChar) --scanPos;
            if (scanPos == 0) break;
            currentChar = wheelArray[2 * j - 1][pairPosition[j] = scanPos];
        }
        decryptedText[textPos - 1] = currentChar;
    }
    return decryptedText;
}

Text Machine::RunCommand(Command command, std::u16string_view password, int passes, Text text)
{
    for (int passCounter = 1; passCounter <= passes; ++passCounter) {
        KeyWheels(password);
        if (command == Command::Encrypt) stepWheel = 1;
        text = command == Command::Encrypt ? EncryptPass(text) : DecryptPass(text);
        RestoreWheels();
    }
    return text;
}

Text fromBytes(std::string_view bytes)
{
    const auto* const data = reinterpret_cast<const unsigned char*>(bytes.data());
    return Text(data, data + bytes.size());
}

}  // namespace velmor::literal
