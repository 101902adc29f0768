// The line tool family: straight line and ray clipped to the page, fixed-length segment,
// polyline, vector and equal vector.
#pragma once

#include <optional>
#include <vector>

#include "drawing/marks.h"
#include "drawing/shape_kinds.h"

constexpr size_t kMaxPolylineVertices = 10000;

struct LineToolInput {
  LineToolKind kind = LineToolKind::StraightLine;
  ScreenPoint start, end;
  ScreenMapping screen;                // where the page is shown
  double fixedLengthCm = 5.0;
  std::optional<PagePoint> pickedOffset;  // equal vector: end − start of the picked vector
};

// The two page points a drag produces, or nothing (refused).
std::optional<std::vector<PagePoint>> LineToolPoints(const LineToolInput& input);
// A straight line or ray through the drag, clipped to the rectangle (screen pixels).
std::optional<std::pair<ScreenPoint, ScreenPoint>> ClipToRectangle(ScreenPoint s, ScreenPoint e, const IntRect& rect,
                                                                    bool ray);
// The offset (end − start) of a vector: a straight segment with an arrow head.
std::optional<PagePoint> PickVector(FPDF_PAGEOBJECT object, const PdfOps& ops);

enum class PolylineAdd { Added, Duplicate, TooMany };
PolylineAdd AddPolylineVertex(std::vector<PagePoint>& vertices, PagePoint p);
