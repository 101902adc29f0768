// Points and rectangles: page points (PDF user space, y up) and client pixels (y down).
#pragma once

struct PagePoint {
  float x = 0, y = 0;
};

struct ScreenPoint {
  int x = 0, y = 0;
};

struct IntRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Empty() const { return right <= left || bottom <= top; }
  // Edges count as inside.
  bool Contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};
