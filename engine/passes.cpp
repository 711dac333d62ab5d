// SPDX-License-Identifier: MIT
// Multi-pass commands on the state object.
#include "passes.h"

#include "cipher.h"

namespace velmor {
namespace {

template <class CharT>
void run(WheelState& state, Direction direction, std::u16string_view password, int passes, std::span<CharT> text,
         unsigned threads)
{
    state.KeyWheels(password);
    // Whatever happens, the working wheels end restored, as after every pass.
    struct Restore {
        WheelState& state;
        ~Restore() { state.RestoreWheels(); }
    } restore{state};
    const Cipher cipher(state.workingWheels(), state.wheelCount(), passes, direction, text.size());
    cipher.applyParallel(text, 0, threads);
    state.SettleAfterPasses(direction, std::basic_string_view<CharT>(text.data(), text.size()));
}

}  // namespace

void runPasses(WheelState& state, Direction direction, std::u16string_view password, int passes,
               std::span<char> text, unsigned threads)
{
    run(state, direction, password, passes, text, threads);
}

void runPasses(WheelState& state, Direction direction, std::u16string_view password, int passes,
               std::span<char16_t> text, unsigned threads)
{
    run(state, direction, password, passes, text, threads);
}

}  // namespace velmor
