#include "drawing/shapes.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "document/session.h"
#include "document/window_hooks.h"
#include "drawing/find_remove.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

std::optional<PagePoint> ToPage(const ScreenMapping& screen, float x, float y) {
  auto p = MapToPage(screen, x, y);
  if (!p || !std::isfinite(p->x) || !std::isfinite(p->y)) return std::nullopt;
  return p;
}

bool HasOutlineEntries(const PdfOps& ops) {
  return ops.FPDFPageObj_CreateNewPath && ops.FPDFPath_LineTo && ops.FPDFPageObj_SetStrokeColor &&
         ops.FPDFPageObj_SetStrokeWidth && ops.FPDFPath_SetDrawMode && ops.FPDFPage_InsertObject &&
         ops.FPDFPage_GenerateContent && ops.FPDFPageObj_Destroy && ops.FPDFPage_CountObjects &&
         ops.FPDFPage_GetObject;
}

void SetColour(FPDF_BOOL (*set)(FPDF_PAGEOBJECT, unsigned, unsigned, unsigned, unsigned), FPDF_PAGEOBJECT object,
               uint32_t colour, bool& ok) {
  ok = ok && set(object, colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF, 255);
}

// Stroke colour (alpha 255) and width, no fill, and the ink mark that tells the stroke from
// the page's own paths of the same look.
bool StyleStroke(const PdfOps& ops, FPDF_PAGEOBJECT path, const PenStyle& pen) {
  bool ok = std::isfinite(pen.width) && pen.width > 0;
  SetColour(ops.FPDFPageObj_SetStrokeColor, path, pen.colour, ok);
  return ok && ops.FPDFPageObj_SetStrokeWidth(path, pen.width) && ops.FPDFPath_SetDrawMode(path, 0, 1) &&
         AddInkMark(path, ops);
}

// An open path through the points; nothing (and no leftover object) on failure.
ScopedPageObject PathThrough(const PdfOps& ops, const std::vector<PagePoint>& points) {
  ScopedPageObject path(ops.FPDFPageObj_CreateNewPath(points[0].x, points[0].y));
  if (path == nullptr) return nullptr;
  for (size_t i = 1; i < points.size(); ++i) {
    if (!ops.FPDFPath_LineTo(path.get(), points[i].x, points[i].y)) return nullptr;
  }
  return path;
}

}  // namespace

std::optional<Outline> BuildOutline(GeometryKind kind, ScreenPoint a, ScreenPoint b) {
  int left = std::min(a.x, b.x), right = std::max(a.x, b.x);
  int top = std::min(a.y, b.y), bottom = std::max(a.y, b.y);
  bool tooSmall = right - left < 3 || bottom - top < 3;
  Outline outline;
  switch (kind) {
    case GeometryKind::Segment:
      if (std::hypot(double(b.x - a.x), double(b.y - a.y)) < 3) return std::nullopt;
      outline.points = {a, b};
      return outline;
    case GeometryKind::Rectangle:
      if (tooSmall) return std::nullopt;
      outline.points = {{left, top}, {right, top}, {right, bottom}, {left, bottom}};
      outline.closed = true;
      return outline;
    case GeometryKind::Ellipse:
      if (tooSmall) return std::nullopt;
      for (int i = 0; i < 48; ++i) {
        double angle = i * 2 * kPi / 48;
        int x = int(std::round(std::cos(angle) * (right - left) / 2.0 + (left + right) / 2.0));
        int y = int(std::round(std::sin(angle) * (bottom - top) / 2.0 + (top + bottom) / 2.0));
        outline.points.push_back({x, y});
      }
      outline.closed = true;
      return outline;
    case GeometryKind::Triangle:
      if (tooSmall) return std::nullopt;
      outline.points = {{(left + right) / 2, top}, {right, bottom}, {left, bottom}};
      outline.closed = true;
      return outline;
    case GeometryKind::Point:
      outline.points = {a};
      return outline;
  }
  return std::nullopt;
}

ShapeAdd InsertGeometryShape(const PdfOps& ops, FPDF_PAGE page, const ScreenMapping& screen, GeometryKind kind,
                             ScreenPoint a, ScreenPoint b, const PenStyle& pen) {
  if (kind == GeometryKind::Point) return {};
  auto outline = BuildOutline(kind, a, b);
  if (!outline) return {kShapeTooSmall, nullptr};
  return InsertOutlineShape(ops, page, screen, *outline, pen);
}

ShapeAdd InsertOutlineShape(const PdfOps& ops, FPDF_PAGE page, const ScreenMapping& screen, const Outline& outline,
                            const PenStyle& pen) {
  ShapeAdd result;
  if (outline.points.size() < 2 || page == nullptr || !HasOutlineEntries(ops) || !(pen.width > 0) ||
      !std::isfinite(pen.width)) {
    return result;
  }
  std::vector<PagePoint> points;
  for (const ScreenPoint& p : outline.points) {
    auto mapped = ToPage(screen, float(p.x), float(p.y));
    if (!mapped) return result;
    points.push_back(*mapped);
  }
  if (outline.closed) points.push_back(points.front());
  ScopedPageObject path = PathThrough(ops, points);
  if (path == nullptr) return result;
  // Closed, the first corner is joined like the others instead of showing a notch.
  if (outline.closed && ops.FPDFPath_Close && !ops.FPDFPath_Close(path.get())) return result;
  if (!StyleStroke(ops, path.get(), pen)) return result;
  FPDF_PAGEOBJECT inserted = path.release();
  if (!InsertChecked(page, inserted, ops)) return result;  // the page owns the path now: forget it
  result.object = inserted;
  result.result = kShapeAddedNoContent;
  return result;
}

ShapeAdd AddGeometryShape(const PdfOps& ops, FPDF_PAGE page, const ScreenMapping& screen, GeometryKind kind, ScreenPoint a,
                          ScreenPoint b, const PenStyle& pen) {
  ShapeAdd result = InsertGeometryShape(ops, page, screen, kind, a, b, pen);
  if (result.object != nullptr && ops.FPDFPage_GenerateContent(page)) result.result = kShapeAdded;
  return result;
}

ShapeAdd AddOutlineShape(const PdfOps& ops, FPDF_PAGE page, const ScreenMapping& screen, const Outline& outline,
                         const PenStyle& pen) {
  ShapeAdd result = InsertOutlineShape(ops, page, screen, outline, pen);
  if (result.object != nullptr && ops.FPDFPage_GenerateContent(page)) result.result = kShapeAdded;
  return result;
}

PointAdd AddPoint(const PdfOps& ops, FPDF_PAGE page, PagePoint centre, float size, uint32_t colour,
                  const std::string& markName) {
  PointAdd result;
  if (page == nullptr || !std::isfinite(size) || !std::isfinite(centre.x) || !std::isfinite(centre.y)) return result;
  float diameter = std::clamp(size * 2, 1.0f, 100.0f);
  if (!(ops.FPDFPageObj_CreateNewPath && ops.FPDFPath_LineTo && ops.FPDFPath_Close && ops.FPDFPath_SetDrawMode &&
        ops.FPDFPageObj_SetStrokeColor && ops.FPDFPageObj_SetFillColor && ops.FPDFPageObj_AddMark &&
        ops.FPDFPage_InsertObject && ops.FPDFPageObj_Destroy && ops.FPDFPage_GenerateContent &&
        ops.FPDFPage_CountObjects && ops.FPDFPage_GetObject)) {
    return result;
  }
  std::string name = markName.empty() ? MakePointMarkName() : markName;
  if (name.empty()) return result;
  float r = diameter / 2;
  ScopedPageObject owned(ops.FPDFPageObj_CreateNewPath(centre.x + r, centre.y));
  FPDF_PAGEOBJECT path = owned.get();
  if (path == nullptr) return result;
  bool ok = true;
  for (int i = 1; i < 48 && ok; ++i) {
    double angle = i * 2 * kPi / 48;
    ok = ops.FPDFPath_LineTo(path, centre.x + r * float(std::cos(angle)), centre.y + r * float(std::sin(angle)));
  }
  ok = ok && ops.FPDFPath_Close(path);
  SetColour(ops.FPDFPageObj_SetFillColor, path, colour, ok);
  SetColour(ops.FPDFPageObj_SetStrokeColor, path, colour, ok);
  ok = ok && ops.FPDFPath_SetDrawMode(path, 2, 0) && ops.FPDFPageObj_AddMark(path, name.c_str()) != nullptr;
  if (!ok) return result;
  if (!InsertChecked(page, owned.release(), ops)) return result;  // owned by the page now: forget it
  result.added = true;
  result.object = path;
  result.committed = ops.FPDFPage_GenerateContent(page) != 0;
  return result;
}

bool FinishPathObject(ScopedPageObject path, const PenStyle& pen, const std::u16string& statusText, bool& committed) {
  const PdfEngine& e = g_engine;
  committed = false;
  FPDF_PAGE page = g_session.currentPage;
  if (page == nullptr || !StyleStroke(e, path.get(), pen)) return false;
  if (!InsertChecked(page, path.release(), e)) return false;  // owned by the page now: forget it
  MarkModified();
  committed = CommitPageContent();
  g_window.changed(Change::PageContent);
  g_session.statusText = committed ? statusText : u"标注已添加，但生成 PDF 页面内容失败";
  UpdateTitle();
  return true;
}

FPDF_PAGEOBJECT AddFreehandCurve(const ScreenMapping& screen, const std::vector<ScreenPoint>& raw, const PenStyle& pen) {
  if (raw.size() < 2 || g_session.currentPage == nullptr) return nullptr;
  std::vector<PagePoint> points;
  for (const SmoothPoint& p : SmoothStroke(raw)) {
    auto mapped = ToPage(screen, p.x, p.y);
    if (!mapped) return nullptr;
    points.push_back(*mapped);
  }
  ScopedPageObject owned = PathThrough(g_engine, points);
  FPDF_PAGEOBJECT path = owned.get();
  if (path == nullptr) return nullptr;
  bool ok = true;
  if (g_engine.FPDFPageObj_SetLineCap != nullptr) ok = ok && g_engine.FPDFPageObj_SetLineCap(path, 1);
  if (g_engine.FPDFPageObj_SetLineJoin != nullptr) ok = ok && g_engine.FPDFPageObj_SetLineJoin(path, 1);
  if (!ok) return nullptr;
  bool committed = false;
  return FinishPathObject(std::move(owned), pen, u"曲线已添加", committed) ? path : nullptr;
}

bool AppendArrowHead(const PdfOps& ops, FPDF_PAGEOBJECT path, PagePoint start, PagePoint end, float penWidth) {
  float dx = end.x - start.x, dy = end.y - start.y;
  float length = std::hypot(dx, dy);
  if (!(length > 0.0001f)) return false;
  dx /= length;
  dy /= length;
  float head = std::min(std::max(10.0f, 4 * penWidth), length / 2);
  float half = 0.45f * head;
  PagePoint base{end.x - head * dx, end.y - head * dy};
  return ops.FPDFPath_LineTo(path, base.x - half * dy, base.y + half * dx) && ops.FPDFPath_LineTo(path, end.x, end.y) &&
         ops.FPDFPath_LineTo(path, base.x + half * dy, base.y - half * dx);
}

FPDF_PAGEOBJECT AddPagePath(const std::vector<PagePoint>& points, bool arrow, const PenStyle& pen,
                            const std::u16string& statusText, bool* committed) {
  if (points.size() < 2 || g_session.currentPage == nullptr) return nullptr;
  for (const PagePoint& p : points) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return nullptr;
  }
  if (arrow && !(std::hypot(points[1].x - points[0].x, points[1].y - points[0].y) > 0.0001f)) return nullptr;
  ScopedPageObject owned = PathThrough(g_engine, points);
  FPDF_PAGEOBJECT path = owned.get();
  if (path == nullptr) return nullptr;
  if (arrow && !AppendArrowHead(g_engine, path, points[0], points[1], pen.width)) return nullptr;
  bool regenerated = false;
  bool added = FinishPathObject(std::move(owned), pen, statusText, regenerated);
  if (committed != nullptr) *committed = regenerated;
  return added ? path : nullptr;
}

FPDF_PAGEOBJECT AddSegment(const ScreenMapping& screen, ScreenPoint start, ScreenPoint end, bool arrow, const PenStyle& pen,
                           float lengthTargetCm) {
  auto a = ToPage(screen, float(start.x), float(start.y));
  auto b = ToPage(screen, float(end.x), float(end.y));
  if (!a || !b) return nullptr;
  bool moved = std::abs(end.x - start.x) >= 3 || std::abs(end.y - start.y) >= 3;
  if (!(lengthTargetCm > 0) && !moved) return nullptr;
  if (lengthTargetCm > 0) {
    float dx = b->x - a->x, dy = b->y - a->y;
    float length = std::hypot(dx, dy);
    if (length > 0) {
      dx /= length;
      dy /= length;
    } else {
      dx = 1;
      dy = 0;
    }
    float target = lengthTargetCm * kPointsPerCm;
    *b = {a->x + dx * target, a->y + dy * target};
  }
  return AddPagePath({*a, *b}, arrow, pen, arrow ? u"箭头已添加" : u"划线已添加");
}
