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

// Displayed point → page point and back; exact inverses, no rounding.
PagePoint DisplayedToPage(const PageFrame& frame, float dx, float dy);
PagePoint PageToDisplayed(const PageFrame& frame, float px, float py);

// A 2-D affine map (x' = a·x + c·y + e, y' = b·x + d·y + f), the engine's matrix order.
struct Affine {
  float a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
};

// The map that draws an object's own upright frame at displayed point (dx, dy): its x axis
// runs to the right on screen and its y axis up, whatever the page's rotation.
Affine UprightTransform(const PageFrame& frame, float dx, float dy);
