// The on-screen keyboard beside a text input: the desktop's `onboard` program. A keyboard
// already open is shown and moved, never restarted; it is moved once it has been on screen
// for a moment, by its real window size, and the user is told when it never appears.
#pragma once

class QWidget;

// Where the keyboard's window is on screen; `shown` = mapped and not minimised.
struct KeyboardFrame {
  int left = 0, top = 0, width = 0, height = 0;
  bool shown = false;
};

// How the keyboard's window is found, shown, started and moved on this desktop (X11 through
// xcb; nothing elsewhere). Tests stand in a window of their own.
struct KeyboardWindowSystem {
  bool (*find)(KeyboardFrame& frame) = nullptr;  // false when no keyboard window exists
  bool (*show)() = nullptr;                      // maps a hidden keyboard without activating it
  bool (*start)() = nullptr;                     // starts the keyboard program
  bool (*moveTo)(int left, int top) = nullptr;
};

extern KeyboardWindowSystem g_keyboardWindows;

constexpr int kKeyboardTickMs = 200;
constexpr int kKeyboardSettleMs = 400;  // continuously on screen this long before it is moved

// Brings the keyboard up for a text input and starts placing it; false (after a warning)
// when it could not be shown or started.
bool ShowOnScreenKeyboard(QWidget* target);
// The same, only when the press that led to the input came from a touch screen.
bool ShowOnScreenKeyboardForTouch(QWidget* target);
// Ends a pending placement for this input (it closes); nothing when another one is pending.
void StopKeyboardPlacement(QWidget* target);
bool KeyboardPlacementPending();
// Watches presses for their device, and gives the shape panel's number fields the keyboard
// when a touch reaches them.
void InstallTouchTracking();
