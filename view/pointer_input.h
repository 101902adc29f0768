// Mouse, wheel and keyboard input on the page, dispatched by tool mode. Client pixels in;
// the window layer translates its events and repaints.
#pragma once

#include <vector>

#include "view/page_view.h"
#include "view/tool_state.h"

// What the drawing tools do with a finished gesture. Empty entries mean the tool's page work
// is not available: the gesture ends without changing the page.
struct DrawingTools {
  void (*finishPenStroke)(const std::vector<ScreenPoint>& points) = nullptr;
  void (*finishLine)(ScreenPoint start, ScreenPoint end, bool arrow) = nullptr;
  void (*finishGeometry)(GeometryKind kind, ScreenPoint start, ScreenPoint end) = nullptr;
  void (*finishLineTool)(LineToolKind kind, ScreenPoint start, ScreenPoint end) = nullptr;
  void (*addPolylineVertex)(ScreenPoint point) = nullptr;
  void (*finishPolyline)() = nullptr;
  // The equal vector's first click: takes the vector under the pointer.
  void (*pickVector)(ScreenPoint point) = nullptr;
  // The select tool: a press that starts a drag here (a coordinate-system handle), its
  // moves and its end.
  bool (*selectDragStartsAt)(ScreenPoint point) = nullptr;
  void (*beginSelectDrag)(ScreenPoint point) = nullptr;
  void (*continueSelectDrag)(ScreenPoint point) = nullptr;
  void (*endSelectDrag)() = nullptr;
  // A coordinate-system handle under the pointer (the cursor offers to move it).
  bool (*coordinateHandleAt)(ScreenPoint point) = nullptr;
  // The force-erase brush was released: its trail, clamped into the page.
  void (*finishForceErase)(const std::vector<ScreenPoint>& trail) = nullptr;
};

extern DrawingTools g_drawingTools;

enum class CursorShape { Arrow, Cross, Hand, IBeam, SizeAll, SizeWestEast, SizeNorthSouth, Pencil };

// The selection, edit and erase tools: a press on the page in those modes, the moves and
// release that follow it while `active`, a cancel (command or capture loss) and double-clicks.
struct EditingTools {
  void (*press)(ScreenPoint point) = nullptr;
  void (*move)(ScreenPoint point, bool leftHeld) = nullptr;
  void (*release)(ScreenPoint point) = nullptr;
  void (*cancel)() = nullptr;
  bool (*active)() = nullptr;
  void (*doubleClick)(ScreenPoint point) = nullptr;
  // Right-button release in the edit tool: the drawn object's menu.
  void (*contextMenu)(ScreenPoint point) = nullptr;
  // Right-button release in the select tool: the page text's menu; false when no text is there.
  bool (*textMenu)(ScreenPoint point) = nullptr;
  // The pointer is over the selected text or marquee group, or drags the text (the cursor
  // offers to move it).
  bool (*overSelectedText)(ScreenPoint point) = nullptr;
  // The edit tool's cursor at a point: the selected image's handles, then the selection.
  CursorShape (*editCursor)(ScreenPoint point) = nullptr;
  // Where a dragged arrow or segment ends for a pointer position (a fixed length may apply).
  ScreenPoint (*lineEnd)(ScreenPoint start, ScreenPoint pointer) = nullptr;
  // A press on the page in text mode: the in-place text box opens there (or takes the focus).
  void (*textClick)(ScreenPoint point) = nullptr;
};

extern EditingTools g_editingTools;

void OnLeftPress(int x, int y);
void OnMouseMove(int x, int y, bool leftHeld);
void OnLeftRelease(int x, int y);
void OnLeftDoubleClick(int x, int y);
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
