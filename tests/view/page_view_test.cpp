#include <gtest/gtest.h>

#include <cmath>

#include "document/open_document.h"
#include "document/session.h"
#include "editing/pointer_input.h"
#include "engine/engine_table.h"
#include "support/document_test.h"
#include "view/page_view.h"
#include "view/tool_state.h"

namespace {

class PageViewTest : public DocumentTest {
 protected:
  void SetUp() override {
    DocumentTest::SetUp();
    g_view = PageView{};
    g_layout = WindowLayout{};
    g_layout.clientWidth = 1100;
    g_layout.clientHeight = 800;
    g_tool = ToolState{};
    g_pan = PanState{};
  }
  void TearDown() override {
    DestroyRenderCache();
    DocumentTest::TearDown();
  }
  void OpenPages(const std::vector<PageSpec>& pages) {
    WriteTestPdf(WorkPath("view.pdf"), pages);
    OpenOrFail(WorkPath("view.pdf"));
    g_view.fitMode = FitMode::FitWidth;
    g_view.zoom = 1.0f;
    InvalidateRender(false);
    Render();
  }
};

TEST_F(PageViewTest, BandsAndViewAreaFollowTheLayout) {
  IntRect view = ViewArea();
  EXPECT_EQ(view.left, 0);
  EXPECT_EQ(view.top, 40);
  EXPECT_EQ(view.right, 1080);
  EXPECT_EQ(view.bottom, 764);
  g_layout.navigatorShown = true;
  g_layout.shapePanelShown = true;
  view = ViewArea();
  EXPECT_EQ(view.left, 160);
  EXPECT_EQ(view.right, 840);
  g_layout.fullScreen = true;
  view = ViewArea();
  EXPECT_EQ(view.top, 0);
  EXPECT_EQ(view.bottom, 800);
  IntRect bar = ScrollBarRect();
  EXPECT_EQ(bar.left, 1080);
  EXPECT_EQ(bar.top, 0);
}

TEST_F(PageViewTest, FitWidthFillsTheViewAndAScrollBarAppearsForTallPages) {
  OpenPages({{595, 842, 0, 1}});
  ASSERT_TRUE(g_view.valid);
  EXPECT_EQ(g_view.bitmapWidth, 1080 - 32);
  EXPECT_EQ(g_view.bitmapHeight, int(842 * (1048.0f / 595) + 0.5f));
  EXPECT_EQ(g_view.pageRect.left, 16);
  EXPECT_EQ(g_view.pageRect.top, 40);  // taller than the view: starts at the top
  EXPECT_TRUE(g_scrollBar.enabled);
  EXPECT_EQ(g_scrollBar.page, 724);
  EXPECT_EQ(g_view.pixels.size(), size_t(g_view.bitmapWidth) * g_view.bitmapHeight * 4);
  // A white page: the first pixel is white BGRx.
  EXPECT_EQ(g_view.pixels[0], 255);
  EXPECT_EQ(g_view.pixels[2], 255);
}

TEST_F(PageViewTest, FitPageCentresASmallPageBothWays) {
  OpenPages({{200, 100, 0, 1}});
  g_view.fitMode = FitMode::FitPage;
  g_view.zoom = 0.5f;
  InvalidateRender(false);
  Render();
  IntRect view = ViewArea();
  EXPECT_EQ(g_view.pageRect.left, view.left + (view.Width() - g_view.bitmapWidth) / 2);
  EXPECT_EQ(g_view.pageRect.top, view.top + (view.Height() - g_view.bitmapHeight) / 2);
  EXPECT_FALSE(g_scrollBar.enabled);
  // It cannot be panned away from the centre.
  IntRect before = g_view.pageRect;
  BeginPan(500, 400, false);
  PanTo(650, 300);
  EndPan();
  EXPECT_EQ(g_view.pageRect.left, before.left);
  EXPECT_EQ(g_view.pageRect.top, before.top);
}

TEST_F(PageViewTest, ZoomStepsStopAtTheirLimitsAndKeepTheTopLeft) {
  OpenPages({{595, 842, 0, 1}});
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(ZoomIn());
  Render();
  BeginPan(600, 400, false);
  PanTo(500, 200);  // somewhere inside, away from every edge
  EndPan();
  IntRect before = g_view.pageRect;
  ASSERT_TRUE(ZoomIn());
  Render();
  EXPECT_EQ(g_view.pageRect.left, before.left);
  EXPECT_EQ(g_view.pageRect.top, before.top);
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(ZoomIn());
  EXPECT_NEAR(g_view.zoom, 4.2998, 1e-3);
  EXPECT_FALSE(CanZoomIn());
  EXPECT_FALSE(ZoomIn());
  EXPECT_NEAR(g_view.zoom, 4.2998, 1e-3);
  Render();
  EXPECT_EQ(g_view.bitmapHeight, 2800);  // capped
  FitToPage();
  for (int i = 0; i < 6; ++i) ASSERT_TRUE(ZoomOut());
  EXPECT_NEAR(g_view.zoom, std::pow(1.2, -6), 1e-4);
  EXPECT_FALSE(ZoomOut());
  // Held at the largest zoom exactly (a wheel or pinch clamps there), zoom in is not offered.
  ASSERT_TRUE(SetZoomKeepingPosition(100));
  EXPECT_EQ(g_view.zoom, kMaxZoom);
  EXPECT_FALSE(CanZoomIn());
  EXPECT_FALSE(ZoomIn());
}

TEST_F(PageViewTest, FitWidthRecentresAPannedPage) {
  OpenPages({{595, 842, 0, 1}});
  for (int i = 0; i < 3; ++i) ZoomIn();
  Render();
  BeginPan(600, 400, false);
  PanTo(300, 100);
  EndPan();
  ASSERT_LT(g_view.pageRect.left, 0);
  FitToWidth();
  Render();
  EXPECT_FLOAT_EQ(g_view.zoom, 1.0f);
  EXPECT_EQ(g_view.pageRect.left, 16);
  EXPECT_EQ(g_view.pageRect.top, 40);
}

TEST_F(PageViewTest, AWidePageOnlyPansUntilItsEdgeReachesTheView) {
  OpenPages({{595, 842, 0, 1}});
  for (int i = 0; i < 4; ++i) ZoomIn();
  Render();
  IntRect view = ViewArea();
  BeginPan(500, 400, false);
  PanTo(5000, 5000);
  EXPECT_EQ(g_view.pageRect.left, view.left);
  EXPECT_EQ(g_view.pageRect.top, view.top);
  PanTo(-5000, -5000);
  EXPECT_EQ(g_view.pageRect.right, view.right);
  EXPECT_EQ(g_view.pageRect.bottom, view.bottom);
  EndPan();
}

TEST_F(PageViewTest, MappingFollowsThePageRotation) {
  // /Rotate 90 on a 400 × 600 page: displayed 600 wide and 400 high.
  OpenPages({{400, 600, 1, 1}});
  EXPECT_FLOAT_EQ(g_session.pageWidth, 600);
  const IntRect& r = g_view.pageRect;
  auto lowerLeft = ScreenToPage(r.left, r.bottom);
  ASSERT_TRUE(lowerLeft.has_value());
  EXPECT_NEAR(lowerLeft->x, 400, 1e-3);  // (W, 0)
  EXPECT_NEAR(lowerLeft->y, 0, 1e-3);
  EXPECT_FALSE(ScreenToPage(r.left - 1, r.bottom).has_value());
  for (int rotation = 0; rotation < 4; ++rotation) {
    SCOPED_TRACE(rotation);
    OpenPages({{400, 600, rotation, 1}});
    float x = 0, y = 0;
    PageToScreen(123.0f, 456.0f, x, y);
    auto back = ScreenToPage(int(std::lround(x)), int(std::lround(y)));
    ASSERT_TRUE(back.has_value());
    float tolerance = 600.0f / float(g_view.bitmapWidth);
    EXPECT_NEAR(back->x, 123.0f, tolerance);
    EXPECT_NEAR(back->y, 456.0f, tolerance);
  }
}

// A page whose shown box is the crop box [100 100 495 742] inside an A4 media box.
constexpr const char* kCroppedBoxes = "/MediaBox [0 0 595 842] /CropBox [100 100 495 742]";

class DisplayedBoxTest : public PageViewTest {
 protected:
  void OpenHandMade(const std::string& entries) {
    WriteHandMadePdf(WorkPath("box.pdf"), entries);
    OpenOrFail(WorkPath("box.pdf"));
    g_view.fitMode = FitMode::FitPage;
    InvalidateRender(false);
    Render();
  }
  // A filled black 6 × 6 point square centred on a page point, rendered.
  void MarkPagePoint(float x, float y) {
    FPDF_PAGEOBJECT square = g_engine.FPDFPageObj_CreateNewPath(x - 3, y - 3);
    g_engine.FPDFPath_LineTo(square, x + 3, y - 3);
    g_engine.FPDFPath_LineTo(square, x + 3, y + 3);
    g_engine.FPDFPath_LineTo(square, x - 3, y + 3);
    g_engine.FPDFPath_Close(square);
    g_engine.FPDFPageObj_SetFillColor(square, 0, 0, 0, 255);
    g_engine.FPDFPath_SetDrawMode(square, 2, 0);
    g_engine.FPDFPage_InsertObject(g_session.currentPage, square);
    ASSERT_TRUE(g_engine.FPDFPage_GenerateContent(g_session.currentPage));
    InvalidateRender(true);
    Render();
  }
  // The green channel of the rendered pixel at a client point (255 where nothing is drawn).
  int GreenAt(float x, float y) const {
    int px = int(std::lround(x)) - g_view.pageRect.left, py = int(std::lround(y)) - g_view.pageRect.top;
    if (px < 0 || py < 0 || px >= g_view.bitmapWidth || py >= g_view.bitmapHeight) return -1;
    return g_view.pixels[(size_t(py) * g_view.bitmapWidth + px) * 4 + 1];
  }
};

TEST_F(DisplayedBoxTest, TheCornersOfACroppedPageMapToItsCropBoxOnEveryRotation) {
  // Page points under the shown page's top-left and top-right corners, per quarter turn.
  const PagePoint topLeft[4] = {{100, 742}, {100, 100}, {495, 100}, {495, 742}};
  const PagePoint topRight[4] = {{495, 742}, {100, 742}, {100, 100}, {495, 100}};
  for (int rotation = 0; rotation < 4; ++rotation) {
    SCOPED_TRACE(rotation);
    OpenHandMade(std::string(kCroppedBoxes) + " /Rotate " + std::to_string(rotation * 90));
    const IntRect& r = g_view.pageRect;
    auto a = ScreenToPage(r.left, r.top);
    auto b = ScreenToPage(r.right, r.top);
    ASSERT_TRUE(a && b);
    EXPECT_NEAR(a->x, topLeft[rotation].x, 1e-2);
    EXPECT_NEAR(a->y, topLeft[rotation].y, 1e-2);
    EXPECT_NEAR(b->x, topRight[rotation].x, 1e-2);
    EXPECT_NEAR(b->y, topRight[rotation].y, 1e-2);
    PageFrame frame = CurrentPageFrame();
    EXPECT_FLOAT_EQ(frame.originX, 100);
    EXPECT_FLOAT_EQ(frame.originY, 100);
    PagePoint centre = DisplayedToPage(frame, frame.DisplayedWidth() / 2, frame.DisplayedHeight() / 2);
    EXPECT_NEAR(centre.x, 297.5, 1e-3);
    EXPECT_NEAR(centre.y, 421, 1e-3);
  }
}

TEST_F(DisplayedBoxTest, WhatTheMappingPointsAtIsWhatTheEngineDrewThere) {
  for (bool cropped : {false, true}) {
    for (int rotation = 0; rotation < 4; ++rotation) {
      SCOPED_TRACE(testing::Message() << (cropped ? "cropped " : "") << rotation);
      OpenHandMade(std::string(cropped ? kCroppedBoxes : "/MediaBox [0 0 595 842]") + " /Rotate " +
                   std::to_string(rotation * 90));
      // Off-centre in both directions, so a mirrored or shifted mapping lands on white.
      MarkPagePoint(160, 220);
      float x, y;
      PageToScreen(160, 220, x, y);
      EXPECT_LT(GreenAt(x, y), 60);
      PageToScreen(160 + 20, 220, x, y);
      EXPECT_EQ(GreenAt(x, y), 255);
      auto back = ScreenToPageUnclamped(x, y);
      ASSERT_TRUE(back.has_value());
      EXPECT_NEAR(back->x, 180, 1e-2);
      EXPECT_NEAR(back->y, 220, 1e-2);
    }
  }
}

TEST_F(PageViewTest, TheWheelScrollsOnlyThePenToolWithoutModifiers) {
  OpenPages({{595, 842, 0, 1}});
  g_tool.mode = ToolMode::Select;
  EXPECT_FALSE(OnWheel(-120, false, false, 3));
  EXPECT_EQ(ScrollOffset(), 0);
  g_tool.mode = ToolMode::Pen;
  EXPECT_FALSE(OnWheel(-120, false, true, 3));
  EXPECT_FALSE(OnWheel(-120, true, false, 3));
  EXPECT_EQ(ScrollOffset(), 0);
  EXPECT_TRUE(OnWheel(-120, false, false, 3));
  EXPECT_EQ(ScrollOffset(), 120);
  EXPECT_TRUE(OnWheel(-60, false, false, 3));  // half a notch waits for the other half
  EXPECT_EQ(ScrollOffset(), 120);
  EXPECT_TRUE(OnWheel(-60, false, false, 3));
  EXPECT_EQ(ScrollOffset(), 240);
  EXPECT_TRUE(OnWheel(-120, false, false, -1));  // one page per notch, up to the end
  EXPECT_EQ(ScrollOffset(), std::min(240 + 724, MaxScrollOffset()));
  EXPECT_TRUE(OnWheel(240, false, false, 3));
  EXPECT_EQ(ScrollOffset(), std::min(240 + 724, MaxScrollOffset()) - 240);
  EXPECT_TRUE(OnWheel(-1200, false, false, -1));
  EXPECT_EQ(ScrollOffset(), MaxScrollOffset());
}

TEST_F(PageViewTest, RubberBandStepsRepaintOnlyTheirArea) {
  OpenPages({{595, 842, 0, 1}});
  int w = StrokePixels(g_tool.lineWidth);
  int inflate = w / 2 + 2;
  g_tool.mode = ToolMode::Pen;
  IntRect pen = RubberBandArea({100, 100}, {300, 200}, {310, 190}, false);
  EXPECT_EQ(pen.left, 300 - inflate);
  EXPECT_EQ(pen.top, 190 - inflate);
  EXPECT_EQ(pen.right, 310 + inflate + 1);
  EXPECT_EQ(pen.bottom, 200 + inflate + 1);
  g_tool.mode = ToolMode::Geometry;
  IntRect line = RubberBandArea({100, 100}, {300, 200}, {310, 190}, true);
  EXPECT_EQ(line.left, 100 - inflate);
  EXPECT_EQ(line.top, 100 - inflate);
  // An arrow's head stands beside its end: the area covers the longest head.
  g_tool.mode = ToolMode::Arrow;
  IntRect arrow = RubberBandArea({100, 100}, {300, 200}, {310, 190}, true);
  EXPECT_EQ(arrow.right, 310 + std::max(8, 4 * w) + 2 + 1);
}

TEST_F(PageViewTest, StrokePixelsFollowTheBitmapScale) {
  OpenPages({{595, 842, 0, 1}});
  EXPECT_EQ(StrokePixels(6), int(1048.0f * 6 / 595 + 0.5f));
  EXPECT_EQ(StrokePixels(0.01f), 1);
}

}  // namespace
