#include "editing/move_drag.h"

#include <cmath>

#include "document/session.h"
#include "document/window_hooks.h"
#include "drawing/geometry_edits.h"
#include "drawing/labels.h"
#include "editing/reshape_drags.h"
#include "editing/selection.h"
#include "platform/platform_seam.h"
#include "view/page_view.h"

DragState g_drag;

namespace {

constexpr const char16_t* kEditCaption = u"图形编辑失败";
constexpr const char16_t* kPointCaption = u"点移动失败";

void Translate(const PdfOps& ops, FPDF_PAGEOBJECT object, float dx, float dy) {
  ops.FPDFPageObj_Transform(object, 1, 0, 0, 1, dx, dy);
  MoveLabelsWithShape(ops, g_session.currentPage, object, dx, dy);
}

bool IsLockedPoint(FPDF_PAGEOBJECT object) {
  return g_pointLock && g_pointLock->point == object && object != nullptr;
}

}  // namespace

bool BeginMove(ScreenPoint point, bool editMode) {
  PdfOps ops = CurrentOps();
  auto at = ScreenToPageUnclamped(float(point.x), float(point.y));
  if (!at || ops.FPDFPageObj_Transform == nullptr) {
    ShowMessage(kEditCaption, editMode ? u"无法读取图形的页面位置。" : u"无法移动所选图形。", MessageIcon::Error);
    return false;
  }
  DragState drag;
  if (g_selection.group.size() < 2 && IsLockedPoint(g_selection.object)) {
    auto geometry = ReadPointGeometry(g_selection.object, ops);
    if (!geometry) {
      ShowMessage(kPointCaption, u"无法初始化点在线段上的受限移动。", MessageIcon::Error);
      return false;
    }
    drag.constrained = true;
    drag.startCentre = geometry->centre;
    drag.startPointer = *at;
  }
  drag.moveArmed = true;
  drag.lastPagePoint = *at;
  g_drag = drag;
  return true;
}

void MoveStep(ScreenPoint point) {
  if (!g_drag.moveArmed) return;
  PdfOps ops = CurrentOps();
  auto at = ScreenToPageUnclamped(float(point.x), float(point.y));
  if (!at) {
    ShowMessage(kEditCaption, u"无法移动所选图形。", MessageIcon::Error);
    EndMove();
    return;
  }
  float dx = at->x - g_drag.lastPagePoint.x, dy = at->y - g_drag.lastPagePoint.y;
  if (g_drag.constrained) {
    auto geometry = ReadPointGeometry(g_selection.object, ops);
    std::optional<PagePoint> offset;
    if (geometry) offset = ConstrainedOffset(*g_pointLock, g_drag.startPointer, g_drag.startCentre, *at, geometry->centre);
    if (!offset || !std::isfinite(offset->x) || !std::isfinite(offset->y)) {
      ShowMessage(kPointCaption, u"无法计算点在线段上的受限位置。", MessageIcon::Error);
      EndMove();
      return;
    }
    dx = offset->x;
    dy = offset->y;
  }
  if (std::fabs(dx) <= 1e-4f && std::fabs(dy) <= 1e-4f) return;
  if (g_selection.group.size() >= 2) {
    for (FPDF_PAGEOBJECT member : g_selection.group) Translate(ops, member, dx, dy);
  } else if (g_selection.object != nullptr) {
    Translate(ops, g_selection.object, dx, dy);
  }
  g_drag.moved = true;
  g_drag.lastPagePoint = *at;
  g_window.changed(Change::PageShown);
}

void EndMove() {
  if (g_drag.moved) {
    PdfOps ops = CurrentOps();
    bool system = FindCoordinateSystem(g_selection.object, ops) != 0;
    for (FPDF_PAGEOBJECT member : g_selection.group) system = system || FindCoordinateSystem(member, ops) != 0;
    if (system) g_session.fullRewrite = true;
    g_session.statusText = u"图形已移动";
    NotifyKeepingSelection(u"图形已移动");
  }
  g_drag.moveArmed = false;
  g_drag.moved = false;
  g_drag.constrained = false;
  g_window.changed(Change::Status);
}

bool AnySelectionDrag() { return g_drag.moveArmed || g_drag.endpointDrag != 0 || g_drag.controlPointDrag != 0; }

void EndSelectionDrag() {
  if (g_drag.moveArmed) EndMove();
  if (g_drag.endpointDrag != 0) EndEndpointDrag();
  if (g_drag.controlPointDrag != 0) EndControlPointDrag();
}
