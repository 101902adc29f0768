// The on-screen keyboard beside a text input: the desktop's `onboard` program, started
// (or restarted) at the place the placement rules give for the input.
#pragma once

class QWidget;

constexpr int kKeyboardWidth = 800;
constexpr int kKeyboardHeight = 260;

// False (after a warning) when no keyboard program could be started.
bool ShowOnScreenKeyboard(QWidget* target);
