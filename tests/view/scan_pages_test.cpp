// Scan pages drawn by the picture decoder: the same pixels as the engine's render (within two
// levels on average, the picture's edges on the same pixels) at every size the view shows,
// turned and cropped, grey and colour; the view, the pages rendered ahead and the thumbnails
// use it; pages it cannot draw exactly are left to the engine.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "content/picture_page.h"
#include "document/session.h"
#include "document/window_hooks.h"
#include "engine/engine_table.h"
#include "support/document_test.h"
#include "support/scan_fidelity.h"
#include "support/test_jpeg.h"
#include "view/navigator_model.h"
#include "view/page_view.h"
#include "view/picture_pages.h"
#include "view/prepared_pages.h"

namespace {

class ScanPagesTest : public DocumentTest {
 protected:
  void SetUp() override {
    DocumentTest::SetUp();
    g_view = PageView{};
    g_layout = WindowLayout{};
    g_window.documentClosing = [] { DropPreparedPages(); };
  }
  void TearDown() override {
    DropPreparedPages();
    DestroyRenderCache();
    DocumentTest::TearDown();
    g_window.documentClosing = [] {};
  }
  std::string Write(const std::string& name, const ImagePageSpec& spec) {
    std::string path = WorkPath(name);
    WriteImagePagePdf(path, spec);
    return path;
  }
};

TEST_F(ScanPagesTest, TheDecoderDrawsWhatTheEngineDrawsAtEverySizeShown) {
  int compared = 0;
  for (const ScanCase& scan : ScanFidelityCases()) {
    SCOPED_TRACE(scan.name);
    OpenOrFail(Write("scan.pdf", scan.spec));
    for (const ShownSize& size : ShownSizesFor(g_session.pageWidth, g_session.pageHeight)) {
      SCOPED_TRACE(size.name);
      ScanComparison result = CompareWithEngine(g_session.currentPage, size.width, size.height);
      ASSERT_TRUE(result.composed);
      EXPECT_LE(result.meanDifference, 2.0);
      EXPECT_EQ(result.coverageMismatches, 0) << size.width << " x " << size.height;
      ++compared;
    }
  }
  EXPECT_EQ(compared, 18);
}

TEST_F(ScanPagesTest, TheViewShowsAScanPageFromTheDecoder) {
  ScanCase scan = ScanFidelityCases()[0];
  OpenOrFail(Write("scan.pdf", scan.spec));
  Render();
  ASSERT_TRUE(g_view.valid);
  std::vector<uint8_t> decoded(g_view.pixels.size());
  ASSERT_TRUE(RenderScanPage(g_session.currentPage, g_view.pixelWidth, g_view.pixelHeight, BackgroundFillColour(),
                             decoded.data()));
  EXPECT_TRUE(std::equal(decoded.begin(), decoded.end(), g_view.pixels.begin()));

  // The thumbnail too: a 64 × 90 picture of the page. Decoded at a quarter, its text rows stay
  // a little sharper than the engine's average of the whole picture, no more.
  SyncNavigatorList();
  ASSERT_TRUE(ThumbnailFor(0));
  const Thumbnail& thumbnail = g_navigator.thumbnails[0];
  EXPECT_EQ(thumbnail.width, 64);
  EXPECT_EQ(thumbnail.height, 90);
  ScanComparison small = CompareWithEngine(g_session.currentPage, thumbnail.width, thumbnail.height);
  EXPECT_LE(small.meanDifference, 12.0);
}

TEST_F(ScanPagesTest, PagesTheDecoderWouldDrawOtherwiseAreLeftToTheEngine) {
  ScanCase scan = ScanFidelityCases()[0];
  struct Variant {
    const char* name;
    void (*change)(ImagePageSpec&);
  };
  const Variant variants[] = {
      {"a soft mask", [](ImagePageSpec& s) { s.softMask = true; }},
      {"a clip", [](ImagePageSpec& s) { s.clipped = true; }},
      {"text and a line beside", [](ImagePageSpec& s) { s.textBeside = true; }},
      {"raw pixels, not a JPEG", [](ImagePageSpec& s) { s.jpeg.clear(); }},
      {"a picture slanted by its matrix", [](ImagePageSpec& s) { s.matrix = FS_MATRIX{500, 100, -80, 700, 40, 40}; }},
  };
  for (const Variant& variant : variants) {
    SCOPED_TRACE(variant.name);
    ImagePageSpec spec = scan.spec;
    variant.change(spec);
    OpenOrFail(Write("other.pdf", spec));
    std::vector<uint8_t> pixels(size_t(300) * 400 * 4);
    EXPECT_FALSE(RenderScanPage(g_session.currentPage, 300, 400, 0xFFFFFFFF, pixels.data()));
    // The view still shows the page, through the engine.
    Render();
    EXPECT_TRUE(g_view.valid);
  }
  // A damaged stream is refused by the decoder itself.
  std::vector<uint8_t> cut(scan.spec.jpeg.begin(), scan.spec.jpeg.begin() + 600);
  std::vector<uint8_t> out(size_t(100) * 100 * 4);
  EXPECT_FALSE(ComposePicture(cut.data(), cut.size(), PictureToBitmap{100, 0, 0, -100, 0, 100}, 100, 100, 0xFFFFFFFF,
                              out.data()));
  // A decoding no longer wanted stops.
  const std::vector<uint8_t>& whole = scan.spec.jpeg;
  std::atomic<bool> stop{false};
  EXPECT_TRUE(ComposePicture(whole.data(), whole.size(), PictureToBitmap{100, 0, 0, -100, 0, 100}, 100, 100,
                             0xFFFFFFFF, out.data(), &stop));
  stop = true;
  EXPECT_FALSE(ComposePicture(whole.data(), whole.size(), PictureToBitmap{100, 0, 0, -100, 0, 100}, 100, 100,
                              0xFFFFFFFF, out.data(), &stop));
}

TEST_F(ScanPagesTest, AFileNamingMasksOrDecodeArraysKeepsTheEngineForEveryPage) {
  EXPECT_TRUE(NamesImageSurprises("<< /Width 10 /Decode [1 0] >>"));
  EXPECT_TRUE(NamesImageSurprises("<< /SMask 6 0 R >>"));
  EXPECT_TRUE(NamesImageSurprises("<< /Mask [0 10] >>"));
  EXPECT_FALSE(NamesImageSurprises("<< /Filter /DCTDecode /DecodeParms << /Columns 4 >> >>"));
  // A picture's bytes may hold any name by chance; only the dictionaries count.
  EXPECT_FALSE(NamesImageSurprises("<< /Length 9 >>\nstream\n/Mask/OC\nendstream\n<< /Width 3 >>"));
  EXPECT_TRUE(NamesImageSurprises("<< /Length 2 >>\nstream\nxy\nendstream\n<< /SMask 6 0 R >>"));
  ImagePageSpec spec = ScanFidelityCases()[0].spec;
  spec.pages = 2;
  OpenOrFail(Write("plain.pdf", spec));
  EXPECT_TRUE(ScanPictureOf(g_session.currentPage).has_value());
}

TEST_F(ScanPagesTest, NeighboursOfAScanAreDecodedAheadAndShownExactly) {
  ImagePageSpec spec = ScanFidelityCases()[0].spec;
  spec.pages = 3;
  OpenOrFail(Write("three.pdf", spec));
  Render();
  // The picture is decoded on a worker thread; the slices collect it once it is there.
  for (int slice = 0; slice < 10000 && !IsPagePrepared(1); ++slice) {
    if (PrepareNeighbourPages(5.0) && PreparationWaiting()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_TRUE(IsPagePrepared(1));
  ASSERT_TRUE(GoToPage(1));
  Render();
  std::vector<uint8_t> shown(g_view.pixels.begin(), g_view.pixels.end());
  std::vector<uint8_t> decoded(shown.size());
  ASSERT_TRUE(RenderScanPage(g_session.currentPage, g_view.pixelWidth, g_view.pixelHeight, BackgroundFillColour(),
                             decoded.data()));
  EXPECT_EQ(shown, decoded);
}

TEST_F(ScanPagesTest, AZoomStretchesTheShownPixelsUntilTheSharpRender) {
  ImagePageSpec spec = ScanFidelityCases()[0].spec;
  OpenOrFail(Write("scan.pdf", spec));
  Render();
  std::vector<uint8_t> before(g_view.pixels.begin(), g_view.pixels.end());
  int oldWidth = g_view.pixelWidth;
  ASSERT_TRUE(ZoomIn());
  ASSERT_TRUE(ShowScaledPicture());
  EXPECT_TRUE(g_view.standInShown);
  EXPECT_FALSE(g_view.valid);
  EXPECT_EQ(g_view.pixelWidth, oldWidth);  // the same pixels, placed larger
  EXPECT_EQ(g_view.bitmapWidth, int(float(oldWidth) * 1.2f + 0.5f));
  EXPECT_TRUE(std::equal(before.begin(), before.end(), g_view.pixels.begin()));
  EXPECT_TRUE(PrepareNeighbourPages(5.0));  // the preparation waits for the sharp render
  EXPECT_FALSE(ShowScaledPicture());        // once only: the next paint renders
  IntRect standIn = g_view.pageRect;
  Render();
  EXPECT_FALSE(g_view.standInShown);
  EXPECT_EQ(g_view.pixelWidth, g_view.bitmapWidth);
  EXPECT_EQ(g_view.pageRect.left, standIn.left);
  EXPECT_EQ(g_view.pageRect.top, standIn.top);
  // A page turn is no zoom: nothing to stretch.
  InvalidateRender(false);
  EXPECT_FALSE(ShowScaledPicture());
}

}  // namespace
