#include "editing/pointer_input.h"

#include <algorithm>
#include <cstdlib>

#include "document/session.h"
#include "document/window_hooks.h"
#include "editing/drawing_commands.h"
#include "editing/force_erase_trail.h"
#include "editing/page_text_select.h"
#include "editing/select_tool.h"
#include "editing/shape_panel_model.h"
#include "view/ocr_selection.h"
#include "view/page_view.h"
#include "view/tool_modes.h"

PageMenus g_pageMenus;

namespace {

bool LineToolContextChanged() {
  return g_session.document == nullptr || g_tool.lineToolDocument != g_session.document ||
         g_tool.lineToolPage != g_session.currentPageIndex;
}

void StartStroke(int x, int y) {
  g_tool.stroke = StrokeDrag{};
  g_tool.stroke.active = true;
  g_tool.stroke.start = {x, y};
  g_tool.stroke.current = {x, y};
  g_tool.stroke.points.push_back({x, y});
}

}  // namespace

bool AcceptStrokePoint(int x, int y) {
  if (!InsidePage(x, y)) return false;
  std::vector<ScreenPoint>& raw = g_tool.stroke.points;
  if (!raw.empty()) {
    int dx = x - raw.back().x, dy = y - raw.back().y;
    if (dx * dx + dy * dy < 4) return false;
  }
  raw.push_back({x, y});
  return true;
}

static bool EditingToolActive() { return SelectToolActive(); }

// A dragged shape ends on the page shown, however far past its edge the pointer went.
static ScreenPoint ClampedToPage(ScreenPoint p) {
  const IntRect& r = g_view.pageRect;
  return {std::clamp(p.x, r.left, std::max(r.left, r.right)), std::clamp(p.y, r.top, std::max(r.top, r.bottom))};
}

// Arrows and segments dragged out while a fixed length is set end at that length.
static ScreenPoint LineEnd(ScreenPoint pointer) {
  pointer = ClampedToPage(pointer);
  bool line = g_tool.mode == ToolMode::Arrow || (g_tool.mode == ToolMode::Geometry && g_tool.lineTool == LineToolKind::None &&
                                                 g_tool.geometryKind == GeometryKind::Segment);
  if (!line) return pointer;
  return FixedLengthEnd(g_tool.stroke.start, pointer);
}

bool InsidePage(int x, int y) { return g_session.document != nullptr && g_view.pageRect.Contains(x, y) && !g_view.pageRect.Empty(); }

void OnLeftPress(int x, int y) {
  if (g_pan.active) return;  // a middle-button or touch pan runs
  if (g_tool.mode == ToolMode::Pen && g_tool.spaceHeld && InsidePage(x, y) && !g_tool.ocrRegion) {
    BeginPan(x, y, false);
    return;
  }
  if (g_tool.ocrRegion) {
    OcrPress(x, y);
    return;
  }
  switch (g_tool.mode) {
    case ToolMode::Geometry:
      if (g_tool.lineTool != LineToolKind::None && LineToolContextChanged()) {
        CancelLineTool(u"页面已改变，请重新选择线工具");
        return;
      }
      if (g_tool.lineTool == LineToolKind::Polyline) {
        if (InsidePage(x, y)) AddPolylinePoint({x, y});
        return;
      }
      if (g_tool.lineTool == LineToolKind::EqualVector && !g_tool.equalVectorPicked) {
        PickVectorAt({x, y});
        return;
      }
      if (InsidePage(x, y)) StartStroke(x, y);
      return;
    case ToolMode::Select:
      if (CoordinateHandleAt({x, y})) {
        g_tool.selectDrag = true;
        BeginHandleDrag({x, y});
      } else if (InsidePage(x, y)) {
        SelectToolPress({x, y});
      }
      return;
    case ToolMode::Edit:  // image handles may stand outside the page; the tool checks
      SelectToolPress({x, y});
      return;
    case ToolMode::SelectErase:
    case ToolMode::ImagePlacement:
      if (InsidePage(x, y)) SelectToolPress({x, y});
      return;
    case ToolMode::Hand:
      if (InsidePage(x, y)) BeginPan(x, y, false);
      return;
    case ToolMode::Pen:
    case ToolMode::Arrow:
      if (InsidePage(x, y)) StartStroke(x, y);
      return;
    case ToolMode::ForceErase:
      if (InsidePage(x, y)) BeginForceEraseTrail(x, y);
      return;
    case ToolMode::Text:
      if (InsidePage(x, y) && g_pageMenus.textClick != nullptr) g_pageMenus.textClick({x, y});
      return;
    case ToolMode::SelectText:
      if (InsidePage(x, y)) {
        PageTextPress({x, y});
      } else {
        ClearPageTextSelection();
      }
      return;
    default:
      return;  // selection, images and erasing do their page work elsewhere
  }
}

void OnMouseMove(int x, int y, bool leftHeld) {
  if (OcrDragShown()) {
    OcrMove(x, y);
    return;
  }
  if (g_pan.active) {
    PanTo(x, y);
    return;
  }
  if (g_tool.selectDrag) {
    if (leftHeld) ContinueHandleDrag({x, y});
    return;
  }
  if (g_pageText.dragging) {
    if (leftHeld) PageTextMove({x, y});
    return;
  }
  if (EditingToolActive()) {
    SelectToolMove({x, y}, leftHeld);
    return;
  }
  if (g_tool.mode == ToolMode::Geometry && g_tool.lineTool == LineToolKind::Polyline && !g_tool.polyline.empty()) {
    g_tool.stroke.current = {x, y};  // the rubber band follows the pointer between clicks
    g_window.changed(Change::Status);
    return;
  }
  if (!g_tool.stroke.active || !leftHeld) return;
  if (g_tool.mode == ToolMode::ForceErase) {
    ExtendForceEraseTrail(x, y);
    return;
  }
  bool pen = g_tool.mode == ToolMode::Pen;
  if (pen && !AcceptStrokePoint(x, y)) return;
  ScreenPoint previous = g_tool.stroke.current;
  g_tool.stroke.current = pen ? ScreenPoint{x, y} : LineEnd({x, y});
  bool shape = g_tool.mode == ToolMode::Geometry && g_tool.lineTool == LineToolKind::None &&
               g_tool.geometryKind != GeometryKind::Segment;
  if (shape) {
    g_window.changed(Change::Status);  // a box-shaped preview changes everywhere inside its box
    return;
  }
  IntRect area = RubberBandArea(g_tool.stroke.start, previous, {x, y}, !pen);
  g_window.repaintArea(area.left, area.top, area.right, area.bottom);
}

IntRect RubberBandArea(ScreenPoint start, ScreenPoint previousEnd, ScreenPoint newEnd, bool includeStart) {
  IntRect box{std::min(previousEnd.x, newEnd.x), std::min(previousEnd.y, newEnd.y), std::max(previousEnd.x, newEnd.x),
              std::max(previousEnd.y, newEnd.y)};
  if (includeStart) {
    box = {std::min(box.left, start.x), std::min(box.top, start.y), std::max(box.right, start.x),
           std::max(box.bottom, start.y)};
  }
  int half = StrokePixels(g_tool.lineWidth) / 2;
  // Arrow heads reach further than the pen: up to the head length beside the end point.
  if (g_tool.mode == ToolMode::Arrow) half = std::max(half, std::max(8, 4 * StrokePixels(g_tool.lineWidth)));
  int inflate = (half == 0 || !(g_session.pageWidth > 0)) ? 3 : half + 2;
  return {box.left - inflate, box.top - inflate, box.right + inflate + 1, box.bottom + inflate + 1};
}

void OnLeftRelease(int x, int y) {
  if (OcrDragShown()) {
    OcrRelease(x, y);
    return;
  }
  if (g_pan.active && !g_pan.middleButton) {
    EndPan();
    g_window.toolModeChanged();
    return;
  }
  if (g_tool.selectDrag) {
    g_tool.selectDrag = false;
    EndHandleDrag();
    return;
  }
  if (g_pageText.dragging) {
    PageTextRelease({x, y});
    return;
  }
  if (EditingToolActive()) {
    SelectToolRelease({x, y});
    return;
  }
  if (!g_tool.stroke.active) return;
  if (g_tool.mode == ToolMode::ForceErase) {
    FinishForceEraseTrail(x, y);
    return;
  }
  if (g_tool.mode == ToolMode::Pen) AcceptStrokePoint(x, y);  // the release position counts too
  StrokeDrag stroke = g_tool.stroke;
  ScreenPoint end = LineEnd({x, y});
  g_tool.stroke = StrokeDrag{};
  if (g_tool.mode == ToolMode::Pen) {
    FinishPenStroke(stroke.points);
  } else if (g_tool.mode == ToolMode::Arrow) {
    FinishLine(stroke.start, end, true);
  } else if (g_tool.mode == ToolMode::Geometry) {
    if (g_tool.lineTool != LineToolKind::None) {
      FinishLineTool(g_tool.lineTool, stroke.start, {x, y});
    } else {
      FinishGeometry(g_tool.geometryKind, stroke.start, end);
    }
  }
  g_window.changed(Change::Status);
}

void OnLeftDoubleClick(int x, int y) {
  if (g_pan.active || g_tool.ocrRegion) return;
  if (g_tool.mode == ToolMode::SelectText) {
    if (InsidePage(x, y)) PageTextDoubleClick({x, y});
    return;
  }
  SelectToolDoubleClick({x, y});
}

void OnLeftTripleClick(int x, int y) {
  if (g_pan.active || g_tool.ocrRegion) return;
  if (g_tool.mode == ToolMode::SelectText) {
    if (InsidePage(x, y)) PageTextTripleClick({x, y});
    return;
  }
  OnLeftPress(x, y);  // other tools take it as the press it is
}

void OnMiddlePress(int x, int y) {
  if (g_tool.mode != ToolMode::Pen || g_tool.ocrRegion || g_pan.active || g_tool.stroke.active) return;
  if (InsidePage(x, y)) BeginPan(x, y, true);
}

void OnMiddleRelease() {
  if (g_pan.active && g_pan.middleButton) EndPan();
}

void OnRightRelease(int x, int y) {
  if (g_tool.mode == ToolMode::Geometry && g_tool.lineTool == LineToolKind::Polyline) {
    if (LineToolContextChanged()) {
      CancelLineTool(u"页面已改变，请重新选择折线工具");
    } else {
      FinishPolyline();
    }
    return;
  }
  if (g_tool.ocrRegion) {
    ToggleOcrRegion();
    return;
  }
  if (g_tool.mode == ToolMode::Select && InsidePage(x, y) && g_pageMenus.textMenu != nullptr &&
      g_pageMenus.textMenu({x, y})) {
    return;
  }
  if (g_tool.mode == ToolMode::Edit && InsidePage(x, y) && g_pageMenus.contextMenu != nullptr) {
    g_pageMenus.contextMenu({x, y});
    return;
  }
  bool textTools = g_tool.mode == ToolMode::Hand || g_tool.mode == ToolMode::SelectText;
  if (textTools && InsidePage(x, y) && g_pageMenus.pageTextMenu != nullptr) g_pageMenus.pageTextMenu({x, y});
}

bool OnWheel(int delta, bool shiftHeld, bool ctrlHeld, int linesPerNotch) {
  if (g_tool.mode != ToolMode::Pen || g_session.document == nullptr || g_tool.ocrRegion || shiftHeld || ctrlHeld) {
    return false;
  }
  if (g_tool.stroke.active || g_pan.active) return true;  // swallowed while drawing or panning
  ScrollByWheel(delta, linesPerNotch);
  return true;
}

void OnEscape() {
  if (IsLineToolActive()) {
    CancelLineTool(u"选取模式：拖动框选图形");
  } else if (g_tool.ocrRegion) {
    ToggleOcrRegion();
  }
}

void CancelPointerDrag() {
  if (g_pan.active) EndPan();
  g_pageText.dragging = false;
  if (EditingToolActive()) SelectToolCancel();
  if (g_tool.selectDrag) {
    g_tool.selectDrag = false;
    EndHandleDrag();
  }
  if (g_tool.stroke.active) {
    g_tool.stroke = StrokeDrag{};
    g_window.changed(Change::Status);
  }
}

bool PressCanStartDragEdit(int x, int y) {
  if (g_session.document == nullptr || g_tool.ocrRegion || g_pan.active) return false;
  if (g_tool.mode == ToolMode::Pen && g_tool.spaceHeld && InsidePage(x, y)) return false;
  switch (g_tool.mode) {
    case ToolMode::Pen:
    case ToolMode::Arrow:
    case ToolMode::Geometry:
    case ToolMode::SelectErase:
    case ToolMode::ForceErase:
    case ToolMode::Text:
    case ToolMode::ImagePlacement:
    case ToolMode::Edit:
      return true;
    case ToolMode::Select:
      // A click may select and repair labels; a press may start a move or a reshape.
      return InsidePage(x, y) ||
             CoordinateHandleAt({x, y});
    default:
      return false;
  }
}

CursorShape CursorFor(int x, int y) {
  if (g_tool.ocrRegion) return CursorShape::Cross;
  if (g_pan.active) return CursorShape::SizeAll;
  bool inside = InsidePage(x, y);
  switch (g_tool.mode) {
    case ToolMode::Select:
      if (g_tool.selectDrag) return CursorShape::SizeAll;
      if (OverSelectedText({x, y})) return CursorShape::SizeAll;
      if (CoordinateHandleAt({x, y})) {
        return CursorShape::SizeAll;
      }
      return inside ? CursorShape::Cross : CursorShape::Arrow;
    case ToolMode::Pen:
      if (!inside) return CursorShape::Cross;
      return g_tool.spaceHeld ? CursorShape::Hand : CursorShape::Pencil;
    case ToolMode::Hand:
      return CursorShape::Hand;
    case ToolMode::Text:
      return CursorShape::IBeam;
    case ToolMode::SelectText:
      return inside ? CursorShape::IBeam : CursorShape::Arrow;
    case ToolMode::Edit:
      return EditToolCursor({x, y});
    default:
      return CursorShape::Cross;
  }
}

GestureConfig CurrentGestureConfig() {
  GestureConfig config;
  if (g_tool.ocrRegion) return config;
  config.oneFingerPan = g_tool.mode == ToolMode::Hand;
  config.twoFingerPan = g_tool.mode == ToolMode::Pen;
  return config;
}

float PinchZoom(float startZoom, float startDistance, float distance) {
  if (!(startDistance > 0)) return startZoom;
  return std::clamp(startZoom * distance / startDistance, kMinZoom, kMaxZoom);
}
