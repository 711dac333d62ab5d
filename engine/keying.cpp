// SPDX-License-Identifier: MIT
// Password keying.
#include "keying.h"

namespace velmor {

WheelSet keyedWheels(const WheelSet& pristine, std::u16string_view password)
{
    WheelSet working = pristine;
    for (std::size_t k = 0; k < working.size() && k < password.size(); ++k) {
        const int symbol = symbolOf(password[k]);
        if (symbol == kNotInAlphabet) continue;
        working[k] = pristine[k].rotatedToFront(pristine[k].positionOf(static_cast<Symbol>(symbol)));
    }
    return working;
}

}  // namespace velmor
