#include "editing/force_erase_trail.h"

#include <algorithm>

#include "document/window_hooks.h"
#include "editing/force_erase_tool.h"
#include "editing/pointer_input.h"
#include "view/page_view.h"
#include "view/tool_state.h"

namespace {

ScreenPoint ClampIntoPage(int x, int y) {
  const IntRect& r = g_view.pageRect;
  return {std::clamp(x, r.left, std::max(r.left, r.right - 1)), std::clamp(y, r.top, std::max(r.top, r.bottom - 1))};
}

// Adds the point unless it equals the last; true when added.
bool AddTrailPoint(int x, int y) {
  ScreenPoint p = ClampIntoPage(x, y);
  std::vector<ScreenPoint>& points = g_tool.stroke.points;
  if (!points.empty() && points.back().x == p.x && points.back().y == p.y) return false;
  points.push_back(p);
  g_tool.stroke.current = p;
  return true;
}

// The brush around a segment: 14 pixels left of and above it, 15 right of and below it.
void RepaintAroundSegment(ScreenPoint a, ScreenPoint b) {
  g_window.repaintArea(std::min(a.x, b.x) - 14, std::min(a.y, b.y) - 14, std::max(a.x, b.x) + 15,
                       std::max(a.y, b.y) + 15);
}

}  // namespace

void BeginForceEraseTrail(int x, int y) {
  g_tool.stroke = StrokeDrag{};
  g_tool.stroke.active = true;
  AddTrailPoint(x, y);
  g_tool.stroke.start = g_tool.stroke.current;
  RepaintAroundSegment(g_tool.stroke.current, g_tool.stroke.current);
}

void ExtendForceEraseTrail(int x, int y) {
  if (!g_tool.stroke.active) return;
  ScreenPoint previous = g_tool.stroke.current;
  if (AddTrailPoint(x, y)) RepaintAroundSegment(previous, g_tool.stroke.current);
}

void FinishForceEraseTrail(int x, int y) {
  if (!g_tool.stroke.active) return;
  AddTrailPoint(x, y);
  std::vector<ScreenPoint> trail = std::move(g_tool.stroke.points);
  g_tool.stroke = StrokeDrag{};
  RunForceErase(trail);
  g_window.changed(Change::Status);
}
