#include "geometry/page_frame.h"

Affine UprightTransform(const PageFrame& frame, float dx, float dy) {
  PagePoint at = DisplayedToPage(frame, dx, dy);
  PagePoint right = DisplayedToPage(frame, dx + 1, dy);
  PagePoint up = DisplayedToPage(frame, dx, dy + 1);
  return {right.x - at.x, right.y - at.y, up.x - at.x, up.y - at.y, at.x, at.y};
}
