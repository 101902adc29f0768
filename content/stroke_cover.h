// Which pixels of a picture a brush stroke on screen covers, and painting them white. A pixel
// is covered when its centre lies, on screen, within `reach` of a segment of the stroke
// (segment 0 is point 0 alone).
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "geometry/points.h"

struct ScreenVec {
  double x = 0, y = 0;
};
inline ScreenVec operator-(ScreenVec a, ScreenVec b) { return {a.x - b.x, a.y - b.y}; }
inline ScreenVec operator+(ScreenVec a, ScreenVec b) { return {a.x + b.x, a.y + b.y}; }
inline ScreenVec operator*(double k, ScreenVec a) { return {k * a.x, k * a.y}; }
inline double Dot(ScreenVec a, ScreenVec b) { return a.x * b.x + a.y * b.y; }
inline double Cross(ScreenVec a, ScreenVec b) { return a.x * b.y - a.y * b.x; }
inline double Length(ScreenVec a) { return std::sqrt(Dot(a, a)); }

// The picture as seen on screen: pixel row 0 is its top. `origin` is the top-left corner of
// the picture, `along` runs along a pixel row (left to right), `down` down a pixel column.
struct ScreenPicture {
  ScreenVec origin, along, down;
  double det = 0;                                   // along × down; never near zero
  double left = 0, top = 0, right = 0, bottom = 0;  // screen bounding box
  // Pixel coordinates (column, row) of a screen point, before scaling by the pixel size.
  ScreenVec Unit(ScreenVec p) const {
    ScreenVec d = p - origin;
    return {(d.x * down.y - d.y * down.x) / det, (d.y * along.x - d.x * along.y) / det};
  }
};

// Which 8 × 8-pixel cells of a picture hold a changed pixel.
struct ChangedCells {
  int columns = 0, rows = 0;
  std::vector<uint8_t> cells;
  ChangedCells(int width, int height)
      : columns((width + 7) / 8), rows((height + 7) / 8), cells(size_t(columns) * size_t(rows), 0) {}
  void Mark(int x, int y) { cells[size_t(y / 8) * size_t(columns) + size_t(x / 8)] = 1; }
  // Any changed cell meets the pixel rectangle [x0, x1) × [y0, y1).
  bool Any(int x0, int y0, int x1, int y1) const;
};

// The reach of a stroke of brush radius `radius` over a w × h picture: the radius plus one
// average pixel size.
double StrokeReach(const ScreenPicture& picture, int w, int h, double radius);

// Sets B, G and R of every covered pixel of the BGRA buffer to 255, alpha kept; true when
// any pixel changed. Each covered pixel is visited once for the whole stroke. `changed`, when
// given (sized for w × h), gets the cells of the pixels that changed.
bool PaintStroke(uint8_t* buffer, size_t stride, int w, int h, const ScreenPicture& picture,
                 const std::vector<ScreenPoint>& stroke, double reach, ChangedCells* changed = nullptr);
