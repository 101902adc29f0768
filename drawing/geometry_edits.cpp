#include "drawing/geometry_edits.h"

#include <algorithm>
#include <cmath>

#include "drawing/find_remove.h"
#include "drawing/shapes.h"

namespace {

double Length(PagePoint a, PagePoint b) { return std::hypot(double(b.x - a.x), double(b.y - a.y)); }

// Points of a path (after its matrix) when every segment is a move-to or line-to.
std::optional<std::vector<std::pair<PagePoint, int>>> PathPoints(FPDF_PAGEOBJECT object, const PdfOps& ops,
                                                                std::vector<bool>* closes = nullptr) {
  if (object == nullptr || !ops.FPDFPageObj_GetType || !ops.FPDFPath_CountSegments || !ops.FPDFPath_GetPathSegment ||
      !ops.FPDFPathSegment_GetPoint || !ops.FPDFPathSegment_GetType || !ops.FPDFPathSegment_GetClose ||
      ops.FPDFPageObj_GetType(object) != kPageObjPath) {
    return std::nullopt;
  }
  FS_MATRIX matrix;
  if (!ReadObjectMatrix(object, ops, matrix)) return std::nullopt;
  int count = ops.FPDFPath_CountSegments(object);
  if (count < 1) return std::nullopt;
  std::vector<std::pair<PagePoint, int>> points;
  for (int i = 0; i < count; ++i) {
    FPDF_PATHSEGMENT segment = ops.FPDFPath_GetPathSegment(object, i);
    PagePoint p;
    if (segment == nullptr || !ops.FPDFPathSegment_GetPoint(segment, &p.x, &p.y)) return std::nullopt;
    PagePoint t = Transform(matrix, p.x, p.y);
    if (!std::isfinite(t.x) || !std::isfinite(t.y)) return std::nullopt;
    points.push_back({t, ops.FPDFPathSegment_GetType(segment)});
    if (closes != nullptr) closes->push_back(ops.FPDFPathSegment_GetClose(segment) != 0);
  }
  return points;
}

bool Near(PagePoint a, PagePoint b) { return std::fabs(a.x - b.x) <= 0.01f && std::fabs(a.y - b.y) <= 0.01f; }

bool HasRebuildEntries(const PdfOps& ops) {
  return ops.FPDFPageObj_CreateTextObj && ops.FPDFText_SetText && ops.FPDFPageObj_SetFillColor &&
         ops.FPDFPageObj_Transform && ops.FPDFPage_InsertObject && ops.FPDFPage_RemoveObject &&
         ops.FPDFPage_GenerateContent && ops.FPDFPageObj_Destroy && ops.FPDFPageObj_GetType &&
         ops.FPDFPage_CountObjects && ops.FPDFPage_GetObject && ops.FPDFPageObj_CountMarks && ops.FPDFPageObj_GetMark &&
         ops.FPDFPageObj_AddMark && ops.FPDFPageObjMark_GetName && ops.FPDFPath_CountSegments &&
         ops.FPDFPath_GetPathSegment && ops.FPDFPathSegment_GetPoint && ops.FPDFPathSegment_GetType &&
         ops.FPDFPathSegment_GetClose && ops.FPDFPageObj_GetMatrix && ops.FPDFPageObj_GetStrokeColor &&
         ops.FPDFPageObj_GetStrokeWidth && ops.FPDFPageObj_CreateNewPath && ops.FPDFPath_LineTo &&
         ops.FPDFPageObj_SetStrokeColor && ops.FPDFPageObj_SetStrokeWidth && ops.FPDFPath_SetDrawMode;
}

std::optional<ScreenPoint> ToScreen(PagePoint p) {
  float x, y;
  PageToScreen(p.x, p.y, x, y);
  if (!std::isfinite(x) || !std::isfinite(y)) return std::nullopt;
  return ScreenPoint{int(std::lround(x)), int(std::lround(y))};
}

// Replaces a labelled triangle or rectangle by a closed path through `vertices`, keeping its
// colour, width, mark and label number.
EditResult ReplaceShape(const PdfOps& ops, const LabelContext& ctx, FPDF_PAGEOBJECT old, MarkKind kind,
                        const std::vector<PagePoint>& vertices) {
  EditResult result;
  auto name = MarkedShapeName(old, ops, kind);
  unsigned r, g, b, a;
  float width = 0;
  if (!name || !ops.FPDFPageObj_GetStrokeColor(old, &r, &g, &b, &a) || !ops.FPDFPageObj_GetStrokeWidth(old, &width)) {
    return result;
  }
  FPDF_PAGEOBJECT path = ops.FPDFPageObj_CreateNewPath(vertices[0].x, vertices[0].y);
  if (path == nullptr) return result;
  bool ok = true;
  for (size_t i = 1; i <= vertices.size() && ok; ++i) {
    const PagePoint& p = vertices[i % vertices.size()];
    ok = ops.FPDFPath_LineTo(path, p.x, p.y);
  }
  ok = ok && ops.FPDFPageObj_SetStrokeColor(path, r, g, b, a) && ops.FPDFPageObj_SetStrokeWidth(path, width) &&
       ops.FPDFPath_SetDrawMode(path, 0, 1) && ops.FPDFPageObj_AddMark(path, name->c_str()) != nullptr;
  if (!ok) {
    ops.FPDFPageObj_Destroy(path);
    return result;
  }
  auto rollback = [&](const std::vector<FPDF_PAGEOBJECT>& newLabels) {
    RemoveObjects(ctx.page, newLabels, ops);
    if (ops.FPDFPage_RemoveObject(ctx.page, path)) ops.FPDFPageObj_Destroy(path);
    result.rollbackCommitted = ops.FPDFPage_GenerateContent(ctx.page) != 0;
    return result;
  };
  if (!InsertChecked(ctx.page, path, ops)) return rollback({});
  auto oldLabels = LabelsOfShape(ctx.page, old, ops, kind, *name);
  std::vector<ScreenPoint> screen;
  for (const PagePoint& p : vertices) {
    auto s = ToScreen(p);
    if (!s) return rollback({});
    screen.push_back(*s);
  }
  LabelSetResult labels = CreateLabelSet(ops, ctx, *name, screen);
  if (!labels.ok) return rollback({});
  if (!ops.FPDFPage_RemoveObject(ctx.page, old)) return rollback(labels.labels);
  ops.FPDFPageObj_Destroy(old);
  result.ok = true;
  result.newObject = path;
  result.oldLabelsRemoved = RemoveObjects(ctx.page, oldLabels, ops);
  return result;
}

bool EditAllowed(const LabelContext& ctx, FPDF_PAGEOBJECT shape, double cm) {
  return ctx.document != nullptr && ctx.page != nullptr && ctx.font != nullptr && shape != nullptr &&
         std::isfinite(cm) && cm >= 0.01 && cm <= 10000;
}

}  // namespace

std::optional<std::array<PagePoint, 3>> TriangleVertices(FPDF_PAGEOBJECT object, const PdfOps& ops) {
  std::vector<bool> closes;
  auto points = PathPoints(object, ops, &closes);
  if (!points) return std::nullopt;
  size_t n = points->size();
  if (n != 3 && n != 4) return std::nullopt;
  if ((*points)[0].second != kSegmentMoveTo) return std::nullopt;
  for (size_t i = 1; i < n; ++i) {
    if ((*points)[i].second != kSegmentLineTo) return std::nullopt;
  }
  if (n == 3 && !closes[2]) return std::nullopt;
  if (n == 4 && !Near((*points)[3].first, (*points)[0].first)) return std::nullopt;
  return std::array<PagePoint, 3>{(*points)[0].first, (*points)[1].first, (*points)[2].first};
}

std::optional<std::array<PagePoint, 4>> RectangleVertices(FPDF_PAGEOBJECT object, const PdfOps& ops) {
  auto points = PathPoints(object, ops);
  if (!points) return std::nullopt;
  size_t n = points->size();
  if (n != 4 && n != 5) return std::nullopt;
  if ((*points)[0].second != kSegmentMoveTo) return std::nullopt;
  for (size_t i = 1; i < n; ++i) {
    if ((*points)[i].second != kSegmentLineTo) return std::nullopt;
  }
  if (n == 5 && !Near((*points)[4].first, (*points)[0].first)) return std::nullopt;
  std::array<PagePoint, 4> v{(*points)[0].first, (*points)[1].first, (*points)[2].first, (*points)[3].first};
  for (int i = 0; i < 4; ++i) {
    const PagePoint& p = v[size_t(i)];
    const PagePoint& q = v[size_t((i + 1) % 4)];
    if (std::fabs(p.x - q.x) > 0.01f && std::fabs(p.y - q.y) > 0.01f) return std::nullopt;
  }
  return v;
}

std::optional<std::array<double, 3>> TriangleSides(FPDF_PAGEOBJECT object, const PdfOps& ops) {
  auto v = TriangleVertices(object, ops);
  if (!v) return std::nullopt;
  std::array<double, 3> sides{};
  for (int i = 0; i < 3; ++i) sides[size_t(i)] = Length((*v)[size_t(i)], (*v)[size_t((i + 1) % 3)]) * kCmPerPoint;
  return sides;
}

std::optional<std::array<double, 4>> RectangleSides(FPDF_PAGEOBJECT object, const PdfOps& ops) {
  auto v = RectangleVertices(object, ops);
  if (!v) return std::nullopt;
  std::array<double, 4> sides{};
  for (int i = 0; i < 4; ++i) sides[size_t(i)] = Length((*v)[size_t(i)], (*v)[size_t((i + 1) % 4)]) * kCmPerPoint;
  return sides;
}

EditResult SetTriangleSide(const PdfOps& ops, const LabelContext& ctx, FPDF_PAGEOBJECT triangle, int side, double cm) {
  if (!EditAllowed(ctx, triangle, cm) || side < 0 || side > 2 || !HasRebuildEntries(ops)) return {};
  auto v = TriangleVertices(triangle, ops);
  auto sides = TriangleSides(triangle, ops);
  if (!v || !sides || !MarkedShapeName(triangle, ops, MarkKind::Triangle)) return {};
  for (double s : *sides) {
    if (!std::isfinite(s) || !(s > 0)) return {};
  }
  double k = cm / (*sides)[size_t(side)];
  if (!std::isfinite(k) || !(k > 0.000001) || k > 10000) return {};
  PagePoint anchor = (*v)[size_t((side + 2) % 3)];
  std::vector<PagePoint> scaled;
  for (const PagePoint& p : *v) {
    scaled.push_back({float(anchor.x + k * (p.x - anchor.x)), float(anchor.y + k * (p.y - anchor.y))});
  }
  return ReplaceShape(ops, ctx, triangle, MarkKind::Triangle, scaled);
}

EditResult SetRectangleSide(const PdfOps& ops, const LabelContext& ctx, FPDF_PAGEOBJECT rectangle, int side, double cm) {
  if (!EditAllowed(ctx, rectangle, cm) || side < 0 || side > 3 || !HasRebuildEntries(ops)) return {};
  auto v = RectangleVertices(rectangle, ops);
  if (!v || !MarkedShapeName(rectangle, ops, MarkKind::Rectangle)) return {};
  // The side keeps its first vertex; its second vertex and the next one move along the side,
  // so the edit reads the same on screen whichever way the page is turned.
  const PagePoint& first = (*v)[size_t(side)];
  const PagePoint& second = (*v)[size_t((side + 1) % 4)];
  double current = Length(first, second);
  double target = cm / kCmPerPoint;
  if (!(current > 0.0001) || !std::isfinite(target)) return {};
  double k = target / current;
  PagePoint shift{float((second.x - first.x) * (k - 1)), float((second.y - first.y) * (k - 1))};
  std::vector<PagePoint> moved(v->begin(), v->end());
  for (size_t i : {size_t((side + 1) % 4), size_t((side + 2) % 4)}) {
    moved[i].x += shift.x;
    moved[i].y += shift.y;
  }
  return ReplaceShape(ops, ctx, rectangle, MarkKind::Rectangle, moved);
}

std::optional<std::array<ScreenPoint, 4>> CornerDragBox(const std::array<ScreenPoint, 4>& corners, int index,
                                                         ScreenPoint pointer, const IntRect& pageRect) {
  if (index < 0 || index > 3 || pageRect.Width() < 3 || pageRect.Height() < 3) return std::nullopt;
  ScreenPoint fixed = corners[size_t((index + 2) % 4)];
  ScreenPoint dragged = corners[size_t(index)];
  int x = std::clamp(pointer.x, pageRect.left, pageRect.right);
  int y = std::clamp(pointer.y, pageRect.top, pageRect.bottom);
  x = dragged.x >= fixed.x ? std::max(x, fixed.x + 3) : std::min(x, fixed.x - 3);
  y = dragged.y >= fixed.y ? std::max(y, fixed.y + 3) : std::min(y, fixed.y - 3);
  int left = std::min(x, fixed.x), right = std::max(x, fixed.x);
  int top = std::min(y, fixed.y), bottom = std::max(y, fixed.y);
  return std::array<ScreenPoint, 4>{ScreenPoint{left, top}, {right, top}, {right, bottom}, {left, bottom}};
}

EditResult RebuildRectangle(const PdfOps& ops, const LabelContext& ctx, FPDF_PAGEOBJECT rectangle,
                            const std::array<ScreenPoint, 4>& corners) {
  if (ctx.page == nullptr || ctx.font == nullptr || rectangle == nullptr || !HasRebuildEntries(ops)) return {};
  std::vector<PagePoint> vertices;
  for (const ScreenPoint& c : corners) {
    auto p = ScreenToPageUnclamped(float(c.x), float(c.y));
    if (!p) return {};
    vertices.push_back(*p);
  }
  return ReplaceShape(ops, ctx, rectangle, MarkKind::Rectangle, vertices);
}

std::optional<PolylineLength> MeasurePolyline(FPDF_PAGEOBJECT object, const PdfOps& ops) {
  std::vector<bool> closes;
  auto points = PathPoints(object, ops, &closes);
  if (!points || points->size() < 2) return std::nullopt;
  double total = 0;
  PagePoint subpathStart = (*points)[0].first;
  for (size_t i = 0; i < points->size(); ++i) {
    auto [p, type] = (*points)[i];
    if (type != kSegmentMoveTo && type != kSegmentLineTo) return std::nullopt;
    if (type == kSegmentMoveTo) {
      subpathStart = p;
    } else {
      total += Length((*points)[i - 1].first, p);
    }
    if (closes[i]) total += Length(p, subpathStart);
  }
  if (!std::isfinite(total) || !(total > 0)) return std::nullopt;
  return PolylineLength{total, (*points)[0].first};
}

bool SetTotalLength(const PdfOps& ops, FPDF_PAGE page, FPDF_PAGEOBJECT object, double cm) {
  if (page == nullptr || object == nullptr || !std::isfinite(cm) || !(cm > 0) || !ops.FPDFPageObj_Transform) return false;
  auto measured = MeasurePolyline(object, ops);
  if (!measured) return false;
  auto lineName = MarkedShapeName(object, ops, MarkKind::Line);
  std::optional<StraightSegment> before;
  std::vector<FPDF_PAGEOBJECT> labels;
  if (lineName) {
    before = RecogniseStraightSegment(object, ops);
    labels = LabelsOfShape(page, object, ops, MarkKind::Line, *lineName);
    if (!labels.empty() && labels.size() != 2) return false;
  }
  double s = cm * 28.346456692913385 / measured->total;
  if (!std::isfinite(s) || !(s > 0) || s > 100000) return false;
  PagePoint p = measured->first;
  ops.FPDFPageObj_Transform(object, s, 0, 0, s, (1 - s) * p.x, (1 - s) * p.y);
  if (before && labels.size() == 2) {
    auto after = RecogniseStraightSegment(object, ops);
    if (after) {
      ops.FPDFPageObj_Transform(labels[0], 1, 0, 0, 1, after->start.x - before->start.x, after->start.y - before->start.y);
      ops.FPDFPageObj_Transform(labels[1], 1, 0, 0, 1, after->end.x - before->end.x, after->end.y - before->end.y);
    }
  }
  return true;
}

std::optional<PointGeometry> ReadPointGeometry(FPDF_PAGEOBJECT object, const PdfOps& ops) {
  if (!FindMark(object, ops, MarkKind::Point)) return std::nullopt;
  auto points = PathPoints(object, ops);
  if (!points || (points->size() != 48 && points->size() != 49)) return std::nullopt;
  float left = (*points)[0].first.x, right = left, bottom = (*points)[0].first.y, top = bottom;
  for (size_t i = 0; i < 48; ++i) {
    const PagePoint& p = (*points)[i].first;
    left = std::min(left, p.x);
    right = std::max(right, p.x);
    bottom = std::min(bottom, p.y);
    top = std::max(top, p.y);
  }
  PointGeometry geometry;
  geometry.centre = {(left + right) / 2, (bottom + top) / 2};
  for (size_t i = 0; i < 48; ++i) geometry.radius = std::max(geometry.radius, float(Length(geometry.centre, (*points)[i].first)));
  if (!std::isfinite(geometry.radius) || !(geometry.radius > 0)) return std::nullopt;
  return geometry;
}

std::optional<PointProperties> ReadPointProperties(FPDF_PAGEOBJECT object, const PdfOps& ops) {
  auto geometry = ReadPointGeometry(object, ops);
  if (!geometry) return std::nullopt;
  PointProperties properties;
  properties.size = geometry->radius * 2;
  if (!(properties.size >= 1 && properties.size <= 100)) return std::nullopt;
  unsigned r = 0, g = 0, b = 0, a = 0;
  bool read = ops.FPDFPageObj_GetFillColor != nullptr && ops.FPDFPageObj_GetFillColor(object, &r, &g, &b, &a);
  if (!read && ops.FPDFPageObj_GetStrokeColor != nullptr) read = ops.FPDFPageObj_GetStrokeColor(object, &r, &g, &b, &a);
  if (!read) return std::nullopt;
  properties.colour = r | g << 8 | b << 16;
  return properties;
}

PointResize ResizePoint(const PdfOps& ops, FPDF_PAGE page, FPDF_PAGEOBJECT point, float size, uint32_t colour) {
  PointResize result;
  if (!std::isfinite(size) || size < 1 || size > 100 || !ops.FPDFPage_RemoveObject || !ops.FPDFPageObj_Destroy) {
    return result;
  }
  auto geometry = ReadPointGeometry(point, ops);
  auto name = FindMark(point, ops, MarkKind::Point);
  if (!geometry || !name) return result;
  // AddPoint doubles its size into a diameter: half the wanted diameter goes in.
  PointAdd added = AddPoint(ops, page, geometry->centre, size / 2, colour, *name);
  if (!added.added) return result;
  if (!ops.FPDFPage_RemoveObject(page, point)) {
    if (ops.FPDFPage_RemoveObject(page, added.object)) ops.FPDFPageObj_Destroy(added.object);
    ops.FPDFPage_GenerateContent(page);
    return result;
  }
  ops.FPDFPageObj_Destroy(point);
  result.ok = true;
  result.object = added.object;
  result.committed = ops.FPDFPage_GenerateContent(page) != 0;
  return result;
}

std::optional<PointLock> LockPointToSegment(const PdfOps& ops, FPDF_PAGE page, FPDF_PAGEOBJECT point) {
  auto geometry = ReadPointGeometry(point, ops);
  if (!geometry || page == nullptr || !ops.FPDFPage_CountObjects || !ops.FPDFPage_GetObject) return std::nullopt;
  float cx, cy;
  PageToScreen(geometry->centre.x, geometry->centre.y, cx, cy);
  std::optional<PointLock> best;
  double bestDistance = 14;
  for (int i = ops.FPDFPage_CountObjects(page) - 1; i >= 0; --i) {
    FPDF_PAGEOBJECT object = ops.FPDFPage_GetObject(page, i);
    if (object == point) continue;
    auto segment = RecogniseStraightSegment(object, ops);
    if (!segment) continue;
    double ax = segment->screenStart.x, ay = segment->screenStart.y;
    double bx = segment->screenEnd.x - ax, by = segment->screenEnd.y - ay;
    double lengthSquared = bx * bx + by * by;
    double t = lengthSquared > 0 ? std::clamp(((cx - ax) * bx + (cy - ay) * by) / lengthSquared, 0.0, 1.0) : 0;
    double distance = std::hypot(cx - (ax + t * bx), cy - (ay + t * by));
    if (distance < bestDistance) {
      bestDistance = distance;
      best = PointLock{point, object, segment->start, segment->end};
    }
  }
  return best;
}

std::optional<PagePoint> ConstrainedOffset(const PointLock& lock, PagePoint startPointer, PagePoint startCentre,
                                           PagePoint pointer, PagePoint currentCentre) {
  double abx = lock.b.x - lock.a.x, aby = lock.b.y - lock.a.y;
  double lengthSquared = abx * abx + aby * aby;
  if (!(lengthSquared > 0)) return std::nullopt;
  double desiredX = startCentre.x + (pointer.x - startPointer.x);
  double desiredY = startCentre.y + (pointer.y - startPointer.y);
  double t = std::clamp(((desiredX - lock.a.x) * abx + (desiredY - lock.a.y) * aby) / lengthSquared, 0.0, 1.0);
  return PagePoint{float(lock.a.x + t * abx - currentCentre.x), float(lock.a.y + t * aby - currentCentre.y)};
}
