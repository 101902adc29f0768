// The pointer in the select, edit and erase tools: which press starts which drag, the
// marquee, clicks that select on release, and double-clicks.
#pragma once

#include "editing/pointer_input.h"
#include "view/page_view.h"

struct Marquee {
  bool armed = false;
  bool active = false;  // moved at least the drag distance from the start
  ScreenPoint start, current;
};

extern Marquee g_marquee;

// The system's drag distance (pixels in x and y; each taken as at least 3).
void SetDragDistance(int width, int height);

// A press on the page in these tools, the moves and release that follow it while the tool is
// active, a cancel (command or capture loss) and double-clicks.
void SelectToolPress(ScreenPoint point);
void SelectToolMove(ScreenPoint point, bool leftHeld);
void SelectToolRelease(ScreenPoint point);
void SelectToolCancel();
bool SelectToolActive();
void SelectToolDoubleClick(ScreenPoint point);
// The pointer is over the selected text or marquee group, or drags the text (the cursor
// offers to move it).
bool OverSelectedText(ScreenPoint point);
// The edit tool's cursor at a point: the selected image's handles, then the selection.
CursorShape EditToolCursor(ScreenPoint point);
