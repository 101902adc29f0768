#include "drawing/line_tools.h"

#include <cmath>

#include "drawing/shapes.h"

std::optional<std::pair<ScreenPoint, ScreenPoint>> ClipToRectangle(ScreenPoint s, ScreenPoint e, const IntRect& rect,
                                                                    bool ray) {
  double tMin = ray ? 0 : -1e30, tMax = 1e30;
  double origin[2] = {double(s.x), double(s.y)};
  double direction[2] = {double(e.x - s.x), double(e.y - s.y)};
  double low[2] = {double(rect.left), double(rect.top)};
  double high[2] = {double(rect.right - 1), double(rect.bottom - 1)};
  for (int axis = 0; axis < 2; ++axis) {
    if (std::fabs(direction[axis]) < 1e-9) {
      if (origin[axis] < low[axis] || origin[axis] > high[axis]) return std::nullopt;
      continue;
    }
    double t1 = (low[axis] - origin[axis]) / direction[axis];
    double t2 = (high[axis] - origin[axis]) / direction[axis];
    if (t1 > t2) std::swap(t1, t2);
    tMin = std::max(tMin, t1);
    tMax = std::min(tMax, t2);
  }
  if (tMin > tMax) return std::nullopt;
  auto at = [&](double t) {
    return ScreenPoint{int(std::lround(origin[0] + t * direction[0])), int(std::lround(origin[1] + t * direction[1]))};
  };
  return std::make_pair(at(tMin), at(tMax));
}

std::optional<std::vector<PagePoint>> LineToolPoints(const LineToolInput& input) {
  ScreenPoint s = input.start, e = input.end;
  if (input.kind != LineToolKind::EqualVector && std::hypot(double(e.x - s.x), double(e.y - s.y)) < 3) {
    return std::nullopt;
  }
  if (input.kind == LineToolKind::StraightLine || input.kind == LineToolKind::Ray) {
    auto clipped = ClipToRectangle(s, e, input.screen.pageRect, input.kind == LineToolKind::Ray);
    if (!clipped) return std::nullopt;
    s = clipped->first;
    e = clipped->second;
  }
  auto a = MapToPage(input.screen, float(s.x), float(s.y));
  if (!a) return std::nullopt;
  PagePoint b;
  if (input.kind == LineToolKind::EqualVector) {
    if (!input.pickedOffset) return std::nullopt;
    b = {a->x + input.pickedOffset->x, a->y + input.pickedOffset->y};
  } else {
    auto mapped = MapToPage(input.screen, float(e.x), float(e.y));
    if (!mapped) return std::nullopt;
    b = *mapped;
    if (input.kind == LineToolKind::FixedLengthSegment) {
      double dx = b.x - a->x, dy = b.y - a->y;
      double length = std::hypot(dx, dy);
      if (length < 1e-6) return std::nullopt;
      double target = input.fixedLengthCm * 72.0 / 2.54;
      b = {float(a->x + dx / length * target), float(a->y + dy / length * target)};
    }
  }
  for (float v : {a->x, a->y, b.x, b.y}) {
    if (!std::isfinite(v)) return std::nullopt;
  }
  return std::vector<PagePoint>{*a, b};
}

std::optional<PagePoint> PickVector(FPDF_PAGEOBJECT object, const PdfOps& ops) {
  auto segment = RecogniseStraightSegment(object, ops);
  if (!segment || !segment->arrow) return std::nullopt;
  PagePoint offset{segment->end.x - segment->start.x, segment->end.y - segment->start.y};
  if (!(std::hypot(offset.x, offset.y) >= 0.0001f)) return std::nullopt;
  return offset;
}

PolylineAdd AddPolylineVertex(std::vector<PagePoint>& vertices, PagePoint p) {
  if (!vertices.empty() && std::fabs(vertices.back().x - p.x) <= 0.001f && std::fabs(vertices.back().y - p.y) <= 0.001f) {
    return PolylineAdd::Duplicate;
  }
  if (vertices.size() >= kMaxPolylineVertices) return PolylineAdd::TooMany;
  vertices.push_back(p);
  return PolylineAdd::Added;
}
