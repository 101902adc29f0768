// Where the on-screen keyboard goes next to a text input, inside the monitor's work area.
#pragma once

#include "view/page_view.h"

// Top-left of the keyboard for a target rectangle, keyboard size and work area.
ScreenPoint KeyboardPlacement(const IntRect& target, int keyboardWidth, int keyboardHeight, const IntRect& workArea);

// How long the keyboard may take to appear before the user is told.
constexpr int kKeyboardTimeoutMs = 8000;
