// Mouse, wheel and keyboard input on the page, dispatched by tool mode to the drawing and
// editing tools. Client pixels in; the window layer translates its events and repaints.
#pragma once

#include <vector>

#include "view/page_view.h"
#include "view/tool_state.h"

enum class CursorShape { Arrow, Cross, Hand, IBeam, SizeAll, SizeWestEast, SizeNorthSouth, Pencil };

// What the window shows for a gesture on the page: the menus and the in-place text box are
// toolkit widgets, so the window installs them; empty entries show nothing.
struct PageMenus {
  // Right-button release in the edit tool: the drawn object's menu.
  void (*contextMenu)(ScreenPoint point) = nullptr;
  // Right-button release in the select tool: the page text's menu; false when no text is there.
  bool (*textMenu)(ScreenPoint point) = nullptr;
  // A press on the page in text mode: the in-place text box opens there (or takes the focus).
  void (*textClick)(ScreenPoint point) = nullptr;
  // Right-button release in 手形 or 选择文字: 选择文字, 复制 and the marks for selected words.
  void (*pageTextMenu)(ScreenPoint point) = nullptr;
};

extern PageMenus g_pageMenus;

void OnLeftPress(int x, int y);
void OnMouseMove(int x, int y, bool leftHeld);
void OnLeftRelease(int x, int y);
void OnLeftDoubleClick(int x, int y);
// A press soon after a double click, near it.
void OnLeftTripleClick(int x, int y);
void OnMiddlePress(int x, int y);
void OnMiddleRelease();
void OnRightRelease(int x, int y);
// True when the wheel scrolled the page (otherwise it goes to default processing).
bool OnWheel(int delta, bool shiftHeld, bool ctrlHeld, int linesPerNotch);
void OnEscape();
// A command, a capture loss or a gesture interrupts a drag: pans and strokes stop.
void CancelPointerDrag();

// A left press here may change the page: the undo wrapper holds a snapshot until release.
bool PressCanStartDragEdit(int x, int y);
// The part of the client area a rubber-band step repaints: previous end, new end and (except
// for free-hand strokes) the start, inflated by half the pen width.
IntRect RubberBandArea(ScreenPoint start, ScreenPoint previousEnd, ScreenPoint newEnd, bool includeStart);
bool InsidePage(int x, int y);
// A free-hand stroke keeps a position inside the page that is 2 pixels or more from the last.
bool AcceptStrokePoint(int x, int y);
CursorShape CursorFor(int x, int y);

// Which gestures the touch screen offers in the current mode.
struct GestureConfig {
  bool oneFingerPan = false;  // Hand: one finger pans
  bool twoFingerPan = false;  // Pen: one finger draws, two fingers pan
};
GestureConfig CurrentGestureConfig();
// A pinch: the zoom factor from the zoom at its start and the finger distances.
float PinchZoom(float startZoom, float startDistance, float distance);
