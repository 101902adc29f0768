#include <gtest/gtest.h>

#include <cmath>

#include "geometry/page_frame.h"
#include "geometry/screen_mapping.h"

namespace {

// A crop box from (100, 100) to (495, 742) shown at 2 pixels per point, its top-left corner at
// client (50, 20), with the page's quarter turns.
ScreenMapping CroppedPage(int rotation) {
  ScreenMapping screen;
  screen.frame = PageFrame{100, 100, 395, 642, rotation};
  int w = int(2 * screen.frame.DisplayedWidth()), h = int(2 * screen.frame.DisplayedHeight());
  screen.pageRect = IntRect{50, 20, 50 + w, 20 + h};
  return screen;
}

PagePoint Page(const ScreenMapping& screen, float x, float y) {
  auto p = MapToPage(screen, x, y);
  EXPECT_TRUE(p.has_value());
  return p.value_or(PagePoint{NAN, NAN});
}

TEST(ScreenMappingTest, ScreenAndPageAreExactInversesOnEveryTurn) {
  for (int rotation = 0; rotation < 4; ++rotation) {
    SCOPED_TRACE(rotation);
    ScreenMapping screen = CroppedPage(rotation);
    for (auto [x, y] : {std::pair{50.0f, 20.0f}, {123.0f, 456.0f}, {300.5f, 77.25f}}) {
      PagePoint p = Page(screen, x, y);
      float sx, sy;
      MapToScreen(screen, p.x, p.y, sx, sy);
      EXPECT_NEAR(sx, x, 1e-3);
      EXPECT_NEAR(sy, y, 1e-3);
    }
  }
}

TEST(ScreenMappingTest, TheCornerShownTopLeftAndTheDirectionsFollowTheTurn) {
  struct Expected {
    PagePoint topLeft;  // the crop box corner the user sees at the top left
    PagePoint right;    // one point of page movement per point moved right on screen
    PagePoint down;     // the same moving down
  };
  const Expected expected[4] = {
      {{100, 742}, {1, 0}, {0, -1}},   // upright
      {{100, 100}, {0, 1}, {1, 0}},    // /Rotate 90: the page's left edge is shown at the top
      {{495, 100}, {-1, 0}, {0, 1}},   // /Rotate 180
      {{495, 742}, {0, -1}, {-1, 0}},  // /Rotate 270
  };
  for (int rotation = 0; rotation < 4; ++rotation) {
    SCOPED_TRACE(rotation);
    ScreenMapping screen = CroppedPage(rotation);
    const IntRect& r = screen.pageRect;
    PagePoint corner = Page(screen, float(r.left), float(r.top));
    EXPECT_NEAR(corner.x, expected[rotation].topLeft.x, 1e-3);
    EXPECT_NEAR(corner.y, expected[rotation].topLeft.y, 1e-3);
    PagePoint right = Page(screen, float(r.left) + 20, float(r.top));  // 20 pixels = 10 points
    PagePoint down = Page(screen, float(r.left), float(r.top) + 20);
    EXPECT_NEAR((right.x - corner.x) / 10, expected[rotation].right.x, 1e-4);
    EXPECT_NEAR((right.y - corner.y) / 10, expected[rotation].right.y, 1e-4);
    EXPECT_NEAR((down.x - corner.x) / 10, expected[rotation].down.x, 1e-4);
    EXPECT_NEAR((down.y - corner.y) / 10, expected[rotation].down.y, 1e-4);
  }
}

TEST(ScreenMappingTest, NothingIsMappedWithoutAPageOnScreen) {
  ScreenMapping none;
  EXPECT_FALSE(MapToPage(none, 10, 10).has_value());
  ScreenMapping hidden = CroppedPage(0);
  hidden.pageRect = IntRect{50, 20, 50, 20};
  EXPECT_FALSE(MapToPage(hidden, 50, 20).has_value());
}

TEST(ScreenMappingTest, AnUprightFrameDrawsAlongTheScreenOnEveryTurn) {
  for (int rotation = 0; rotation < 4; ++rotation) {
    SCOPED_TRACE(rotation);
    ScreenMapping screen = CroppedPage(rotation);
    Affine m = UprightTransform(screen.frame, 30, 40);
    float ox, oy, xx, xy, yx, yy;
    MapToScreen(screen, m.e, m.f, ox, oy);
    MapToScreen(screen, m.e + m.a, m.f + m.b, xx, xy);
    MapToScreen(screen, m.e + m.c, m.f + m.d, yx, yy);
    EXPECT_NEAR(xx - ox, 2, 1e-3) << "its x axis runs right on screen";
    EXPECT_NEAR(xy - oy, 0, 1e-3);
    EXPECT_NEAR(yx - ox, 0, 1e-3);
    EXPECT_NEAR(yy - oy, -2, 1e-3) << "its y axis runs up on screen";
  }
}

}  // namespace
