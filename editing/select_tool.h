// The pointer in the select, edit and erase tools: which press starts which drag, the
// marquee, clicks that select on release, and double-clicks.
#pragma once

#include "view/page_view.h"

struct Marquee {
  bool armed = false;
  bool active = false;  // moved at least the drag distance from the start
  ScreenPoint start, current;
};

extern Marquee g_marquee;

// The system's drag distance (pixels in x and y; each taken as at least 3).
void SetDragDistance(int width, int height);
// Installs the tools into the page view's input dispatch.
void InstallEditingTools();
