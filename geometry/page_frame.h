// Where the displayed page sits in page space. PDFium shows the crop box clipped to the media
// box, which need not start at (0, 0); displayed coordinates (dx, dy) start at that box's
// lower-left corner as the user sees it (after the page's quarter turns), y up.
#pragma once

#include "geometry/points.h"

struct PageFrame {
  float originX = 0, originY = 0;  // the displayed box's lower-left corner, page space
  float width = 0, height = 0;     // the box unrotated: W × H
  int rotation = 0;                // quarter turns clockwise, 0 … 3
  float DisplayedWidth() const { return rotation % 2 == 1 ? height : width; }
  float DisplayedHeight() const { return rotation % 2 == 1 ? width : height; }
};

// Displayed point → page point and back; exact inverses, no rounding. Inline: hit tests map
// every corner of every object on the page.
inline PagePoint DisplayedToPage(const PageFrame& f, float dx, float dy) {
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

inline PagePoint PageToDisplayed(const PageFrame& f, float px, float py) {
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

// A 2-D affine map (x' = a·x + c·y + e, y' = b·x + d·y + f), the engine's matrix order.
struct Affine {
  float a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
};

// The map that draws an object's own upright frame at displayed point (dx, dy): its x axis
// runs to the right on screen and its y axis up, whatever the page's rotation.
Affine UprightTransform(const PageFrame& frame, float dx, float dy);
