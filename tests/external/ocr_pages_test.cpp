// Making scanned pages searchable: a LibreOffice page scanned at 300 dpi is recognised by the
// real Tesseract, and its invisible layer is checked with poppler, the engine's search and the
// pixels of the picture.
#include <gtest/gtest.h>

#include <filesystem>

#include "content/ocr_layer.h"
#include "document/document_fonts.h"
#include "document/session.h"
#include "document/text_search.h"
#include "engine/engine_handles.h"
#include "engine/engine_table.h"
#include "external/ocr_document.h"
#include "external/ocr_hocr.h"
#include "external_test.h"
#include "platform/text_encoding.h"
#include "support/document_test.h"
#include "support/image_page_pdf.h"
#include "support/pdf_fixtures.h"
#include "support/scanned_manual.h"

namespace {

TEST(OcrHocrTest, LinesWordsEntitiesAndChineseRunsAreRead) {
  const std::string hocr =
      "<div class='ocr_page' title='bbox 0 0 900 600'>"
      "<span class='ocr_line' id='l1' title=\"bbox 10 20 500 60; baseline 0 -5; x_size 30\">"
      "<span class='ocrx_word' title='bbox 10 20 40 60; x_wconf 90'>三</span> "
      "<span class='ocrx_word' title='bbox 45 20 110 60; x_wconf 90'>角形</span> "
      "<span class='ocrx_word' title='bbox 120 22 200 58; x_wconf 90' lang='eng'><strong>A&amp;B</strong></span> "
      "<span class='ocrx_word' title='bbox 210 22 300 58; x_wconf 90'>&lt;x&gt;&#x4E09;</span> "
      "<span class='ocrx_word' title='bbox 310 22 300 58'>broken</span> "
      "<span class='ocrx_word' title='bbox 320 22 360 58'>   </span></span>"
      "<span class='ocr_caption' title='bbox 10 100 200 140'>"
      "<span class='ocrx_word' title='bbox 10 100 60 140'>图</span></span>"
      "<span class='ocr_line' title='bbox 10 200 50 240'></span></div>";
  std::vector<OcrLine> lines = ParseHocr(hocr);
  ASSERT_EQ(lines.size(), 2u);  // the empty line is dropped
  ASSERT_EQ(lines[0].words.size(), 4u);  // the inverted and the blank word are not
  EXPECT_EQ(lines[0].words[1].text, u"角形");
  EXPECT_EQ(lines[0].words[1].box.left, 45);
  EXPECT_EQ(lines[0].words[1].box.bottom, 60);
  EXPECT_EQ(lines[0].words[2].text, u"A&B");
  EXPECT_EQ(lines[0].words[3].text, u"<x>三");
  EXPECT_EQ(lines[1].words[0].text, u"图");

  std::vector<OcrRun> runs = JoinLineRuns(lines[0]);
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].text, u"三角形");  // no space between Chinese words
  EXPECT_EQ(runs[0].box.left, 10);
  EXPECT_EQ(runs[0].box.right, 110);
  EXPECT_EQ(runs[1].text, u"A&B");
  EXPECT_EQ(runs[2].text, u"<x>三");
}

TEST(OcrPageRangeTest, RangesListsAndMistakes) {
  EXPECT_EQ(ParsePageRange(u"1-3, 5", 6), (std::vector<int>{0, 1, 2, 4}));
  EXPECT_EQ(ParsePageRange(u"5，2－3、2", 6), (std::vector<int>{4, 1, 2}));
  EXPECT_EQ(ParsePageRange(u" 6 ", 6), (std::vector<int>{5}));
  for (const char16_t* bad : {u"", u"0", u"7", u"3-1", u"1-", u"a", u"1.5", u"-2", u"1--2", u"一"}) {
    EXPECT_FALSE(ParsePageRange(bad, 6)) << Utf8(bad);
  }
}

class OcrPagesTest : public DocumentTest {
 protected:
  void SetUp() override {
    DocumentTest::SetUp();
    own_ = root_ + "/own";  // an empty program folder: the Tesseract on the search path
    std::filesystem::create_directories(own_);
    g_platform.programFolder = Utf8ToUtf16(own_);
  }
  void TearDown() override {
    g_platform.programFolder.clear();
    DocumentTest::TearDown();
  }

  void OpenManual(int pages) {
    ASSERT_TRUE(MakeScannedManual(WorkPath("manual"), pages, manual_));
    OpenOrFail(manual_.scan);
  }

  static std::string PictureBytes(FPDF_DOCUMENT document, FPDF_PAGE page) {
    FPDF_PAGEOBJECT image = FirstImage(page);
    if (image == nullptr) return {};
    unsigned long size = g_engine.FPDFImageObj_GetImageDataRaw(image, nullptr, 0);
    std::string bytes(size, '\0');
    g_engine.FPDFImageObj_GetImageDataRaw(image, bytes.data(), size);
    return bytes;
  }

  // Objects of the editor's layer on a page, each checked to be invisible text.
  static int LayerObjects(FPDF_PAGE page) {
    int count = 0;
    for (int i = 0; i < g_engine.FPDFPage_CountObjects(page); ++i) {
      FPDF_PAGEOBJECT object = g_engine.FPDFPage_GetObject(page, i);
      bool marked = false;
      for (int m = 0; m < g_engine.FPDFPageObj_CountMarks(object); ++m) {
        char16_t name[64] = {};
        unsigned long length = 0;
        if (g_engine.FPDFPageObjMark_GetName(g_engine.FPDFPageObj_GetMark(object, static_cast<unsigned long>(m)),
                                             reinterpret_cast<FPDF_WCHAR*>(name), sizeof name, &length) &&
            std::u16string(name) == Utf8ToUtf16(kOcrLayerMark)) {
          marked = true;
        }
      }
      if (!marked) continue;
      ++count;
      EXPECT_EQ(g_engine.FPDFPageObj_GetType(object), 1);
      EXPECT_EQ(g_engine.FPDFTextObj_GetTextRenderMode(object), 3);
    }
    return count;
  }

  // The first place of `word` on page 0 of a document, in page points.
  static std::optional<TextRect> FirstHit(FPDF_DOCUMENT document, const std::u16string& word) {
    std::optional<PageFindResult> found = FindOnPage(document, 0, nullptr, word, {});
    if (!found || found->matches.empty() || found->matches[0].rects.empty()) return std::nullopt;
    return found->matches[0].rects[0];
  }

  std::string own_;
  ScannedManual manual_;
};

TEST_F(OcrPagesTest, AScannedManualBecomesSearchableWithItsPictureUntouched) {
  OpenManual(1);
  std::string pictureBefore = PictureBytes(g_session.document, g_session.currentPage);
  ASSERT_GT(pictureBefore.size(), 10000u);
  ASSERT_FALSE(FirstHit(g_session.document, u"三角形"));  // a bare scan has nothing to find

  OcrRunOutcome outcome = RecognisePages({0}, false);
  EXPECT_EQ(outcome.recognised, 1) << RecordedBoxesText();
  EXPECT_FALSE(outcome.cancelled || outcome.failed);
  EXPECT_GT(outcome.words, 30);
  EXPECT_EQ(g_session.statusText, u"已识别 1 页文字，现在可以查找");
  EXPECT_EQ(g_script.busyTexts.back(), u"正在识别第 1 / 1 页");
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  EXPECT_TRUE(g_session.modified);
  EXPECT_TRUE(TempFiles().empty()) << "work files left behind";

  std::string saved = WorkPath("searchable.pdf");
  ASSERT_TRUE(SaveDocumentToPath(g_session.document, saved));
  // Another reader finds what bare Tesseract reads on the same picture.
  std::vector<std::u16string> bare = BareTesseractWords(manual_.jpeg);
  ASSERT_GT(bare.size(), 40u);
  int found = WordsFoundInOrder(bare, PdfToText(saved));
  EXPECT_GE(found * 100, int(bare.size()) * 95) << found << " of " << bare.size() << " words";

  ScopedDocument reopened(g_engine.FPDF_LoadDocument(saved.c_str(), nullptr));
  ASSERT_NE(reopened, nullptr);
  ScopedPage page(g_engine.FPDF_LoadPage(reopened.get(), 0));
  EXPECT_EQ(PictureBytes(reopened.get(), page.get()), pictureBefore);
  EXPECT_EQ(LayerObjects(page.get()), outcome.words);

  // The hit lies on the word in the picture: the original's own text says where that is.
  ScopedDocument original(g_engine.FPDF_LoadDocument(manual_.original.c_str(), nullptr));
  for (const char16_t* word : {u"三角形", u"isosceles", u"勾股定理"}) {
    std::optional<TextRect> truth = FirstHit(original.get(), word);
    std::optional<TextRect> hit = FirstHit(reopened.get(), word);
    ASSERT_TRUE(truth && hit) << Utf8(word);
    float overlapWidth = std::min(truth->right, hit->right) - std::max(truth->left, hit->left);
    float overlapHeight = std::min(truth->top, hit->top) - std::max(truth->bottom, hit->bottom);
    float truthArea = (truth->right - truth->left) * (truth->top - truth->bottom);
    float hitArea = (hit->right - hit->left) * (hit->top - hit->bottom);
    ASSERT_GT(overlapWidth, 0) << Utf8(word);
    ASSERT_GT(overlapHeight, 0) << Utf8(word);
    EXPECT_GE(overlapWidth * overlapHeight, 0.7f * truthArea) << Utf8(word);
    EXPECT_LE(hitArea, 1.8f * truthArea) << Utf8(word);
  }
}

TEST_F(OcrPagesTest, RunningAgainReplacesOnlyTheEditorsLayerAndPagesWithTextAreSkipped) {
  OpenManual(1);
  ASSERT_EQ(RecognisePages({0}, false).recognised, 1) << RecordedBoxesText();
  int first = LayerObjects(g_session.currentPage);
  ASSERT_GT(first, 30);
  // The teacher's own text on the page.
  FPDF_FONT font = nullptr;
  for (const auto& entry : g_fontCache.entries) font = entry.font.get();
  ASSERT_NE(font, nullptr);
  FPDF_PAGEOBJECT own = g_engine.FPDFPageObj_CreateTextObj(g_session.document, font, 20);
  std::u16string text = u"三角形\0";
  ASSERT_TRUE(g_engine.FPDFText_SetText(own, reinterpret_cast<FPDF_WIDESTRING>(text.c_str())));
  g_engine.FPDFPageObj_Transform(own, 1, 0, 0, 1, 300, 40);
  g_engine.FPDFPage_InsertObject(g_session.currentPage, own);
  ASSERT_TRUE(g_engine.FPDFPage_GenerateContent(g_session.currentPage));
  ASSERT_TRUE(HasOwnText(g_session.currentPage));

  // 识别全部页面文字 leaves a page with text of its own alone.
  size_t runsBefore = g_script.busyTexts.size();
  OcrRunOutcome skipped = RecognisePages({0}, false);
  EXPECT_EQ(skipped.skipped, 1);
  EXPECT_EQ(skipped.recognised, 0);
  EXPECT_EQ(g_script.busyTexts.size(), runsBefore);  // Tesseract never ran
  EXPECT_EQ(g_session.statusText, u"所选页面都已有文字，无需识别");

  // Chosen by the user and confirmed: the layer is replaced, the teacher's text stays.
  g_script.answers = {MessageAnswer::Yes};
  OcrRunOutcome again = RecognisePages({0}, true);
  EXPECT_EQ(again.recognised, 1) << RecordedBoxesText();
  // Only the new layer is there (the teacher's visible line was read too, nothing doubled).
  EXPECT_EQ(LayerObjects(g_session.currentPage), again.words);
  EXPECT_GE(again.words, first);
  EXPECT_LE(again.words, first + 3);
  EXPECT_TRUE(HasOwnText(g_session.currentPage));
  std::optional<PageFindResult> hits = FindOnPage(g_session.document, 0, g_session.currentPage, u"三角形", {});
  ASSERT_TRUE(hits);
  // Three in the picture's layer (the heading, two sentences, the exercise) and the teacher's.
  EXPECT_GE(hits->matches.size(), 4u);
}

TEST_F(OcrPagesTest, CancelHalfWayKeepsTheFinishedPagesAndLeavesNoFiles) {
  OpenManual(3);
  g_script.cancelWhen = [] {
    return !g_script.busyUpdates.empty() && g_script.busyUpdates.back() == u"正在识别第 2 / 3 页";
  };
  OcrRunOutcome outcome = RecognisePages({0, 1, 2}, false);
  EXPECT_TRUE(outcome.cancelled);
  EXPECT_EQ(outcome.recognised, 1);
  EXPECT_EQ(g_session.statusText, u"已取消识别：已完成的 1 页保留识别出的文字（可撤销），其余 2 页未识别");
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  for (int index = 0; index < 3; ++index) {
    ScopedPage page(g_engine.FPDF_LoadPage(g_session.document, index));
    EXPECT_EQ(LayerObjects(page.get()) > 0, index == 0) << "page " << index + 1;
  }
  EXPECT_TRUE(TempFiles().empty()) << "work files left behind";
}

TEST_F(OcrPagesTest, ATesseractFailureStopsTheRunWithItsLogAndNoFiles) {
  WriteFakeProgram(own_, "tesseract", "echo \"Failed loading language 'chi_sim'\"\nexit 1");
  ImagePageSpec spec;
  spec.pages = 2;
  WriteImagePagePdf(WorkPath("grey.pdf"), spec);
  OpenOrFail(WorkPath("grey.pdf"));
  OcrRunOutcome outcome = RecognisePages({0, 1}, false);
  EXPECT_TRUE(outcome.failed);
  EXPECT_EQ(outcome.recognised, 0);
  ASSERT_EQ(g_script.boxes.size(), 1u) << RecordedBoxesText();
  EXPECT_EQ(g_script.boxes[0].caption, u"OCR 识别失败");
  EXPECT_NE(g_script.boxes[0].text.find(u"Failed loading language 'chi_sim'"), std::u16string::npos);
  EXPECT_EQ(g_session.statusText, u"识别未完成：已完成的 0 页保留识别出的文字（可撤销），其余 2 页未识别");
  EXPECT_FALSE(g_session.modified);
  EXPECT_TRUE(TempFiles().empty()) << "work files left behind";
}

}  // namespace
