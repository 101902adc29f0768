#include "editing/drawn_objects.h"

#include <algorithm>
#include <cmath>

#include "document/session.h"
#include "drawing/coordinate_system.h"
#include "drawing/geometry_edits.h"
#include "view/page_view.h"

namespace {

std::optional<ScreenPoint> Rounded(float x, float y) {
  if (!std::isfinite(x) || !std::isfinite(y)) return std::nullopt;
  return ScreenPoint{int(std::lround(x)), int(std::lround(y))};
}

std::optional<ScreenPoint> PageToScreenPoint(PagePoint p) {
  float x, y;
  PageToScreen(p.x, p.y, x, y);
  return Rounded(x, y);
}

// The 48 outline points of an ellipse: a move-to, 48 line-tos, the last back at the start.
bool IsEllipseOutline(FPDF_PAGEOBJECT object, const PdfOps& ops) {
  if (ops.FPDFPath_CountSegments(object) != 49) return false;
  PagePoint first, last;
  for (int i = 0; i < 49; ++i) {
    FPDF_PATHSEGMENT segment = ops.FPDFPath_GetPathSegment(object, i);
    if (segment == nullptr || ops.FPDFPathSegment_GetType(segment) != (i == 0 ? kSegmentMoveTo : kSegmentLineTo)) {
      return false;
    }
    PagePoint p;
    if (!ops.FPDFPathSegment_GetPoint(segment, &p.x, &p.y)) return false;
    (i == 0 ? first : last) = p;
  }
  return std::fabs(first.x - last.x) <= 0.01f && std::fabs(first.y - last.y) <= 0.01f;
}

}  // namespace

bool IsImageBackground(FPDF_PAGEOBJECT object, const PdfOps& ops) {
  if (!HasMarkNamed(object, ops, kImageBackgroundMark)) return false;
  // A background only while a picture stands on it: left alone (its picture cut, deleted or
  // moved away) it is an ordinary rectangle that can be selected and removed.
  FPDF_PAGE page = g_session.currentPage;
  float left, bottom, right, top;
  if (page == nullptr || !ops.FPDFPageObj_GetBounds || !ops.FPDFPage_CountObjects || !ops.FPDFPage_GetObject ||
      !ops.FPDFPageObj_GetType || !ops.FPDFPageObj_GetBounds(object, &left, &bottom, &right, &top)) {
    return true;
  }
  constexpr float kSameEdge = 0.5f;  // points
  for (int i = ops.FPDFPage_CountObjects(page) - 1; i >= 0; --i) {
    FPDF_PAGEOBJECT other = ops.FPDFPage_GetObject(page, i);
    float l, b, r, t;
    if (other != nullptr && ops.FPDFPageObj_GetType(other) == kPageObjImage &&
        ops.FPDFPageObj_GetBounds(other, &l, &b, &r, &t) && std::fabs(l - left) <= kSameEdge &&
        std::fabs(b - bottom) <= kSameEdge && std::fabs(r - right) <= kSameEdge && std::fabs(t - top) <= kSameEdge) {
      return true;
    }
  }
  return false;
}

DrawnKind ClassifyDrawnObject(FPDF_PAGEOBJECT object, const PdfOps& ops) {
  if (object == nullptr || !ops.FPDFPageObj_GetType || ops.FPDFPageObj_GetType(object) != kPageObjPath) {
    return DrawnKind::NotPath;
  }
  if (FindCoordinateSystem(object, ops) != 0) return DrawnKind::CoordinateSystem;
  if (FindMark(object, ops, MarkKind::Point)) return DrawnKind::Point;
  if (RecogniseStraightSegment(object, ops)) return DrawnKind::Line;
  if (TriangleVertices(object, ops)) return DrawnKind::Triangle;
  if (RectangleVertices(object, ops, PageFrame{})) return DrawnKind::Rectangle;  // the corners' order does not matter here
  if (ops.FPDFPath_CountSegments && ops.FPDFPath_GetPathSegment && ops.FPDFPathSegment_GetType &&
      ops.FPDFPathSegment_GetPoint && IsEllipseOutline(object, ops)) {
    return DrawnKind::Ellipse;
  }
  return DrawnKind::Other;
}

bool IsGeometryShape(DrawnKind kind) {
  return kind == DrawnKind::Triangle || kind == DrawnKind::Rectangle || kind == DrawnKind::Ellipse;
}

bool IsStrokeOnlyPath(FPDF_PAGEOBJECT object, const PdfOps& ops) {
  int fill = -1;
  FPDF_BOOL stroke = 0;
  return object != nullptr && ops.FPDFPath_GetDrawMode && ops.FPDFPath_GetDrawMode(object, &fill, &stroke) &&
         fill == kFillNone && stroke != 0;
}

bool MayBeOwnDrawing(FPDF_PAGEOBJECT object, const PdfOps& ops, DrawnKind kind) {
  if (kind == DrawnKind::CoordinateSystem || kind == DrawnKind::Point) return true;  // found by their marks
  for (MarkKind mark : {MarkKind::Line, MarkKind::Rectangle, MarkKind::Triangle}) {
    if (FindMark(object, ops, mark)) return true;
  }
  return (kind == DrawnKind::Ellipse || kind == DrawnKind::Other) && IsStrokeOnlyPath(object, ops);
}

std::optional<IntRect> ScreenRectOf(FPDF_PAGEOBJECT object, const PdfOps& ops) {
  return ScreenRectOf(object, ops, CurrentPageFrame());
}

std::optional<IntRect> ScreenRectOf(FPDF_PAGEOBJECT object, const PdfOps& ops, const PageFrame& frame) {
  float left, bottom, right, top;
  if (object == nullptr || !ops.FPDFPageObj_GetBounds || !ops.FPDFPageObj_GetBounds(object, &left, &bottom, &right, &top)) {
    return std::nullopt;
  }
  return ScreenRectOfBounds(left, bottom, right, top, frame);
}

std::optional<IntRect> ScreenRectOfBounds(float left, float bottom, float right, float top, const PageFrame& frame) {
  float minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
  for (PagePoint corner : {PagePoint{left, bottom}, PagePoint{right, bottom}, PagePoint{right, top}, PagePoint{left, top}}) {
    float x, y;
    PageToScreen(frame, corner.x, corner.y, x, y);
    if (!std::isfinite(x) || !std::isfinite(y)) return std::nullopt;
    minX = std::min(minX, x);
    minY = std::min(minY, y);
    maxX = std::max(maxX, x);
    maxY = std::max(maxY, y);
  }
  return IntRect{int(std::floor(minX)), int(std::floor(minY)), int(std::ceil(maxX)), int(std::ceil(maxY))};
}

ScreenOutline ScreenOutlineOf(FPDF_PAGEOBJECT object, const PdfOps& ops) {
  return ScreenOutlineOf(object, ops, CurrentPageFrame());
}

ScreenOutline ScreenOutlineOf(FPDF_PAGEOBJECT object, const PdfOps& ops, const PageFrame& frame) {
  ScreenOutline outline;
  if (object == nullptr || !ops.FPDFPath_CountSegments || !ops.FPDFPath_GetPathSegment || !ops.FPDFPathSegment_GetPoint ||
      !ops.FPDFPathSegment_GetType || !ops.FPDFPathSegment_GetClose) {
    return outline;
  }
  FS_MATRIX matrix;
  if (!ReadObjectMatrix(object, ops, matrix)) return outline;
  int count = ops.FPDFPath_CountSegments(object);
  float lastX = 0, lastY = 0, startX = 0, startY = 0;
  for (int i = 0; i < count; ++i) {
    FPDF_PATHSEGMENT segment = ops.FPDFPath_GetPathSegment(object, i);
    if (segment == nullptr) return outline;
    int type = ops.FPDFPathSegment_GetType(segment);
    if (type != kSegmentMoveTo && type != kSegmentLineTo) return outline;
    float px, py;
    if (!ops.FPDFPathSegment_GetPoint(segment, &px, &py)) return outline;
    PagePoint p = Transform(matrix, px, py);
    float x, y;
    PageToScreen(frame, p.x, p.y, x, y);
    if (!std::isfinite(x) || !std::isfinite(y)) return outline;
    outline.points.push_back({x, y, x, y});
    if (type == kSegmentMoveTo || i == 0) {
      startX = x;
      startY = y;
    } else {
      outline.segments.push_back({lastX, lastY, x, y});
    }
    if (ops.FPDFPathSegment_GetClose(segment)) outline.segments.push_back({x, y, startX, startY});
    lastX = x;
    lastY = y;
  }
  outline.complete = count > 0;
  return outline;
}

double DistanceToSegment(float x, float y, const ScreenSegment& s) {
  double dx = s.bx - s.ax, dy = s.by - s.ay;
  double lengthSquared = dx * dx + dy * dy;
  double t = lengthSquared > 0 ? std::clamp(((x - s.ax) * dx + (y - s.ay) * dy) / lengthSquared, 0.0, 1.0) : 0;
  return std::hypot(x - (s.ax + t * dx), y - (s.ay + t * dy));
}

std::optional<std::vector<ScreenPoint>> ShapeScreenPoints(FPDF_PAGEOBJECT object, const PdfOps& ops) {
  if (auto corners = RectangleVertices(object, ops, CurrentPageFrame())) {  // in the order its labels and handles use
    std::vector<ScreenPoint> points;
    for (const PagePoint& corner : *corners) {
      auto at = PageToScreenPoint(corner);
      if (!at) return std::nullopt;
      points.push_back(*at);
    }
    return points;
  }
  ScreenOutline outline = ScreenOutlineOf(object, ops);
  if (!outline.complete || outline.points.size() < 3) return std::nullopt;
  std::vector<ScreenPoint> points;
  for (const ScreenSegment& p : outline.points) points.push_back({int(std::lround(p.ax)), int(std::lround(p.ay))});
  // The explicit line back to the start is not a corner of its own.
  const ScreenSegment& first = outline.points.front();
  const ScreenSegment& last = outline.points.back();
  if (std::fabs(first.ax - last.ax) < 0.5f && std::fabs(first.ay - last.ay) < 0.5f) points.pop_back();
  return points;
}

std::vector<ControlPoint> ControlPointsOf(FPDF_PAGEOBJECT object, const PdfOps& ops, DrawnKind kind) {
  std::vector<ControlPoint> points;
  auto add = [&](int id, std::optional<ScreenPoint> at) {
    if (at) points.push_back({id, *at});
  };
  switch (kind) {
    case DrawnKind::Line:
      if (auto line = RecogniseStraightSegment(object, ops, CurrentScreenMapping())) {
        points = {{1, line->screenStart}, {2, line->screenEnd}};
      }
      break;
    case DrawnKind::Triangle:
      if (auto v = TriangleVertices(object, ops)) {
        for (int i = 0; i < 3; ++i) add(i + 1, PageToScreenPoint((*v)[size_t(i)]));
      }
      break;
    case DrawnKind::Rectangle:
      if (auto v = RectangleVertices(object, ops, CurrentPageFrame())) {
        for (int i = 0; i < 4; ++i) add(i + 1, PageToScreenPoint((*v)[size_t(i)]));
      }
      break;
    case DrawnKind::Ellipse:
      if (auto outline = ShapeScreenPoints(object, ops)) {
        int left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN;
        for (const ScreenPoint& p : *outline) {
          left = std::min(left, p.x);
          right = std::max(right, p.x);
          top = std::min(top, p.y);
          bottom = std::max(bottom, p.y);
        }
        int cx = (left + right) / 2, cy = (top + bottom) / 2;
        points = {{5, {left, cy}}, {6, {right, cy}}, {7, {cx, top}}, {8, {cx, bottom}}};
      }
      break;
    case DrawnKind::CoordinateSystem:
      if (auto handles = ReadControlPoints(object, ops)) {
        add(1, PageToScreenPoint(handles->origin));
        add(2, PageToScreenPoint(handles->unit));
      }
      break;
    default:
      break;
  }
  return points;
}
