// Where the view's buttons send their command identifiers (the main window's router).
#pragma once

extern void (*g_sendCommand)(int id);
