#include "document/window_hooks.h"

WindowHooks g_window;
