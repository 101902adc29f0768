// Pixel hit tests of drawn objects on the current page, in client pixels.
#pragma once

#include <vector>

#include "editing/drawn_objects.h"

constexpr double kHitDistance = 12;    // objects and lines
constexpr int kHandleHalfSize = 9;     // endpoints and control points
constexpr int kGroupFrameInflate = 6;

// The topmost path within 12 pixels (its segments, or its enlarged screen rectangle when the
// editor may have drawn it);
// a coordinate system only when nothing else is hit.
FPDF_PAGEOBJECT HitObject(ScreenPoint point);
// The topmost path the editor drew (coordinate systems aside) whose outline lies within 12
// pixels, or the point under the pointer: the teacher's drawing wins over the page's content.
FPDF_PAGEOBJECT HitOwnDrawing(ScreenPoint point);
// The topmost straight segment or arrow (head strokes count) within 12 pixels.
FPDF_PAGEOBJECT HitLine(ScreenPoint point);
// 1 start, 2 end of the selected two-point line; 0 when neither is within 9 pixels.
int HitEndpoint(ScreenPoint point);
// The control point of the selected geometry shape under the pointer (select tool only).
int HitControlPoint(ScreenPoint point);
bool HitGroup(ScreenPoint point);
// Every path object (image backgrounds skipped) inside or crossed by the rectangle.
std::vector<FPDF_PAGEOBJECT> ObjectsInRectangle(IntRect rect);
