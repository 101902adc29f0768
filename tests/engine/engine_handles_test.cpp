// The handle owners against the real engine: each closes its handle exactly once, when its
// scope ends however it ends, and a moved or released owner closes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

#include "engine/engine_handles.h"
#include "support/live_handles.h"
#include "support/pdf_fixtures.h"

namespace {

constexpr int kTrueTypeFont = 2;
constexpr int kBitmapBgra = 4;
constexpr const char* kDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// Opens one handle of every kind on a new document and leaves at the step given (0 … 7),
// as code that gives up half-way does. Returns the step it left at.
int OpenEveryKindUntil(int leaveAt, const std::string& fontBytes) {
  ScopedDocument document(g_engine.FPDF_CreateNewDocument());
  if (leaveAt == 0) return 0;
  ScopedPage page(g_engine.FPDFPage_New(document.get(), 0, 200, 100));
  if (leaveAt == 1) return 1;
  ScopedTextPage text(g_engine.FPDFText_LoadPage(page.get()));
  if (leaveAt == 2) return 2;
  std::u16string query = u"x";
  ScopedSearch search(g_engine.FPDFText_FindStart(text.get(), reinterpret_cast<FPDF_WIDESTRING>(query.c_str()), 0, 0));
  if (leaveAt == 3) return 3;
  ScopedBitmap bitmap(g_engine.FPDFBitmap_CreateEx(20, 10, kBitmapBgra, nullptr, 0));
  if (leaveAt == 4) return 4;
  ScopedFont font(g_engine.FPDFText_LoadFont(document.get(), reinterpret_cast<const uint8_t*>(fontBytes.data()),
                                             uint32_t(fontBytes.size()), kTrueTypeFont, 0));
  if (leaveAt == 5) return 5;
  ScopedPageObject path(g_engine.FPDFPageObj_CreateNewPath(10, 10));
  if (leaveAt == 6) return 6;
  EXPECT_NE(page, nullptr);
  EXPECT_NE(text, nullptr);
  EXPECT_NE(search, nullptr);
  EXPECT_NE(bitmap, nullptr);
  EXPECT_NE(font, nullptr);
  EXPECT_NE(path, nullptr);
  return 7;
}

}  // namespace

TEST(EngineHandles, EveryOwnerClosesItsHandleWhenWorkStopsAtAnyStep) {
  std::string fontBytes = ReadBytes(kDejaVuSans);
  ASSERT_FALSE(fontBytes.empty());
  // Handles opened by the time each step is left: step n has opened n + 1 of them.
  for (int step = 0; step <= 7; ++step) {
    SCOPED_TRACE(step);
    LiveHandles live;
    EXPECT_EQ(OpenEveryKindUntil(step, fontBytes), step);
    EXPECT_EQ(live.Open(), HandleCounts{});
    EXPECT_EQ(live.Closes(), std::min(step + 1, 7));
  }
}

TEST(EngineHandles, AnObjectPutOnAPageIsReleasedAndBelongsToThePage) {
  LiveHandles live;
  ScopedDocument document(g_engine.FPDF_CreateNewDocument());
  ScopedPage page(g_engine.FPDFPage_New(document.get(), 0, 200, 100));
  ScopedPageObject kept(g_engine.FPDFPageObj_CreateNewPath(10, 10));
  ScopedPageObject dropped(g_engine.FPDFPageObj_CreateNewPath(20, 20));
  ASSERT_TRUE(kept && dropped);
  ASSERT_TRUE(g_engine.FPDFPath_LineTo(kept.get(), 50, 50));
  ASSERT_TRUE(g_engine.FPDFPath_SetDrawMode(kept.get(), 0, 1));
  g_engine.FPDFPage_InsertObject(page.get(), kept.release());
  EXPECT_EQ(live.Open().looseObjects, 1);
  dropped.reset();
  EXPECT_EQ(live.Open().looseObjects, 0);
  EXPECT_EQ(live.Closes(), 1);

  // The page keeps the released object through a save and a fresh load.
  ASSERT_TRUE(g_engine.FPDFPage_GenerateContent(page.get()));
  page.reset();
  std::string path = ::testing::TempDir() + "engine_handles_released.pdf";
  ASSERT_TRUE(SaveDocumentToPath(document.get(), path));
  document.reset();
  EXPECT_EQ(live.Open(), HandleCounts{});
  ScopedDocument reloaded(g_engine.FPDF_LoadDocument(path.c_str(), nullptr));
  ASSERT_NE(reloaded, nullptr);
  EXPECT_EQ(ObjectCountOnPage(reloaded.get(), 0), 1);
}

TEST(EngineHandles, AnOwnerWhoseOptionalClosingEntryIsMissingLeavesTheHandleAlone) {
  LiveHandles live;
  ScopedDocument document(g_engine.FPDF_CreateNewDocument());
  ScopedPage page(g_engine.FPDFPage_New(document.get(), 0, 200, 100));
  FPDF_TEXTPAGE raw = g_engine.FPDFText_LoadPage(page.get());
  ASSERT_NE(raw, nullptr);
  auto closeText = g_engine.FPDFText_ClosePage;
  g_engine.FPDFText_ClosePage = nullptr;
  { ScopedTextPage text(raw); }
  g_engine.FPDFText_ClosePage = closeText;
  EXPECT_EQ(live.Open().textPages, 1);
  EXPECT_EQ(live.Closes(), 0);
  g_engine.FPDFText_ClosePage(raw);
  EXPECT_EQ(live.Open().textPages, 0);
}
