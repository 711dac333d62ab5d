// SPDX-License-Identifier: MIT
// The cipher's state object: the wheel set (pristine and working), the wheel
// arrays, wheelLength, wheelCount, the step cursor stepWheel and the pair
// positions, with the routines that work on them.
//
// Positions and numbers in this interface are 1-based, as the routines
// describe them. The passes take their text in and hand the result back;
// texts are 8-bit (bytes, Windows-1252) or 16-bit (UTF-16 code units), and a
// character outside the alphabet passes through unchanged and counts one step.
#pragma once

#include "settings.h"
#include "wheel_pairs.h"

#include <string>
#include <string_view>

namespace velmor {

class WheelState {
public:
    // Working and pristine wheels := the built-in wheels, wheelLength := 96,
    // wheelCount := 20.
    void LoadWheels();

    // Every working wheel := its pristine wheel.
    void RestoreWheels() noexcept;

    // Working wheel k := pristine wheel k turned so that password[k] comes first.
    void KeyWheels(std::u16string_view password);

    // The arrays := the working wheels, unturned; wheelLength := 96.
    void FillWheelArrays() noexcept;

    // Turns array stepWheel one place: left when it is odd, right when it is
    // even. StepWheelsBack turns it the other way. Outside 1..30: nothing.
    void StepWheels() noexcept;
    void StepWheelsBack() noexcept;

    // One pass. EncryptPass expects keyed wheels and stepWheel = 1 (callers
    // set it); DecryptPass sets stepWheel itself.
    template <class CharT>
    std::basic_string<CharT> EncryptPass(std::basic_string_view<CharT> plainText);
    template <class CharT>
    std::basic_string<CharT> DecryptPass(std::basic_string_view<CharT> cipherText);

    // Leaves the arrays, stepWheel and the pair positions as the last of a
    // series of passes in `direction` leaves them, given the series' result.
    // The working wheels must still be keyed as they were for the passes.
    template <class CharT>
    void SettleAfterPasses(Direction direction, std::basic_string_view<CharT> result);

    int wheelLength() const noexcept { return wheelLength_; }
    int wheelCount() const noexcept { return wheelCount_; }
    // Accepts only the even counts 4..30; returns whether it took the count.
    bool setWheelCount(int count) noexcept;
    int stepWheel() const noexcept { return stepWheel_; }
    void setStepWheel(int wheel) noexcept { stepWheel_ = wheel; }
    int pairPosition(int pair) const noexcept;

    const WheelSet& workingWheels() const noexcept { return workingWheel_; }

    // Element `position` of wheel array `wheel`, as it stands now.
    char16_t wheelArrayElement(int wheel, int position) const noexcept;

private:
    static std::size_t index(int oneBased) noexcept { return static_cast<std::size_t>(oneBased - 1); }
    void turnArray(int delta) noexcept;

    WheelSet pristineWheel_{};
    WheelSet workingWheel_{};
    WheelSet arrayWheel_{};  // the working wheels as FillWheelArrays found them
    ArrayTurns arrayTurns_{};
    PairPositions pairPosition_{};
    int wheelLength_ = 0;
    int wheelCount_ = 0;
    int stepWheel_ = 0;
};

}  // namespace velmor
