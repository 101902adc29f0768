#include "drawing/geometry_edits.h"

#include <algorithm>
#include <cmath>

#include "drawing/find_remove.h"
#include "drawing/shapes.h"
#include "engine/engine_handles.h"

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

std::optional<ScreenPoint> ToScreen(const ScreenMapping& screen, PagePoint p) {
  float x, y;
  MapToScreen(screen, p.x, p.y, x, y);
  if (!std::isfinite(x) || !std::isfinite(y)) return std::nullopt;
  return ScreenPoint{int(std::lround(x)), int(std::lround(y))};
}

// How much the object's matrix scales lengths (its stroke is drawn under it).
double MatrixScale(FPDF_PAGEOBJECT object, const PdfOps& ops) {
  FS_MATRIX m;
  if (!ReadObjectMatrix(object, ops, m)) return 1;
  double scale = std::sqrt(std::fabs(double(m.a) * m.d - double(m.b) * m.c));
  return std::isfinite(scale) && scale > 0 ? scale : 1;
}

// Replaces a labelled triangle or rectangle by a closed path through `vertices`, keeping its
// colour, width, mark and label number.
EditResult ReplaceShape(const PdfOps& ops, const LabelContext& ctx, FPDF_PAGEOBJECT old, MarkKind kind,
                        const std::vector<PagePoint>& vertices) {
  EditResult result;
  auto name = MarkedShapeName(old, ops, kind);
  unsigned r, g, b, a;
  std::optional<float> width = ReadPageStrokeWidth(old, ops);
  if (!name || !width || !ops.FPDFPageObj_GetStrokeColor(old, &r, &g, &b, &a)) return result;
  ScopedPageObject owned(ops.FPDFPageObj_CreateNewPath(vertices[0].x, vertices[0].y));
  FPDF_PAGEOBJECT path = owned.get();
  if (path == nullptr) return result;
  bool ok = true;
  for (size_t i = 1; i <= vertices.size() && ok; ++i) {
    const PagePoint& p = vertices[i % vertices.size()];
    ok = ops.FPDFPath_LineTo(path, p.x, p.y);
  }
  if (ok && ops.FPDFPath_Close) ok = ops.FPDFPath_Close(path);  // a joined first corner, not a notch
  ok = ok && ops.FPDFPageObj_SetStrokeColor(path, r, g, b, a) && ops.FPDFPageObj_SetStrokeWidth(path, *width) &&
       ops.FPDFPath_SetDrawMode(path, 0, 1) && CopyOwnMarks(old, path, ops);
  if (!ok) return result;
  // Takes the new path and labels off again; the page is back only when all of them went and
  // the content was regenerated.
  auto rollback = [&](const std::vector<FPDF_PAGEOBJECT>& newLabels, bool pathOnPage) {
    bool removed = RemoveObjects(ctx.page, newLabels, ops);
    if (pathOnPage) removed = RemoveObjects(ctx.page, {path}, ops) && removed;
    result.rollbackCommitted = ops.FPDFPage_GenerateContent(ctx.page) != 0 && removed;
    return result;
  };
  if (!InsertChecked(ctx.page, owned.release(), ops)) return rollback({}, false);
  auto oldLabels = LabelsOfShape(ctx.page, old, ops, kind, *name);
  std::vector<ScreenPoint> screen;
  for (const PagePoint& p : vertices) {
    auto s = ToScreen(ctx.screen, p);
    if (!s) return rollback({}, true);
    screen.push_back(*s);
  }
  LabelSetResult labels = CreateLabelSet(ops, ctx, *name, screen);
  if (!labels.ok) return rollback(labels.labels, true);
  if (!ops.FPDFPage_RemoveObject(ctx.page, old)) return rollback(labels.labels, true);
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

// The corners top-left first, clockwise as the page is shown. Saving writes a rectangle
// again starting along page x, which on a turned page is another corner and direction than
// the one its labels a–d were placed in.
std::array<PagePoint, 4> InScreenOrder(const PageFrame& frame, const std::array<PagePoint, 4>& v) {
  std::array<PagePoint, 4> shown;  // x to the right, y up
  for (size_t i = 0; i < 4; ++i) shown[i] = PageToDisplayed(frame, v[i].x, v[i].y);
  size_t first = 0;
  for (size_t i = 1; i < 4; ++i) {
    if (shown[i].x - shown[i].y < shown[first].x - shown[first].y) first = i;
  }
  const PagePoint& next = shown[(first + 1) % 4];
  bool forward = next.x - shown[first].x > std::fabs(next.y - shown[first].y);  // the next corner is to the right
  std::array<PagePoint, 4> ordered;
  for (size_t i = 0; i < 4; ++i) ordered[i] = v[forward ? (first + i) % 4 : (first + 4 - i) % 4];
  return ordered;
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

std::optional<std::array<PagePoint, 4>> RectangleVertices(FPDF_PAGEOBJECT object, const PdfOps& ops, const PageFrame& frame) {
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
  return InScreenOrder(frame, v);
}

std::optional<std::array<double, 3>> TriangleSides(FPDF_PAGEOBJECT object, const PdfOps& ops) {
  auto v = TriangleVertices(object, ops);
  if (!v) return std::nullopt;
  std::array<double, 3> sides{};
  for (int i = 0; i < 3; ++i) sides[size_t(i)] = Length((*v)[size_t(i)], (*v)[size_t((i + 1) % 3)]) * kCmPerPoint;
  return sides;
}

std::optional<std::array<double, 4>> RectangleSides(FPDF_PAGEOBJECT object, const PdfOps& ops, const PageFrame& frame) {
  auto v = RectangleVertices(object, ops, frame);
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
  auto v = RectangleVertices(rectangle, ops, ctx.screen.frame);
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
    auto p = MapToPage(ctx.screen, float(c.x), float(c.y));
    if (!p) return {};
    vertices.push_back(*p);
  }
  return ReplaceShape(ops, ctx, rectangle, MarkKind::Rectangle, vertices);
}

std::optional<PolylineLength> MeasurePolyline(FPDF_PAGEOBJECT object, const PdfOps& ops) {
  // An arrow's length is its shaft: the head is drawn at the end, not walked along.
  if (auto arrow = RecogniseStraightSegment(object, ops); arrow && arrow->arrow) {
    double shaft = Length(arrow->start, arrow->end);
    if (!std::isfinite(shaft) || !(shaft > 0)) return std::nullopt;
    return PolylineLength{shaft, arrow->start};
  }
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

namespace {

// Scales a path in place about `anchor`; its stroke keeps its width on the page.
bool ScaleInPlace(const PdfOps& ops, FPDF_PAGEOBJECT object, PagePoint anchor, double s) {
  std::optional<float> width = ReadPageStrokeWidth(object, ops);
  if (!width) return false;
  ops.FPDFPageObj_Transform(object, s, 0, 0, s, (1 - s) * anchor.x, (1 - s) * anchor.y);
  return SetPageStrokeWidth(object, ops, *width);
}

// Replaces an arrow by one whose shaft is scaled about its start while its head keeps its
// size (shrunk only where it would be longer than half the new shaft). The new arrow takes
// the old one's place in the page's order, its colour, width and mark; nothing on failure,
// with the page as it was.
FPDF_PAGEOBJECT RebuildArrow(const PdfOps& ops, FPDF_PAGE page, FPDF_PAGEOBJECT old, const StraightSegment& arrow,
                             double s) {
  auto points = PathPoints(old, ops);
  unsigned r, g, b, a;
  std::optional<float> width = ReadPageStrokeWidth(old, ops);
  if (!points || points->size() != 5 || !width || !HasRebuildEntries(ops) || !ops.FPDFPage_InsertObjectAtIndex ||
      !ops.FPDFPageObj_GetStrokeColor(old, &r, &g, &b, &a)) {
    return nullptr;
  }
  int index = -1;
  for (int i = 0, n = ops.FPDFPage_CountObjects(page); i < n && index < 0; ++i) {
    if (ops.FPDFPage_GetObject(page, i) == old) index = i;
  }
  if (index < 0) return nullptr;
  PagePoint end{float(arrow.start.x + s * (arrow.end.x - arrow.start.x)),
                float(arrow.start.y + s * (arrow.end.y - arrow.start.y))};
  double head = Length((*points)[2].first, arrow.end);
  double fit = std::min(1.0, Length(arrow.start, end) / 2 / std::max(head, 1e-9));
  auto wing = [&](PagePoint w) {
    return PagePoint{float(end.x + fit * (w.x - arrow.end.x)), float(end.y + fit * (w.y - arrow.end.y))};
  };
  ScopedPageObject owned(ops.FPDFPageObj_CreateNewPath(arrow.start.x, arrow.start.y));
  FPDF_PAGEOBJECT path = owned.get();
  if (path == nullptr) return nullptr;
  PagePoint w1 = wing((*points)[2].first), w2 = wing((*points)[4].first);
  bool ok = ops.FPDFPath_LineTo(path, end.x, end.y) && ops.FPDFPath_LineTo(path, w1.x, w1.y) &&
            ops.FPDFPath_LineTo(path, end.x, end.y) && ops.FPDFPath_LineTo(path, w2.x, w2.y) &&
            ops.FPDFPageObj_SetStrokeColor(path, r, g, b, a) &&
            ops.FPDFPageObj_SetStrokeWidth(path, *width) &&
            ops.FPDFPath_SetDrawMode(path, 0, 1) && CopyOwnMarks(old, path, ops);
  if (!ok) return nullptr;
  int before = ops.FPDFPage_CountObjects(page);
  bool inserted = ops.FPDFPage_InsertObjectAtIndex(page, owned.release(), size_t(index)) &&
                  ops.FPDFPage_CountObjects(page) == before + 1 && ops.FPDFPage_GetObject(page, index) == path;
  if (!inserted) return nullptr;  // the page owns the path even when it refused it
  if (!ops.FPDFPage_RemoveObject(page, old)) {
    RemoveObjects(page, {path}, ops);
    return nullptr;
  }
  ops.FPDFPageObj_Destroy(old);
  return path;
}

}  // namespace

std::optional<float> ReadPageStrokeWidth(FPDF_PAGEOBJECT object, const PdfOps& ops) {
  float width = 0;
  if (object == nullptr || !ops.FPDFPageObj_GetStrokeWidth || !ops.FPDFPageObj_GetStrokeWidth(object, &width)) {
    return std::nullopt;
  }
  float onPage = float(width * MatrixScale(object, ops));
  if (!std::isfinite(onPage) || onPage < 0) return std::nullopt;
  return onPage;
}

bool SetPageStrokeWidth(FPDF_PAGEOBJECT object, const PdfOps& ops, float width) {
  float own = float(width / MatrixScale(object, ops));
  return object != nullptr && std::isfinite(own) && ops.FPDFPageObj_SetStrokeWidth &&
         ops.FPDFPageObj_SetStrokeWidth(object, own);
}

FPDF_PAGEOBJECT SetTotalLength(const PdfOps& ops, FPDF_PAGE page, FPDF_PAGEOBJECT object, double cm) {
  if (page == nullptr || object == nullptr || !std::isfinite(cm) || !(cm > 0) || !ops.FPDFPageObj_Transform) {
    return nullptr;
  }
  auto measured = MeasurePolyline(object, ops);
  if (!measured) return nullptr;
  auto segment = RecogniseStraightSegment(object, ops);
  auto lineName = MarkedShapeName(object, ops, MarkKind::Line);
  std::vector<FPDF_PAGEOBJECT> labels;
  if (lineName) {
    labels = LabelsOfShape(page, object, ops, MarkKind::Line, *lineName);
    if (!labels.empty() && labels.size() != 2) return nullptr;
  }
  double s = cm * 28.346456692913385 / measured->total;
  if (!std::isfinite(s) || !(s > 0) || s > 100000) return nullptr;
  FPDF_PAGEOBJECT scaled = object;
  if (segment && segment->arrow) {
    scaled = RebuildArrow(ops, page, object, *segment, s);
  } else if (!ScaleInPlace(ops, object, measured->first, s)) {
    scaled = nullptr;
  }
  if (scaled == nullptr) return nullptr;
  if (segment && labels.size() == 2) {
    auto after = RecogniseStraightSegment(scaled, ops);
    if (after) {
      ops.FPDFPageObj_Transform(labels[0], 1, 0, 0, 1, after->start.x - segment->start.x, after->start.y - segment->start.y);
      ops.FPDFPageObj_Transform(labels[1], 1, 0, 0, 1, after->end.x - segment->end.x, after->end.y - segment->end.y);
    }
  }
  return scaled;
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
    RemoveObjects(page, {added.object}, ops);
    ops.FPDFPage_GenerateContent(page);
    return result;
  }
  ops.FPDFPageObj_Destroy(point);
  if (g_pointLock && g_pointLock->point == point) g_pointLock->point = added.object;
  result.ok = true;
  result.object = added.object;
  result.committed = ops.FPDFPage_GenerateContent(page) != 0;
  return result;
}

std::optional<PointLock> g_pointLock;

std::optional<PointLock> LockPointToSegment(const PdfOps& ops, FPDF_PAGE page, const ScreenMapping& screen,
                                            FPDF_PAGEOBJECT point) {
  auto geometry = ReadPointGeometry(point, ops);
  if (!geometry || page == nullptr || !ops.FPDFPage_CountObjects || !ops.FPDFPage_GetObject) return std::nullopt;
  float cx, cy;
  MapToScreen(screen, geometry->centre.x, geometry->centre.y, cx, cy);
  std::optional<PointLock> best;
  double bestDistance = 14;
  for (int i = ops.FPDFPage_CountObjects(page) - 1; i >= 0; --i) {
    FPDF_PAGEOBJECT object = ops.FPDFPage_GetObject(page, i);
    if (object == point) continue;
    auto segment = RecogniseStraightSegment(object, ops, screen);
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
