// SPDX-License-Identifier: MIT
// The menu bar reached from the keyboard, whatever style the window has.
#pragma once

class QMenuBar;

namespace velmor::ui {

// F10, or Alt pressed and released alone, gives `bar` the focus on its first
// menu; then the arrows move, Down or Enter opens a menu and Escape goes back
// to where the focus was. Call once the bar is in its window.
void reachFromKeyboard(QMenuBar& bar);

}  // namespace velmor::ui
