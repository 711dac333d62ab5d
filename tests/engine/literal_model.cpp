// SPDX-License-Identifier: MIT
// The literal model: each routine as its steps are written, one by one.
#include "literal_model.h"

#include "engine/builtin_wheels.h"

#include <algorithm>
#include <stdexcept>

namespace velmor::literal {

void Machine::LoadWheels()
{
    workingWheel = builtinWheelTexts();
    workingWheel.insert(workingWheel.begin(), Text{});
    pristineWheel = workingWheel;
    wheelArray.assign(workingWheel.size(), {});
    pairPosition.assign(workingWheel.size() / 2 + 1, 0);  // 0 at start-up, never reset
    wheelLength = static_cast<std::int32_t>(workingWheel[1].size());
    wheelCount = 20;
}

void Machine::RestoreWheels() { workingWheel = pristineWheel; }

// Wheel k starts at the k-th password character; a character off the wheel
// leaves it as it is.
void Machine::KeyWheels(const Text& password)
{
    for (int k = 1; k <= wheelTotal() && k <= static_cast<int>(password.size()); ++k) {
        const Text& pristine = pristineWheel[k];
        const std::size_t found = pristine.rfind(password[k - 1]);
        if (found != Text::npos) workingWheel[k] = pristine.substr(found) + pristine.substr(0, found);
    }
}

void Machine::FillWheelArrays()
{
    wheelLength = static_cast<std::int32_t>(workingWheel[1].size());
    for (int k = 1; k <= wheelTotal(); ++k) wheelArray[k] = Text(1, 0) + workingWheel[k];
}

// Array stepWheel turns one place: odd arrays left and even ones right,
// the other way round when stepping back.
void Machine::Turn(bool back)
{
    if (stepWheel < 1 || stepWheel > wheelTotal()) return;
    Text& a = wheelArray[stepWheel];
    if ((stepWheel % 2 == 1) != back)
        std::rotate(a.begin() + 1, a.begin() + 2, a.end());  // a[1] to the end
    else
        std::rotate(a.begin() + 1, a.end() - 1, a.end());  // a[wheelLength] to the front
}

void Machine::AdvanceCursor()
{
    stepWheel = static_cast<std::int16_t>(stepWheel + 1);
    if (stepWheel == wheelCount + 1) stepWheel = 1;
}

// The last position of array k that holds c, 0 for none.
std::int32_t Machine::Scan(int k, char16_t c) const
{
    for (std::int32_t scanPos = wheelLength; scanPos >= 1; --scanPos)
        if (wheelArray[k][static_cast<std::size_t>(scanPos)] == c) return scanPos;
    return 0;
}

namespace {
bool isPassThrough(char16_t c) { return c == u'\r' || c == u'\n' || c == u'"'; }
}  // namespace

Text Machine::EncryptPass(const Text& plainText)
{
    FillWheelArrays();
    Text cipherText;
    for (const char16_t plainChar : plainText) {
        char16_t currentChar = plainChar;
        for (int j = 1; 2 * j <= wheelCount && !isPassThrough(plainChar); ++j) {
            const std::int32_t position = Scan(2 * j - 1, currentChar);
            if (position == 0) break;
            pairPosition[j] = position;
            currentChar = wheelArray[2 * j][position];
        }
        cipherText += currentChar;
        Turn(false);
        AdvanceCursor();
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
        Turn(false);
        AdvanceCursor();
    }
    Text decryptedText(cipherText.size(), 0);
    for (std::size_t textPos = cipherText.size(); textPos >= 1; --textPos) {
        stepWheel = static_cast<std::int16_t>(stepWheel - 1);
        if (stepWheel < 1) stepWheel = wheelCount;
        Turn(true);
        const char16_t cipherChar = cipherText[textPos - 1];
        char16_t currentChar = cipherChar;
        for (int j = wheelCount / 2; j >= 1 && !isPassThrough(cipherChar); --j) {
            const std::int32_t position = Scan(2 * j, currentChar);
            if (position == 0) break;
            pairPosition[j] = position;
            currentChar = wheelArray[2 * j - 1][position];
        }
        decryptedText[textPos - 1] = currentChar;
    }
    return decryptedText;
}

Text Machine::RunCommand(Command command, const Text& password, int passes, Text text)
{
    for (int passCounter = 1; passCounter <= passes; ++passCounter) {
        KeyWheels(password);
        if (command == Command::Encrypt) stepWheel = 1;
        text = command == Command::Encrypt ? EncryptPass(text) : DecryptPass(text);
        RestoreWheels();
    }
    return text;
}

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

std::string toBytes(const Text& text)
{
    if (std::ranges::any_of(text, [](char16_t c) { return c > 0xFF; })) throw std::out_of_range("code above 255");
    return std::string(text.begin(), text.end());
}

}  // namespace velmor::literal
