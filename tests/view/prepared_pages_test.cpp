// Neighbouring pages rendered ahead: a turn to one shows exactly what a render would, and
// nothing rendered before an edit, a zoom, a new background or another document is shown.
#include <gtest/gtest.h>

#include "document/open_document.h"
#include "document/session.h"
#include "document/window_hooks.h"
#include "engine/engine_table.h"
#include "support/document_test.h"
#include "support/live_handles.h"
#include "view/page_view.h"
#include "view/prepared_pages.h"

namespace {

using Pixels = std::vector<uint8_t>;

class PreparedPagesTest : public DocumentTest {
 protected:
  void SetUp() override {
    DocumentTest::SetUp();
    g_view = PageView{};
    g_layout = WindowLayout{};
    g_window.documentClosing = [] { DropPreparedPages(); };  // as the main window does
  }
  void TearDown() override {
    DropPreparedPages();
    DestroyRenderCache();
    DocumentTest::TearDown();
    g_window.documentClosing = [] {};
  }

  // Three A4 pages, each with one box of its own colour and place; the middle page is turned
  // a quarter, so a prepared page must come out turned as well.
  void WriteBoxPages(const std::string& path, unsigned red, unsigned green, unsigned blue) {
    FPDF_DOCUMENT document = g_engine.FPDF_CreateNewDocument();
    for (int index = 0; index < 3; ++index) {
      FPDF_PAGE page = g_engine.FPDFPage_New(document, index, 595, 842);
      float left = 60.0f + 150.0f * float(index);
      AddFilledBox(page, left, 600, left + 120, 760, red * (index == 0), green * (index != 2), blue);
      if (index == 1) g_engine.FPDFPage_SetRotation(page, 1);
      ASSERT_TRUE(g_engine.FPDFPage_GenerateContent(page));
      g_engine.FPDF_ClosePage(page);
    }
    ASSERT_TRUE(SaveDocumentToPath(document, path));
    g_engine.FPDF_CloseDocument(document);
  }

  static void PrepareAll() {
    for (int slice = 0; slice < 10000 && PrepareNeighbourPages(5.0); ++slice) {
    }
  }

  static Pixels Shown() {
    if (!g_view.valid) Render();
    return Pixels(g_view.pixels.begin(), g_view.pixels.end());
  }

  // The current page rendered afresh, with nothing prepared to take from.
  static Pixels FreshRender() {
    DropPreparedPages();
    InvalidateRender(false);
    Render();
    return Pixels(g_view.pixels.begin(), g_view.pixels.end());
  }

  static void Turn(int index) {
    ASSERT_TRUE(GoToPage(index));
    Render();
    ASSERT_TRUE(g_view.valid);
  }

  // The colour at a point of the page (page points, the page unrotated).
  static const uint8_t* PixelAt(float x, float y) {
    float sx = 0, sy = 0;
    PageToScreen(x, y, sx, sy);
    int column = int(sx) - g_view.pageRect.left, row = int(sy) - g_view.pageRect.top;
    return &g_view.pixels[(size_t(row) * g_view.pixelWidth + size_t(column)) * 4];
  }
};

TEST_F(PreparedPagesTest, TurnsToPreparedPagesShowWhatARenderShowsOnTurnedPagesToo) {
  WriteBoxPages(WorkPath("boxes.pdf"), 200, 150, 0);
  OpenOrFail(WorkPath("boxes.pdf"));
  Render();
  PrepareAll();
  EXPECT_TRUE(IsPagePrepared(1));
  EXPECT_FALSE(IsPagePrepared(2));  // only the pages next to the current one
  size_t onePage = PreparedPagesBytes();
  ASSERT_GT(onePage, 0u);

  Turn(1);  // the quarter-turned page
  EXPECT_EQ(PreparedPagesBytes(), 0u);  // its pixels were taken, not rendered again
  Pixels turned = Shown();
  EXPECT_GT(g_view.bitmapWidth, g_view.bitmapHeight);
  EXPECT_EQ(turned, FreshRender());

  // From the middle page both neighbours are prepared, and a turn back shows the first page.
  PrepareAll();
  EXPECT_TRUE(IsPagePrepared(0));
  EXPECT_TRUE(IsPagePrepared(2));
  Turn(0);
  Pixels first = Shown();
  EXPECT_EQ(first, FreshRender());
  EXPECT_EQ(PixelAt(100, 700)[2], 200);  // the first page's red box
  EXPECT_EQ(PixelAt(100, 700)[1], 150);
}

TEST_F(PreparedPagesTest, AnEditAfterPreparingIsShownOnTheTurnedToPage) {
  WriteBoxPages(WorkPath("boxes.pdf"), 200, 150, 0);
  OpenOrFail(WorkPath("boxes.pdf"));
  Render();
  PrepareAll();
  ASSERT_TRUE(IsPagePrepared(1));

  // The next page changes (as a page operation or a watermark on every page changes it).
  FPDF_PAGE next = g_engine.FPDF_LoadPage(g_session.document, 1);
  AddFilledBox(next, 300, 100, 400, 200, 0, 0, 0);
  ASSERT_TRUE(g_engine.FPDFPage_GenerateContent(next));
  g_engine.FPDF_ClosePage(next);
  MarkModified();
  EXPECT_FALSE(IsPagePrepared(1));

  Turn(1);
  const uint8_t* box = PixelAt(350, 150);
  EXPECT_LT(box[0] + box[1] + box[2], 30);  // the new black box is there
  EXPECT_EQ(Shown(), FreshRender());
}

TEST_F(PreparedPagesTest, AZoomOrANewBackgroundRendersTheTurnedToPageAnew) {
  WriteBoxPages(WorkPath("boxes.pdf"), 200, 150, 0);
  OpenOrFail(WorkPath("boxes.pdf"));
  Render();
  PrepareAll();
  ASSERT_TRUE(IsPagePrepared(1));
  ASSERT_TRUE(ZoomIn());
  EXPECT_FALSE(IsPagePrepared(1));
  Render();
  int zoomedWidth = g_view.pixelWidth;
  PrepareAll();
  ASSERT_TRUE(IsPagePrepared(1));  // prepared again at the new zoom

  g_view.background = 0x00FFFF;  // yellow: red and green
  EXPECT_FALSE(IsPagePrepared(1));
  Turn(1);
  EXPECT_EQ(g_view.pixels[2], 255);  // the corner shows the new background
  EXPECT_EQ(g_view.pixels[1], 255);
  EXPECT_EQ(g_view.pixels[0], 0);
  EXPECT_GT(zoomedWidth, 0);
  EXPECT_EQ(Shown(), FreshRender());
}

TEST_F(PreparedPagesTest, AnotherDocumentNeverShowsThePagesOfTheLastOne) {
  WriteBoxPages(WorkPath("green.pdf"), 0, 200, 0);
  WriteBoxPages(WorkPath("blue.pdf"), 0, 0, 200);
  OpenOrFail(WorkPath("green.pdf"));
  Render();
  PrepareAll();
  ASSERT_TRUE(IsPagePrepared(1));
  // A render under way when the document closes ends with it.
  ASSERT_TRUE(GoToPage(1));
  Render();
  PrepareNeighbourPages(0.0);

  OpenOrFail(WorkPath("blue.pdf"));
  Render();
  EXPECT_FALSE(IsPagePrepared(1));
  PrepareAll();
  Turn(1);
  const uint8_t* box = PixelAt(270, 680);
  EXPECT_EQ(box[0], 200);  // blue, not the last document's green
  EXPECT_EQ(box[1], 0);
  EXPECT_EQ(Shown(), FreshRender());
}

TEST_F(PreparedPagesTest, PagesOverTheMemoryBudgetAreNotPrepared) {
  WriteBoxPages(WorkPath("boxes.pdf"), 200, 150, 0);
  OpenOrFail(WorkPath("boxes.pdf"));
  g_view.deviceScale = 2.0f;
  g_view.zoom = kMaxZoom;
  Render();
  size_t page = size_t(g_view.pixelWidth) * g_view.pixelHeight * 4;
  ASSERT_GT(page, kPreparedPagesBudget);
  PrepareAll();
  EXPECT_FALSE(IsPagePrepared(1));
  EXPECT_EQ(PreparedPagesBytes(), 0u);
  Turn(1);  // rendered as a turn always was
  EXPECT_EQ(Shown(), FreshRender());

  // Two fitted pages at twice the density fit the budget together.
  g_view.zoom = 1.0f;
  InvalidateRender(false);
  Render();
  PrepareAll();
  EXPECT_TRUE(IsPagePrepared(0));
  EXPECT_TRUE(IsPagePrepared(2));
  EXPECT_LE(PreparedPagesBytes(), kPreparedPagesBudget);
}

TEST_F(PreparedPagesTest, APageLoadedToBePreparedIsClosedWhetherItIsKeptOrRefused) {
  WriteBoxPages(WorkPath("boxes.pdf"), 200, 150, 0);
  OpenOrFail(WorkPath("boxes.pdf"));
  g_view.deviceScale = 2.0f;
  g_view.zoom = kMaxZoom;
  Render();
  LiveHandles live;
  PrepareAll();  // the next page is loaded, found over the budget and closed again
  EXPECT_FALSE(IsPagePrepared(1));
  EXPECT_EQ(live.Open(), HandleCounts{});
  EXPECT_EQ(live.Closes(), 1);

  g_view.zoom = 1.0f;
  InvalidateRender(false);
  Render();
  int closesBefore = live.Closes();
  PrepareAll();  // kept: its render ends with its page and bitmap closed, the pixels stay
  EXPECT_TRUE(IsPagePrepared(1));
  EXPECT_EQ(live.Open(), HandleCounts{});
  EXPECT_EQ(live.Closes() - closesBefore, 2);
}

}  // namespace
