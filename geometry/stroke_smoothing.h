// The pen's smoothing, kept incrementally: each raw position adds a quadratic curve through
// the previous position, ending at the midpoint, so a move costs the same however long the
// stroke already is. The preview extends it on every move; the finished stroke uses the same
// points, so what is drawn is what was shown.
#pragma once

#include <cstddef>
#include <vector>

#include "geometry/points.h"

struct SmoothPoint {
  float x, y;
};

// Bounds of a run of smoothed points, for painting only the runs near the repainted area.
struct PointRunBox {
  float left, top, right, bottom;
};

struct SmoothedStroke {
  std::vector<SmoothPoint> points;  // the polyline; its last point is the latest raw position
  size_t consumed = 0;              // raw positions taken in so far
  size_t lastCurveEnd = 0;          // index of the last point that later positions keep
  std::vector<PointRunBox> runBoxes;  // run k: points k·kSmoothRunLength … (k+1)·kSmoothRunLength
};

constexpr size_t kSmoothRunLength = 32;

// Takes in the raw positions not seen yet; starts over when `raw` is a different, shorter
// stroke.
void ExtendSmoothing(SmoothedStroke& stroke, const std::vector<ScreenPoint>& raw);
std::vector<SmoothPoint> SmoothStroke(const std::vector<ScreenPoint>& raw);
