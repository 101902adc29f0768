#include "editing/select_tool.h"

#include <algorithm>
#include <cstdlib>

#include "document/session.h"
#include "document/window_hooks.h"
#include "editing/erasing.h"
#include "editing/hit_tests.h"
#include "editing/image_commands.h"
#include "editing/image_drag.h"
#include "editing/image_objects.h"
#include "editing/move_drag.h"
#include "editing/pointer_input.h"
#include "editing/reshape_drags.h"
#include "editing/selection.h"
#include "editing/shape_panel_model.h"
#include "editing/text_selection.h"
#include "view/page_view.h"
#include "view/tool_state.h"

Marquee g_marquee;

namespace {

int g_dragWidth = 4, g_dragHeight = 4;

void ClearEverySelection() {
  ClearDrawnSelection();
  g_session.statusText = u"选取模式：拖动框选图形";
  g_window.changed(Change::Selection);
}

void PressInSelect(ScreenPoint p) {
  if (PressOnSelectedText(p)) return;
  if (int id = HitControlPoint(p)) {
    if (BeginControlPointDrag(id)) g_window.changed(Change::Status);
    return;
  }
  if (int endpoint = HitEndpoint(p)) {
    BeginEndpointDrag(endpoint);
    bool arrow = false;
    if (auto line = RecogniseStraightSegment(g_selection.object, CurrentOps())) arrow = line->arrow;
    g_session.statusText = arrow ? u"拖动端点修改箭头" : u"拖动端点修改直线";
    g_window.changed(Change::Status);
    return;
  }
  FPDF_PAGEOBJECT hit = HitObject(p);
  if (hit != nullptr && hit == g_selection.object && g_selection.group.size() < 2) {
    BeginMove(p, false);
    return;
  }
  if (g_selection.group.size() >= 2 && HitGroup(p)) {
    BeginMove(p, false);
    return;
  }
  g_marquee = Marquee{true, false, p, p};
}

void PressInEdit(ScreenPoint p) {
  if (PressOnImageHandle(p)) return;  // the rotate handle may stand above the page
  if (!InsidePage(p.x, p.y)) return;
  FPDF_PAGEOBJECT hit = HitObject(p);
  if ((hit == nullptr || ImageTakesPointFrom(hit, p)) && PressOnImage(p)) return;
  if (hit == nullptr) {
    ClearDrawnSelection();
    g_window.changed(Change::Selection);
    return;
  }
  if (hit != g_selection.object) SelectObject(hit);
  BeginMove(p, true);
}

}  // namespace

void SelectToolPress(ScreenPoint p) {
  switch (g_tool.mode) {
    case ToolMode::Select:
      PressInSelect(p);
      return;
    case ToolMode::Edit:
      PressInEdit(p);
      return;
    case ToolMode::SelectErase:
      BeginEraseDrag(p);
      return;
    case ToolMode::ImagePlacement:
      PlacePendingImage(p);
      return;
    default:
      return;
  }
}

bool SelectToolActive() { return g_marquee.armed || TextDragRunning() || AnySelectionDrag() || EraseDragRunning() || ImageDragRunning(); }

void SelectToolMove(ScreenPoint p, bool leftHeld) {
  if (ImageDragRunning()) {
    if (leftHeld) ImageDragStep(p);
    return;
  }
  if (EraseDragRunning()) {
    if (leftHeld) EraseDragStep(p);
    return;
  }
  if (TextDragRunning()) {
    if (leftHeld) TextDragStep(p, CurrentOps());
    return;
  }
  if (g_drag.moveArmed) {
    MoveStep(p);
  } else if (g_drag.endpointDrag != 0) {
    EndpointStep(p);
  } else if (g_drag.controlPointDrag != 0) {
    ControlPointStep(p);
  } else if (g_marquee.armed) {
    const IntRect& r = g_view.pageRect;
    g_marquee.current = {std::clamp(p.x, r.left, std::max(r.left, r.right - 1)),
                         std::clamp(p.y, r.top, std::max(r.top, r.bottom - 1))};
    if (std::abs(g_marquee.current.x - g_marquee.start.x) >= g_dragWidth ||
        std::abs(g_marquee.current.y - g_marquee.start.y) >= g_dragHeight) {
      g_marquee.active = true;
    }
    if (g_marquee.active) g_window.changed(Change::Status);
  }
}

void SelectToolRelease(ScreenPoint p) {
  if (ImageDragRunning()) {
    FinishImageDrag();
    return;
  }
  if (EraseDragRunning()) {
    EndEraseDrag();
    return;
  }
  if (TextDragRunning()) {
    EndTextDrag();
    return;
  }
  if (AnySelectionDrag()) {
    EndSelectionDrag();
    return;
  }
  if (!g_marquee.armed) return;
  Marquee marquee = g_marquee;
  g_marquee = Marquee{};
  if (marquee.active) {
    SelectInRectangle({marquee.start.x, marquee.start.y, marquee.current.x, marquee.current.y});
    return;
  }
  // A click: the teacher's own drawing first, then the page's text, then the line under the
  // pointer, then any other path.
  if (FPDF_PAGEOBJECT own = HitOwnDrawing(marquee.start)) {
    SelectObject(own);
    return;
  }
  if (FPDF_PAGEOBJECT text = HitText(marquee.start, CurrentOps())) {
    SelectText(text);
    return;
  }
  FPDF_PAGEOBJECT hit = HitLine(marquee.start);
  if (hit == nullptr) hit = HitObject(marquee.start);
  if (hit != nullptr) {
    SelectObject(hit);
  } else {
    ClearEverySelection();
  }
}

void SelectToolCancel() {
  CancelImageDrag();
  if (EraseDragRunning()) EndEraseDrag();
  if (TextDragRunning()) EndTextDrag();
  if (AnySelectionDrag()) EndSelectionDrag();
  if (g_marquee.armed) {
    g_marquee = Marquee{};
    g_window.changed(Change::Status);
  }
}

CursorShape EditToolCursor(ScreenPoint p) {
  if (auto shape = ImageHandleCursor(p)) return *shape;
  bool selected = g_selection.selectedImage != nullptr || g_selection.object != nullptr || !g_selection.group.empty();
  return selected ? CursorShape::SizeAll : CursorShape::Cross;
}

void SelectToolDoubleClick(ScreenPoint p) {
  if (g_tool.mode != ToolMode::Select || !InsidePage(p.x, p.y)) return;
  // The release that ends the double-click is no click of its own: it would select the
  // segment under the point just locked.
  if (EditTextAt(p) || LockPointAt(p)) g_marquee = Marquee{};
}

void SetDragDistance(int width, int height) {
  g_dragWidth = std::max(3, width);
  g_dragHeight = std::max(3, height);
}

bool OverSelectedText(ScreenPoint p) {
  if (TextDragRunning()) return true;
  if (g_selection.group.size() >= 2 && HitGroup(p)) return true;  // a press here moves the group
  if (g_selection.selectedText == nullptr) return false;
  auto rect = TextScreenRect(g_selection.selectedText, CurrentOps(), CurrentPageFrame());
  return rect && rect->Contains(p.x, p.y);
}
