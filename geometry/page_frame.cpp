#include "geometry/page_frame.h"

PagePoint DisplayedToPage(const PageFrame& f, float dx, float dy) {
  switch (f.rotation) {
    case 1:
      return {f.originX + f.width - dy, f.originY + dx};
    case 2:
      return {f.originX + f.width - dx, f.originY + f.height - dy};
    case 3:
      return {f.originX + dy, f.originY + f.height - dx};
    default:
      return {f.originX + dx, f.originY + dy};
  }
}

PagePoint PageToDisplayed(const PageFrame& f, float px, float py) {
  float x = px - f.originX, y = py - f.originY;
  switch (f.rotation) {
    case 1:
      return {y, f.width - x};
    case 2:
      return {f.width - x, f.height - y};
    case 3:
      return {f.height - y, x};
    default:
      return {x, y};
  }
}

Affine UprightTransform(const PageFrame& frame, float dx, float dy) {
  PagePoint at = DisplayedToPage(frame, dx, dy);
  PagePoint right = DisplayedToPage(frame, dx + 1, dy);
  PagePoint up = DisplayedToPage(frame, dx, dy + 1);
  return {right.x - at.x, right.y - at.y, up.x - at.x, up.y - at.y, at.x, at.y};
}
