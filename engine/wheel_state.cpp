// SPDX-License-Identifier: MIT
// The state object's routines.
#include "wheel_state.h"

#include "keying.h"

namespace velmor {

void WheelState::LoadWheels()
{
    workingWheel_ = builtinWheels();
    pristineWheel_ = workingWheel_;
    wheelLength_ = kWheelLength;
    wheelCount_ = kStartWheelCount;
}

void WheelState::RestoreWheels() noexcept
{
    workingWheel_ = pristineWheel_;
}

void WheelState::KeyWheels(std::u16string_view password)
{
    workingWheel_ = keyedWheels(pristineWheel_, password);
}

void WheelState::FillWheelArrays() noexcept
{
    wheelLength_ = kWheelLength;
    arrayWheel_ = workingWheel_;
    arrayTurns_ = {};
}

void WheelState::turnArray(int delta) noexcept
{
    if (stepWheel_ < 1 || stepWheel_ > kWheelTotal) return;
    int& turns = arrayTurns_[index(stepWheel_)];
    turns = (turns + delta + kWheelLength) % kWheelLength;
}

void WheelState::StepWheels() noexcept { turnArray(1); }
void WheelState::StepWheelsBack() noexcept { turnArray(-1); }

bool WheelState::setWheelCount(int count) noexcept
{
    if (!isValidWheelCount(count)) return false;
    wheelCount_ = count;
    return true;
}

int WheelState::pairPosition(int pair) const noexcept
{
    return pair >= 1 && pair <= kPairTotal ? pairPosition_[index(pair)] : 0;
}

char16_t WheelState::wheelArrayElement(int wheel, int position) const noexcept
{
    if (wheel < 1 || wheel > kWheelTotal || position < 1 || position > kWheelLength) return 0;
    const std::size_t k = index(wheel);
    const int turns = arrayTurns_[k];
    const int shifted = wheel % 2 == 1 ? position - 1 + turns : position - 1 - turns;
    return arrayWheel_[k].charAt((shifted % kWheelLength + kWheelLength) % kWheelLength);
}

template <class CharT>
std::basic_string<CharT> WheelState::EncryptPass(std::basic_string_view<CharT> plainText)
{
    FillWheelArrays();
    std::basic_string<CharT> cipherText(plainText);
    if (!isValidWheelCount(wheelCount_)) return cipherText;
    for (CharT& currentChar : cipherText) {
        const int symbol = symbolOf(codeOf(currentChar));
        if (symbol != kNotInAlphabet)
            currentChar = static_cast<CharT>(
                charOf(encipherSymbol(arrayWheel_, wheelCount_, arrayTurns_, static_cast<Symbol>(symbol), pairPosition_)));
        StepWheels();
        if (++stepWheel_ == wheelCount_ + 1) stepWheel_ = 1;
    }
    return cipherText;
}

template <class CharT>
std::basic_string<CharT> WheelState::DecryptPass(std::basic_string_view<CharT> cipherText)
{
    FillWheelArrays();
    std::basic_string<CharT> decryptedText(cipherText);
    if (!isValidWheelCount(wheelCount_)) return decryptedText;
    // Forward to where the encryption pass ended: both ways of getting there
    // give these turns, since each array's turns add up in any order.
    const auto length = static_cast<std::uint64_t>(decryptedText.size());
    arrayTurns_ = turnsBefore(length, wheelCount_);
    stepWheel_ = static_cast<int>(length % static_cast<std::uint64_t>(wheelCount_)) + 1;
    for (auto it = decryptedText.rbegin(); it != decryptedText.rend(); ++it) {
        if (--stepWheel_ < 1) stepWheel_ = wheelCount_;
        StepWheelsBack();
        const int symbol = symbolOf(codeOf(*it));
        if (symbol != kNotInAlphabet)
            *it = static_cast<CharT>(
                charOf(decipherSymbol(arrayWheel_, wheelCount_, arrayTurns_, static_cast<Symbol>(symbol), pairPosition_)));
    }
    return decryptedText;
}

template <class CharT>
void WheelState::SettleAfterPasses(Direction direction, std::basic_string_view<CharT> result)
{
    FillWheelArrays();
    if (!isValidWheelCount(wheelCount_)) return;
    const auto isAlphabet = [](CharT c) { return symbolOf(codeOf(c)) != kNotInAlphabet; };
    PairPositions unused{};
    if (direction == Direction::Encrypt) {
        const auto length = static_cast<std::uint64_t>(result.size());
        arrayTurns_ = turnsBefore(length, wheelCount_);
        stepWheel_ = static_cast<int>(length % static_cast<std::uint64_t>(wheelCount_)) + 1;
        // The last pass ended with the last alphabet character; its input
        // there is the result deciphered once.
        for (std::size_t i = result.size(); i-- > 0;) {
            if (!isAlphabet(result[i])) continue;
            const ArrayTurns turns = turnsBefore(i, wheelCount_);
            const auto output = static_cast<Symbol>(symbolOf(codeOf(result[i])));
            const Symbol input = decipherSymbol(arrayWheel_, wheelCount_, turns, output, unused);
            encipherSymbol(arrayWheel_, wheelCount_, turns, input, pairPosition_);
            break;
        }
    } else {
        stepWheel_ = 1;
        // The decryption pass walks backwards, so it ended with the first
        // alphabet character; its input there is the result enciphered once.
        for (std::size_t i = 0; i < result.size(); ++i) {
            if (!isAlphabet(result[i])) continue;
            const ArrayTurns turns = turnsBefore(i, wheelCount_);
            const auto output = static_cast<Symbol>(symbolOf(codeOf(result[i])));
            const Symbol input = encipherSymbol(arrayWheel_, wheelCount_, turns, output, unused);
            decipherSymbol(arrayWheel_, wheelCount_, turns, input, pairPosition_);
            break;
        }
    }
}

template std::string WheelState::EncryptPass(std::string_view);
template std::u16string WheelState::EncryptPass(std::u16string_view);
template std::string WheelState::DecryptPass(std::string_view);
template std::u16string WheelState::DecryptPass(std::u16string_view);
template void WheelState::SettleAfterPasses(Direction, std::string_view);
template void WheelState::SettleAfterPasses(Direction, std::u16string_view);

}  // namespace velmor
