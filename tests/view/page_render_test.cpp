// Rendering the current page: at device pixels on dense screens, and nothing stale when a
// render cannot be made.
#include <gtest/gtest.h>

#include <cmath>

#include "document/session.h"
#include "engine/engine_table.h"
#include "support/document_test.h"
#include "view/page_view.h"
#include "view/tool_state.h"

namespace {

class PageRenderTest : public DocumentTest {
 protected:
  void SetUp() override {
    DocumentTest::SetUp();
    g_view = PageView{};
    g_layout = WindowLayout{};
    g_tool = ToolState{};
  }
  void TearDown() override {
    DestroyRenderCache();
    DocumentTest::TearDown();
  }

  // A page whose crop box does not start at (0, 0), rotated, with a black square near the
  // crop box's lower-left corner (page space), so its place on screen shows the direction.
  void OpenMarkedPage(int rotation) {
    WriteHandMadePdf(WorkPath("marked.pdf"), "/MediaBox [0 0 500 400] /CropBox [100 50 400 350] /Rotate " +
                                                 std::to_string(rotation * 90));
    OpenOrFail(WorkPath("marked.pdf"));
    AddFilledBox(g_session.currentPage, 110, 60, 170, 120, 0, 0, 0);
    ASSERT_TRUE(g_engine.FPDFPage_GenerateContent(g_session.currentPage));
    g_view.fitMode = FitMode::FitPage;
    g_view.zoom = 1.0f;
  }

  // The centre of the dark pixels of the bitmap, in client pixels relative to the page.
  static bool DarkCentre(double& x, double& y) {
    double scale = double(g_view.pixelWidth) / g_view.bitmapWidth;
    double sx = 0, sy = 0;
    long count = 0;
    for (int row = 0; row < g_view.pixelHeight; ++row) {
      for (int column = 0; column < g_view.pixelWidth; ++column) {
        const uint8_t* p = &g_view.pixels[(size_t(row) * g_view.pixelWidth + column) * 4];
        if (p[0] + p[1] + p[2] < 150) {
          sx += column + 0.5;
          sy += row + 0.5;
          ++count;
        }
      }
    }
    if (count == 0) return false;
    x = sx / count / scale;
    y = sy / count / scale;
    return true;
  }
};

TEST_F(PageRenderTest, ADenseScreenGetsDevicePixelsOfTheSamePicture) {
  for (int rotation = 0; rotation < 4; ++rotation) {
    SCOPED_TRACE(rotation);
    OpenMarkedPage(rotation);
    InvalidateRender(false);
    Render();
    ASSERT_TRUE(g_view.valid);
    EXPECT_EQ(g_view.pixelWidth, g_view.bitmapWidth);
    double x1, y1;
    ASSERT_TRUE(DarkCentre(x1, y1));
    IntRect rectAtOne = g_view.pageRect;

    g_view.deviceScale = 2.0f;
    InvalidateRender(false);
    Render();
    ASSERT_TRUE(g_view.valid);
    EXPECT_EQ(g_view.pixelWidth, 2 * g_view.bitmapWidth);
    EXPECT_EQ(g_view.pixelHeight, 2 * g_view.bitmapHeight);
    EXPECT_EQ(g_view.pixels.size(), size_t(g_view.pixelWidth) * g_view.pixelHeight * 4);
    // The page keeps its place and size in client pixels; only the detail doubles.
    EXPECT_EQ(g_view.pageRect.left, rectAtOne.left);
    EXPECT_EQ(g_view.pageRect.top, rectAtOne.top);
    EXPECT_EQ(g_view.pageRect.Width(), rectAtOne.Width());
    double x2, y2;
    ASSERT_TRUE(DarkCentre(x2, y2));
    EXPECT_NEAR(x2, x1, 1.0);
    EXPECT_NEAR(y2, y1, 1.0);
    // The square sits at the crop box's lower-left corner: after 0, 90, 180, 270 degrees of
    // clockwise display rotation that corner is at the lower left, upper left, upper right
    // and lower right of the displayed page.
    bool left = rotation == 0 || rotation == 1;
    bool top = rotation == 1 || rotation == 2;
    EXPECT_EQ(x2 < g_view.bitmapWidth / 2.0, left);
    EXPECT_EQ(y2 < g_view.bitmapHeight / 2.0, top);
    g_view.deviceScale = 1.0f;
  }
}

TEST_F(PageRenderTest, ARenderThatCannotBeMadeLeavesNoStalePage) {
  OpenMarkedPage(1);
  InvalidateRender(false);
  Render();
  ASSERT_GT(g_view.bitmapWidth, 0);
  ASSERT_TRUE(ScreenToPage(g_view.pageRect.left + 5, g_view.pageRect.bottom - 5).has_value());
  IntRect shown = g_view.pageRect;

  g_layout.clientWidth = 40;  // no room for a page: nothing is rendered
  InvalidateRender(true);
  Render();
  EXPECT_FALSE(g_view.valid);
  EXPECT_EQ(g_view.bitmapWidth, 0);
  EXPECT_EQ(g_view.pixelWidth, 0);
  EXPECT_EQ(g_view.bitmap, nullptr);
  EXPECT_FALSE(ScreenToPage(shown.left + 5, shown.bottom - 5).has_value());  // nothing to hit
  EXPECT_FALSE(g_scrollBar.enabled);

  g_layout = WindowLayout{};  // room again: the next paint renders
  Render();
  EXPECT_TRUE(g_view.valid);
  EXPECT_GT(g_view.bitmapWidth, 0);
}

}  // namespace
