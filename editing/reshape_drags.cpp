#include "editing/reshape_drags.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "content/font_table.h"
#include "document/session.h"
#include "document/window_hooks.h"
#include "drawing/find_remove.h"
#include "drawing/geometry_edits.h"
#include "drawing/labels.h"
#include "editing/move_drag.h"
#include "editing/selection.h"
#include "engine/engine_handles.h"
#include "platform/platform_seam.h"
#include "view/current_context.h"
#include "view/page_view.h"

namespace {

constexpr const char16_t* kEditCaption = u"图形编辑失败";
constexpr const char16_t* kLineCaption = u"直线编辑失败";
constexpr const char16_t* kArrowCaption = u"箭头编辑失败";
constexpr const char16_t* kDuplicateWarning = u"无法移除原图形，更新后的图形已保留，页面中可能存在重复图形。";

struct Stroke {
  unsigned r = 0, g = 0, b = 0, a = 0;
  float width = 0;
};

// The rebuilt path has no matrix: it takes the width the stroke shows on the page.
std::optional<Stroke> ReadStroke(FPDF_PAGEOBJECT object, const PdfOps& ops) {
  Stroke s;
  std::optional<float> width = ReadPageStrokeWidth(object, ops);
  if (!width || !ops.FPDFPageObj_GetStrokeColor || !ops.FPDFPageObj_GetStrokeColor(object, &s.r, &s.g, &s.b, &s.a)) {
    return std::nullopt;
  }
  s.width = *width;
  return s;
}

// Colour, positive width, stroke only, and the old object's drawn-object marks.
bool StyleLike(FPDF_PAGEOBJECT path, FPDF_PAGEOBJECT old, const Stroke& s, const PdfOps& ops) {
  if (!(s.width > 0) || !ops.FPDFPageObj_SetStrokeColor(path, s.r, s.g, s.b, s.a) ||
      !ops.FPDFPageObj_SetStrokeWidth(path, s.width) || !ops.FPDFPath_SetDrawMode(path, 0, 1)) {
    return false;
  }
  return CopyOwnMarks(old, path, ops);
}

// Inserts the replacement, then takes the old object out. False when the insertion failed.
bool Replace(FPDF_PAGEOBJECT old, ScopedPageObject replacement, const PdfOps& ops, const char16_t* insertFailure) {
  FPDF_PAGE page = g_session.currentPage;
  FPDF_PAGEOBJECT path = replacement.release();
  if (!InsertChecked(page, path, ops)) {
    // The page owns what it was given even when the insertion fails: forget the handle.
    ShowMessage(kEditCaption, insertFailure, MessageIcon::Error);
    return false;
  }
  if (ops.FPDFPage_RemoveObject(page, old)) {
    ops.FPDFPageObj_Destroy(old);
  } else {
    ShowMessage(u"图形编辑警告", kDuplicateWarning, MessageIcon::Warning);
  }
  g_selection.object = path;
  return true;
}

std::optional<PagePoint> ClampedPagePoint(ScreenPoint p, int inset) {
  const IntRect& r = g_view.pageRect;
  int x = std::clamp(p.x, r.left, std::max(r.left, r.right - inset));
  int y = std::clamp(p.y, r.top, std::max(r.top, r.bottom - inset));
  return ScreenToPageUnclamped(float(x), float(y));
}

std::optional<ScreenPoint> ToScreen(PagePoint p) {
  float x, y;
  PageToScreen(p.x, p.y, x, y);
  if (!std::isfinite(x) || !std::isfinite(y)) return std::nullopt;
  return ScreenPoint{int(std::lround(x)), int(std::lround(y))};
}

// The current head length of an arrow: the first wing's distance from the tip.
std::optional<double> HeadLength(FPDF_PAGEOBJECT object, const StraightSegment& line, const PdfOps& ops) {
  FPDF_PATHSEGMENT wing = ops.FPDFPath_GetPathSegment(object, 2);
  float x, y;
  if (wing == nullptr || !ops.FPDFPathSegment_GetPoint(wing, &x, &y)) {
    ShowMessage(kArrowCaption, u"无法读取所选箭头的箭头头部。", MessageIcon::Error);
    return std::nullopt;
  }
  FS_MATRIX matrix;
  if (!ReadObjectMatrix(object, ops, matrix)) {
    ShowMessage(kArrowCaption, u"无法读取所选箭头的变换信息。", MessageIcon::Error);
    return std::nullopt;
  }
  PagePoint p = Transform(matrix, x, y);
  double head = std::hypot(double(p.x - line.end.x), double(p.y - line.end.y)) / kWingToHeadLength;
  if (!std::isfinite(head) || !(head > 0)) {
    ShowMessage(kArrowCaption, u"所选箭头的箭头头部无效。", MessageIcon::Error);
    return std::nullopt;
  }
  return head;
}

ScopedPageObject BuildLine(PagePoint start, PagePoint end, double headLength, const PdfOps& ops, bool& built) {
  built = false;
  ScopedPageObject owned(ops.FPDFPageObj_CreateNewPath(start.x, start.y));
  FPDF_PAGEOBJECT path = owned.get();
  if (path == nullptr) return nullptr;
  bool ok = ops.FPDFPath_LineTo(path, end.x, end.y);
  double dx = end.x - start.x, dy = end.y - start.y, length = std::hypot(dx, dy);
  if (ok && headLength > 0 && length > 1e-4) {
    double h = std::min(length / 2, headLength);
    double ux = dx / length, uy = dy / length, nx = -uy, ny = ux;
    for (double side : {1.0, -1.0}) {
      float wx = float(end.x - h * ux + side * 0.45 * h * nx), wy = float(end.y - h * uy + side * 0.45 * h * ny);
      ok = ok && ops.FPDFPath_LineTo(path, wx, wy);
      if (side > 0) ok = ok && ops.FPDFPath_LineTo(path, end.x, end.y);
    }
  }
  built = ok;
  return owned;
}

// Moves the shape's labels to its current outline: a new set in, the old set out.
bool RelabelShape(FPDF_PAGEOBJECT shape, MarkKind kind, const std::vector<ScreenPoint>& vertices, const PdfOps& ops) {
  auto name = MarkedShapeName(shape, ops, kind);
  if (!name) return true;
  if (!EnsureDefaultFont()) return false;
  LabelContext ctx = CurrentLabelContext();
  auto old = LabelsOfShape(ctx.page, shape, ops, kind, *name);
  LabelSetResult labels = CreateLabelSet(ops, ctx, *name, vertices);
  if (!labels.ok) return false;
  return RemoveObjects(ctx.page, old, ops);
}

}  // namespace

void BeginEndpointDrag(int endpoint) {
  g_drag = DragState{};
  g_drag.endpointDrag = endpoint;
}

void EndpointStep(ScreenPoint point) {
  FPDF_PAGEOBJECT old = g_selection.object;
  PdfOps ops = CurrentOps();
  auto at = ClampedPagePoint(point, 0);
  auto line = RecogniseStraightSegment(old, ops);
  if (!at || !line) {
    ShowMessage(kLineCaption, u"无法读取所选直线的端点。", MessageIcon::Error);
    return;
  }
  PagePoint start = g_drag.endpointDrag == 1 ? *at : line->start;
  PagePoint end = g_drag.endpointDrag == 2 ? *at : line->end;
  if (std::hypot(double(end.x - start.x), double(end.y - start.y)) < 1e-4) return;
  auto stroke = ReadStroke(old, ops);
  if (!stroke) {
    ShowMessage(kLineCaption, u"无法读取所选直线的颜色和线宽。", MessageIcon::Error);
    return;
  }
  double head = 0;
  if (line->arrow) {
    auto measured = HeadLength(old, *line, ops);
    if (!measured) return;
    head = *measured;
  }
  bool built = false;
  ScopedPageObject owned = BuildLine(start, end, head, ops, built);
  FPDF_PAGEOBJECT path = owned.get();
  if (path == nullptr) {
    ShowMessage(kEditCaption, u"无法创建更新后的直线。", MessageIcon::Error);
    return;
  }
  if (!built || !StyleLike(path, old, *stroke, ops)) {
    ShowMessage(kEditCaption, u"无法生成更新后的直线或箭头。", MessageIcon::Error);
    return;
  }
  if (!Replace(old, std::move(owned), ops, u"无法将更新后的直线加入 PDF 页面。")) return;
  auto s = ToScreen(start), e = ToScreen(end);
  if (MarkedShapeName(path, ops, MarkKind::Line) &&
      (!s || !e || !EnsureDefaultFont() || !RebuildSegmentLabels(ops, CurrentLabelContext(), path, *s, *e).ok)) {
    ShowMessage(u"线段属性警告", u"直线已更新，但端点编号未能同步更新。", MessageIcon::Warning);
  }
  g_drag.endpointChanged = true;
  g_window.changed(Change::PageShown);
}

void EndEndpointDrag() {
  bool changed = g_drag.endpointChanged;
  g_drag.endpointDrag = 0;
  g_drag.endpointChanged = false;
  if (!changed) return;
  if (CarriesOwnMark(g_selection.object, CurrentOps())) {  // a page line never fixes later lengths
    auto measured = MeasurePolyline(g_selection.object, CurrentOps());
    g_selection.lengthCm = measured ? measured->total * kCmPerPoint : 0;
  }
  g_session.statusText = u"直线端点已修改";
  NotifyKeepingSelection(u"直线端点已修改");
}

bool BeginControlPointDrag(int id) {
  PdfOps ops = CurrentOps();
  DrawnKind kind = ClassifyDrawnObject(g_selection.object, ops);
  auto points = ShapeScreenPoints(g_selection.object, ops);
  if (kind == DrawnKind::Rectangle) {
    points.reset();
    auto corners = ControlPointsOf(g_selection.object, ops, kind);
    if (corners.size() == 4) {
      points.emplace();
      for (const ControlPoint& c : corners) points->push_back(c.at);
    }
  }
  if (!IsGeometryShape(kind) || !points || points->empty()) {
    ShowMessage(kEditCaption, u"无法读取所选几何图形的控制点。", MessageIcon::Error);
    return false;
  }
  g_drag = DragState{};
  g_drag.controlPointDrag = id;
  g_drag.shapeKind = kind;
  g_drag.startPoints = *points;
  IntRect box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
  for (const ScreenPoint& p : *points) {
    box = {std::min(box.left, p.x), std::min(box.top, p.y), std::max(box.right, p.x), std::max(box.bottom, p.y)};
  }
  g_drag.startBox = box;
  g_session.statusText = u"拖动蓝色控制点调整几何图形";
  return true;
}

namespace {

void RectangleCornerStep(ScreenPoint pointer, const PdfOps& ops) {
  std::array<ScreenPoint, 4> corners{};
  std::copy_n(g_drag.startPoints.begin(), 4, corners.begin());
  auto box = CornerDragBox(corners, g_drag.controlPointDrag - 1, pointer, g_view.pageRect);
  EditResult result;
  if (box && EnsureDefaultFont()) result = RebuildRectangle(ops, CurrentLabelContext(), g_selection.object, *box);
  if (!result.ok) {
    ShowMessage(u"矩形端点更新失败",
                result.rollbackCommitted ? u"无法保持矩形形状并更新其端点标注。"
                                         : u"矩形端点更新失败，且页面内容恢复失败；请尽快另存为新文件。",
                MessageIcon::Error);
    EndControlPointDrag();
    return;
  }
  g_selection.object = result.newObject;
  g_drag.controlPointChanged = true;
  if (!result.oldLabelsRemoved) {
    ShowMessage(u"矩形标注警告", u"矩形已调整，但旧端点编号未能全部清理。", MessageIcon::Warning);
  }
}

std::vector<ScreenPoint> EllipsePoints(ScreenPoint p) {
  IntRect old = g_drag.startBox, box = old;
  switch (g_drag.controlPointDrag) {
    case 5:
      box.left = std::min(p.x, old.right - 3);
      break;
    case 6:
      box.right = std::max(p.x, old.left + 3);
      break;
    case 7:
      box.top = std::min(p.y, old.bottom - 3);
      break;
    default:
      box.bottom = std::max(p.y, old.top + 3);
      break;
  }
  std::vector<ScreenPoint> points;
  double sx = old.Width() != 0 ? double(box.Width()) / old.Width() : 1;
  double sy = old.Height() != 0 ? double(box.Height()) / old.Height() : 1;
  for (const ScreenPoint& q : g_drag.startPoints) {
    points.push_back({int(std::lround(sx * (q.x - old.left) + box.left)), int(std::lround(sy * (q.y - old.top) + box.top))});
  }
  return points;
}

// A closed path through client points, styled like the old shape.
bool ReplaceByOutline(const std::vector<ScreenPoint>& outline, const PdfOps& ops) {
  FPDF_PAGEOBJECT old = g_selection.object;
  std::vector<PagePoint> points;
  for (const ScreenPoint& p : outline) {
    auto q = ScreenToPageUnclamped(float(p.x), float(p.y));
    if (!q) {
      ShowMessage(kEditCaption, u"无法生成更新后的几何图形。", MessageIcon::Error);
      return false;
    }
    points.push_back(*q);
  }
  auto stroke = ReadStroke(old, ops);
  if (!stroke) {
    ShowMessage(kEditCaption, u"无法读取所选几何图形的颜色和线宽。", MessageIcon::Error);
    return false;
  }
  ScopedPageObject owned(ops.FPDFPageObj_CreateNewPath(points[0].x, points[0].y));
  FPDF_PAGEOBJECT path = owned.get();
  if (path == nullptr) {
    ShowMessage(kEditCaption, u"无法创建更新后的几何图形。", MessageIcon::Error);
    return false;
  }
  bool ok = true;
  for (size_t i = 1; i <= points.size() && ok; ++i) ok = ops.FPDFPath_LineTo(path, points[i % points.size()].x, points[i % points.size()].y);
  if (ok && ops.FPDFPath_Close) ok = ops.FPDFPath_Close(path);  // a joined first corner, not a notch
  if (!ok || !StyleLike(path, old, *stroke, ops)) {
    ShowMessage(kEditCaption, u"无法生成更新后的几何图形。", MessageIcon::Error);
    return false;
  }
  return Replace(old, std::move(owned), ops, u"无法将更新后的几何图形加入 PDF 页面。");
}

}  // namespace

void ControlPointStep(ScreenPoint point) {
  if (g_drag.controlPointDrag == 0 || g_selection.object == nullptr) return;
  PdfOps ops = CurrentOps();
  const IntRect& r = g_view.pageRect;
  ScreenPoint p{std::clamp(point.x, r.left, std::max(r.left, r.right - 1)),
                std::clamp(point.y, r.top, std::max(r.top, r.bottom - 1))};
  if (g_drag.shapeKind == DrawnKind::Rectangle) {
    RectangleCornerStep(p, ops);
  } else {
    std::vector<ScreenPoint> outline;
    if (g_drag.shapeKind == DrawnKind::Ellipse) {
      outline = EllipsePoints(p);
    } else {
      size_t index = size_t(g_drag.controlPointDrag - 1);
      if (index >= g_drag.startPoints.size()) {
        EndControlPointDrag();
        return;
      }
      outline = g_drag.startPoints;
      outline[index] = p;
    }
    if (!ReplaceByOutline(outline, ops)) {
      EndControlPointDrag();
      return;
    }
    g_drag.controlPointChanged = true;
  }
  g_window.changed(Change::PageShown);
}

void EndControlPointDrag() {
  bool changed = g_drag.controlPointChanged;
  g_drag.controlPointDrag = 0;
  g_drag.controlPointChanged = false;
  g_drag.startPoints.clear();
  if (!changed) return;
  g_session.statusText = u"几何图形端点已修改";
  PdfOps ops = CurrentOps();
  FPDF_PAGEOBJECT shape = g_selection.object;
  if (ClassifyDrawnObject(shape, ops) == DrawnKind::Triangle && MarkedShapeName(shape, ops, MarkKind::Triangle)) {
    auto vertices = ShapeScreenPoints(shape, ops);
    if (!vertices || vertices->size() != 3 || !RelabelShape(shape, MarkKind::Triangle, *vertices, ops)) {
      ShowMessage(u"三角形标注警告", u"三角形端点已修改，但编号或边长标注未能更新。", MessageIcon::Warning);
    }
  }
  NotifyKeepingSelection(u"几何图形端点已修改");
}
