// The on-screen keyboard's window on an X11 desktop: found by its class "Onboard", read,
// mapped and moved through the display connection Qt already holds. Elsewhere (Wayland, the
// offscreen platform) no window is ever found.
#pragma once

#include "widgets/on_screen_keyboard.h"

KeyboardWindowSystem X11KeyboardWindows();
