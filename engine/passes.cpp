// SPDX-License-Identifier: MIT
// Multi-pass commands on the state object.
#include "passes.h"

namespace velmor {
namespace {

template <class CharT>
void run(WheelState& state, Direction direction, std::u16string_view password, int passes, std::span<CharT> text,
         const CipherRun<CharT>& cipherRun, const TableWalk& walk)
{
    state.KeyWheels(password);
    // Whatever happens, the working wheels end restored, as after every pass.
    struct Restore {
        WheelState& state;
        ~Restore() { state.RestoreWheels(); }
    } restore{state};
    const Cipher cipher(state.workingWheels(), state.wheelCount(), passes, direction, text.size(), walk);
    cipherRun(cipher, text);
    state.SettleAfterPasses(direction, std::basic_string_view<CharT>(text.data(), text.size()));
}

}  // namespace

void runPasses(WheelState& state, Direction direction, std::u16string_view password, int passes,
               std::span<char> text, const CipherRun<char>& cipherRun, const TableWalk& walk)
{
    run(state, direction, password, passes, text, cipherRun, walk);
}

void runPasses(WheelState& state, Direction direction, std::u16string_view password, int passes,
               std::span<char16_t> text, const CipherRun<char16_t>& cipherRun, const TableWalk& walk)
{
    run(state, direction, password, passes, text, cipherRun, walk);
}

}  // namespace velmor
