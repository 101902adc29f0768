#include "view/ocr_selection.h"

#include <algorithm>

#include "document/session.h"
#include "document/window_hooks.h"
#include "external/ocr_region.h"
#include "view/tool_state.h"

OcrDrag g_ocrDrag;

namespace {

bool SameRect(const IntRect& a, const IntRect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

ScreenPoint ClampToSelectable(int x, int y) {
  IntRect area = OcrSelectableArea();
  return {std::clamp(x, area.left, std::max(area.left, area.right)),
          std::clamp(y, area.top, std::max(area.top, area.bottom))};
}

}  // namespace

IntRect OcrSelectableArea() {
  IntRect view = ViewArea();
  const IntRect& page = g_view.pageRect;
  return {std::max(page.left, view.left), std::max(page.top, view.top), std::min(page.right, view.right),
          std::min(page.bottom, view.bottom)};
}

IntRect OcrDragRect() {
  return {std::min(g_ocrDrag.start.x, g_ocrDrag.end.x), std::min(g_ocrDrag.start.y, g_ocrDrag.end.y),
          std::max(g_ocrDrag.start.x, g_ocrDrag.end.x), std::max(g_ocrDrag.start.y, g_ocrDrag.end.y)};
}

bool OcrDragShown() { return g_tool.ocrRegion && g_ocrDrag.dragging; }

void OcrPress(int x, int y) {
  g_ocrDrag = OcrDrag{};
  IntRect area = OcrSelectableArea();
  if (g_session.document == nullptr || area.Empty() || x < area.left || x >= area.right || y < area.top ||
      y >= area.bottom) {
    return;
  }
  g_ocrDrag.dragging = true;
  g_ocrDrag.start = {x, y};
  g_ocrDrag.end = {x, y};
  g_ocrDrag.pageRectAtStart = g_view.pageRect;
  g_window.changed(Change::Status);
}

void OcrMove(int x, int y) {
  if (!OcrDragShown()) return;
  g_ocrDrag.end = ClampToSelectable(x, y);
  g_window.changed(Change::Status);
}

void OcrRelease(int x, int y) {
  if (!OcrDragShown()) return;
  g_ocrDrag.end = ClampToSelectable(x, y);
  g_ocrDrag.dragging = false;
  IntRect selection = OcrDragRect();
  if (!SameRect(g_view.pageRect, g_ocrDrag.pageRectAtStart) || selection.Width() < 3 || selection.Height() < 3) {
    g_session.statusText = u"选区过小或页面位置已改变，请重新框选";
    g_window.changed(Change::Status);
    return;
  }
  g_tool.ocrRegion = false;
  g_window.toolModeChanged();
  const IntRect& page = g_view.pageRect;
  RecogniseRegion({page.left, page.top, page.right, page.bottom},
                  {selection.left, selection.top, selection.right, selection.bottom});
}
