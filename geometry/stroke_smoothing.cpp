#include "geometry/stroke_smoothing.h"

#include <algorithm>
#include <cmath>

namespace {

// Boxes of the runs whose points changed from `firstChanged` on. A run's box also holds the
// next run's first point, so every segment lies inside some box.
void UpdateRunBoxes(SmoothedStroke& stroke, size_t firstChanged) {
  size_t firstRun = firstChanged > 0 ? (firstChanged - 1) / kSmoothRunLength : 0;
  size_t runs = (stroke.points.size() + kSmoothRunLength - 1) / kSmoothRunLength;
  stroke.runBoxes.resize(runs);
  for (size_t run = firstRun; run < runs; ++run) {
    size_t begin = run * kSmoothRunLength;
    size_t end = std::min(stroke.points.size(), begin + kSmoothRunLength + 1);
    PointRunBox box{stroke.points[begin].x, stroke.points[begin].y, stroke.points[begin].x, stroke.points[begin].y};
    for (size_t i = begin + 1; i < end; ++i) {
      box.left = std::min(box.left, stroke.points[i].x);
      box.top = std::min(box.top, stroke.points[i].y);
      box.right = std::max(box.right, stroke.points[i].x);
      box.bottom = std::max(box.bottom, stroke.points[i].y);
    }
    stroke.runBoxes[run] = box;
  }
}

}  // namespace

void ExtendSmoothing(SmoothedStroke& stroke, const std::vector<ScreenPoint>& raw) {
  if (raw.size() < stroke.consumed) stroke = SmoothedStroke{};
  if (raw.size() == stroke.consumed) return;
  size_t firstChanged = stroke.points.size();
  if (stroke.consumed == 0) {
    stroke.points.push_back({float(raw[0].x), float(raw[0].y)});
    stroke.consumed = 1;
    firstChanged = 0;
  }
  for (size_t i = stroke.consumed; i < raw.size(); ++i) {
    // The previous raw position was only a provisional end: it becomes a curve's control point.
    stroke.points.resize(stroke.lastCurveEnd + 1);
    firstChanged = std::min(firstChanged, stroke.points.size());
    if (i >= 2) {
      SmoothPoint p0 = stroke.points[stroke.lastCurveEnd];
      SmoothPoint c{float(raw[i - 1].x), float(raw[i - 1].y)};
      SmoothPoint p2{(raw[i - 1].x + raw[i].x) / 2.0f, (raw[i - 1].y + raw[i].y) / 2.0f};
      float ax = p0.x - 2 * c.x + p2.x, ay = p0.y - 2 * c.y + p2.y;
      int steps = std::max(1, int(std::ceil(std::sqrt(std::hypot(ax, ay)))));
      for (int j = 1; j <= steps; ++j) {
        float u = float(j) / float(steps);
        float w0 = (1 - u) * (1 - u), w1 = 2 * (1 - u) * u, w2 = u * u;
        stroke.points.push_back({w0 * p0.x + w1 * c.x + w2 * p2.x, w0 * p0.y + w1 * c.y + w2 * p2.y});
      }
    }
    stroke.lastCurveEnd = stroke.points.size() - 1;
    stroke.points.push_back({float(raw[i].x), float(raw[i].y)});
  }
  stroke.consumed = raw.size();
  UpdateRunBoxes(stroke, firstChanged);
}

std::vector<SmoothPoint> SmoothStroke(const std::vector<ScreenPoint>& raw) {
  SmoothedStroke stroke;
  ExtendSmoothing(stroke, raw);
  return std::move(stroke.points);
}
