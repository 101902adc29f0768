// Searching the text layer across the document, the outline and page labels, against real
// PDFs opened through the session.
#include <gtest/gtest.h>

#include "document/find_in_document.h"
#include "document/outline.h"
#include "document/page_labels.h"
#include "document/session.h"
#include "support/document_test.h"
#include "support/searchable_pdf.h"
#include "support/text_pdf.h"

namespace {

// Runs the search as the window does, a page per turn, until the pending step settles.
StepOutcome RunUntilSettled() {
  StepOutcome outcome = SettlePendingStep();
  while (outcome == StepOutcome::Waiting || (g_find.pendingStep != 0 && g_find.running)) {
    if (!SearchNextPage()) break;
    outcome = SettlePendingStep();
  }
  return outcome;
}

void RunToEnd() {
  while (SearchNextPage()) {
  }
}

std::vector<SearchablePage> TextbookPages(int count, int phrasePage) {
  std::vector<SearchablePage> pages(size_t(count), SearchablePage{});
  for (int i = 0; i < count; ++i) {
    pages[size_t(i)].content = ChineseTextAt(72, 760, 14, "第" + std::to_string(i + 1) + "页 直角三角形的边长") +
                               TextAt(72, 720, 12, "Chapter text for page " + std::to_string(i + 1));
  }
  pages[size_t(phrasePage)].content += ChineseTextAt(72, 400, 18, "勾股定理：a²+b²=c²");
  return pages;
}

class FindTest : public DocumentTest {
 protected:
  void OpenPages(const std::vector<SearchablePage>& pages, const std::string& catalog = "",
                 const std::vector<std::string>& extra = {}) {
    WriteSearchablePdf(WorkPath("book.pdf"), pages, catalog, extra);
    OpenOrFail(WorkPath("book.pdf"));
  }
  void TearDown() override {
    ClearFind();
    DocumentTest::TearDown();
  }
};

TEST_F(FindTest, AChinesePhraseOnPage250IsFoundFromPage1AfterSearching250Pages) {
  OpenPages(TextbookPages(300, 249));
  ASSERT_EQ(g_session.currentPageIndex, 0);
  StartFind(u"勾股定理", {});
  EXPECT_EQ(RunUntilSettled(), StepOutcome::Moved);
  EXPECT_EQ(g_find.currentPage, 249);
  EXPECT_EQ(g_find.pagesSearched, 250);  // it lands before the rest of the book is read
  ASSERT_NE(CurrentMatch(), nullptr);
  EXPECT_EQ(CurrentMatch()->charCount, 4);
  ASSERT_EQ(CurrentMatch()->rects.size(), 1u);
  TextRect rect = CurrentMatch()->rects[0];
  EXPECT_NEAR(rect.left, 72, 3);
  EXPECT_GT(rect.top, rect.bottom);
  EXPECT_NEAR(rect.bottom, 400, 6);
  EXPECT_NEAR(rect.right - rect.left, 4 * 18, 6);
  RunToEnd();
  EXPECT_TRUE(FindComplete());
  EXPECT_EQ(FindTotal(), 1);
  EXPECT_EQ(FindOrdinal(), 1);
  EXPECT_EQ(g_find.pagesWithText, 300);
}

TEST_F(FindTest, StepsGoRoundTheDocumentBothWays) {
  std::vector<SearchablePage> pages(4, SearchablePage{});
  pages[0].content = ChineseTextAt(72, 700, 14, "三角形 第一处");
  pages[1].content = ChineseTextAt(72, 700, 14, "没有");
  pages[2].content = ChineseTextAt(72, 700, 14, "三角形") + ChineseTextAt(72, 500, 14, "等边三角形");
  pages[3].content = ChineseTextAt(72, 700, 14, "圆");
  OpenPages(pages);
  ASSERT_TRUE(GoToPage(1));
  StartFind(u"三角形", {});
  ASSERT_EQ(RunUntilSettled(), StepOutcome::Moved);
  EXPECT_EQ(g_find.currentPage, 2);
  EXPECT_EQ(g_find.currentMatch, 0);
  EXPECT_EQ(g_find.wrapped, 0);
  ASSERT_EQ(StepFind(+1), StepOutcome::Moved);
  EXPECT_EQ(g_find.currentPage, 2);
  EXPECT_EQ(g_find.currentMatch, 1);
  EXPECT_GT(CurrentMatch()->rects[0].left, 72 + 14);  // the second one sits after "等边"
  // Page 1 is searched last: the step past page 3 waits for it, then goes round.
  StepOutcome beyond = StepFind(+1);
  if (beyond == StepOutcome::Waiting) beyond = RunUntilSettled();
  ASSERT_EQ(beyond, StepOutcome::Moved);
  EXPECT_EQ(g_find.currentPage, 0);
  EXPECT_EQ(g_find.wrapped, 1);
  EXPECT_EQ(FindOrdinal(), 1);
  EXPECT_EQ(FindTotal(), 3);
  ASSERT_EQ(StepFind(-1), StepOutcome::Moved);  // back round the start
  EXPECT_EQ(g_find.currentPage, 2);
  EXPECT_EQ(g_find.currentMatch, 1);
  EXPECT_EQ(g_find.wrapped, -1);
  ASSERT_EQ(StepFind(-1), StepOutcome::Moved);
  EXPECT_EQ(g_find.currentMatch, 0);
  EXPECT_EQ(g_find.wrapped, 0);
  EXPECT_EQ(FindOrdinal(), 2);
}

TEST_F(FindTest, CaseAndWholeWordOptionsNarrowTheMatches) {
  std::vector<SearchablePage> pages(1, SearchablePage{});
  pages[0].content = TextAt(72, 700, 14, "Area area areas AREA");
  OpenPages(pages);
  auto count = [](FindOptions options) {
    StartFind(u"area", options);
    RunToEnd();
    return FindTotal();
  };
  EXPECT_EQ(count({}), 4);
  EXPECT_EQ(count({true, false}), 2);
  EXPECT_EQ(count({false, true}), 3);
  EXPECT_EQ(count({true, true}), 1);
  EXPECT_TRUE(FindMatchesQuery(u"area", {true, true}));
  EXPECT_FALSE(FindMatchesQuery(u"area", {true, false}));
  EXPECT_FALSE(FindMatchesQuery(u"Area", {true, true}));
}

TEST_F(FindTest, NoMatchAndNoTextLayerAreToldApart) {
  std::vector<SearchablePage> pages(3, SearchablePage{});
  for (auto& page : pages) page.content = ChineseTextAt(72, 700, 14, "函数与方程");
  OpenPages(pages);
  StartFind(u"勾股定理", {});
  EXPECT_EQ(RunUntilSettled(), StepOutcome::NoMatch);
  EXPECT_TRUE(FindComplete());
  EXPECT_EQ(FindTotal(), 0);
  EXPECT_EQ(g_find.pagesWithText, 3);
  EXPECT_EQ(g_find.currentPage, -1);
  EXPECT_EQ(StepFind(-1), StepOutcome::NoMatch);

  WriteTestPdf(WorkPath("scan.pdf"), {PageSpec{}, PageSpec{}});  // only drawn lines, no text
  OpenOrFail(WorkPath("scan.pdf"));
  StartFind(u"勾股定理", {});
  EXPECT_EQ(RunUntilSettled(), StepOutcome::NoMatch);
  EXPECT_EQ(g_find.pagesWithText, 0);
}

TEST_F(FindTest, CancellingStopsTheSearchAndAStepResumesIt) {
  OpenPages(TextbookPages(40, 30));
  StartFind(u"勾股定理", {});
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(SearchNextPage());
  CancelFind();
  EXPECT_FALSE(g_find.running);
  EXPECT_FALSE(SearchNextPage());
  EXPECT_EQ(g_find.pagesSearched, 5);
  EXPECT_EQ(g_find.pendingStep, 0);
  EXPECT_EQ(SettlePendingStep(), StepOutcome::NoMatch);  // a cancelled search moves nowhere
  EXPECT_EQ(g_find.currentPage, -1);
  // The next step carries on from where the search stopped.
  EXPECT_EQ(StepFind(+1), StepOutcome::Waiting);
  EXPECT_TRUE(g_find.running);
  EXPECT_EQ(RunUntilSettled(), StepOutcome::Moved);
  EXPECT_EQ(g_find.currentPage, 30);
  EXPECT_EQ(g_find.pagesSearched, 31);
}

TEST_F(FindTest, AnEditOrAnotherDocumentMakesTheResultsStale) {
  OpenPages(TextbookPages(3, 1));
  StartFind(u"勾股定理", {});
  ASSERT_EQ(RunUntilSettled(), StepOutcome::Moved);
  ASSERT_NE(CurrentMatch(), nullptr);
  ASSERT_NE(MatchesOnPage(1), nullptr);
  EditOnce();
  EXPECT_FALSE(FindResultsCurrent());
  EXPECT_EQ(CurrentMatch(), nullptr);
  EXPECT_EQ(MatchesOnPage(1), nullptr);
  EXPECT_FALSE(SearchNextPage());
  EXPECT_FALSE(FindMatchesQuery(u"勾股定理", {}));
  // A fresh search sees the page as it is now, the unsaved edit included.
  StartFind(u"勾股定理", {});
  EXPECT_EQ(RunUntilSettled(), StepOutcome::Moved);
  EXPECT_EQ(g_find.currentPage, 1);
}

TEST_F(FindTest, PageLabelsAreReadWhereTheDocumentDefinesThem) {
  std::vector<SearchablePage> pages(6, SearchablePage{});
  OpenPages(pages, "/PageLabels << /Nums [0 << /S /r >> 3 << /S /D /P (A-) >> 5 << /S /D /St 6 >> ] >>");
  EXPECT_EQ(PageLabel(g_session.document, 0), u"i");
  EXPECT_EQ(PageLabel(g_session.document, 2), u"iii");
  EXPECT_EQ(PageLabel(g_session.document, 3), u"A-1");
  EXPECT_EQ(PageLabel(g_session.document, 4), u"A-2");
  EXPECT_EQ(PageLabel(g_session.document, 5), u"");  // "6" is just the page number
  EXPECT_EQ(PageLabel(g_session.document, 6), u"");

  OpenPages(std::vector<SearchablePage>(2, SearchablePage{}));
  EXPECT_EQ(PageLabel(g_session.document, 0), u"");
}

TEST_F(FindTest, TheOutlineIsReadWithItsTargetsAndALoopIsReadOnce) {
  // Objects 7–10 are the pages; 11 the outline root; 12–14 its entries, the last linking back
  // to the first; 15 a child of the first.
  std::vector<SearchablePage> pages(2, SearchablePage{});
  OpenPages(pages, "/Outlines 11 0 R",
            {"<< /Type /Outlines /First 12 0 R /Last 14 0 R /Count 3 >>",
             "<< /Title <FEFF7B2C4E007AE0> /Parent 11 0 R /Dest [9 0 R /Fit] /Next 13 0 R /First 15 0 R "
             "/Last 15 0 R /Count 1 >>",
             "<< /Title (Go to) /Parent 11 0 R /A << /S /GoTo /D [7 0 R /Fit] >> /Prev 12 0 R /Next 14 0 R >>",
             "<< /Title (Web) /Parent 11 0 R /A << /S /URI /URI (https://example.org/) >> /Prev 13 0 R "
             "/Next 12 0 R >>",
             "<< /Title (Child) /Parent 12 0 R /Dest [7 0 R /XYZ 0 800 0] >>"});
  std::vector<OutlineNode> outline = ReadOutline(g_session.document);
  ASSERT_EQ(outline.size(), 3u);
  EXPECT_EQ(outline[0].title, u"第一章");
  EXPECT_EQ(outline[0].pageIndex, 1);
  ASSERT_EQ(outline[0].children.size(), 1u);
  EXPECT_EQ(outline[0].children[0].title, u"Child");
  EXPECT_EQ(outline[0].children[0].pageIndex, 0);
  EXPECT_EQ(outline[1].title, u"Go to");
  EXPECT_EQ(outline[1].pageIndex, 0);
  EXPECT_EQ(outline[2].title, u"Web");
  EXPECT_EQ(outline[2].pageIndex, -1);  // leads out of the document

  OpenPages(pages);
  EXPECT_TRUE(ReadOutline(g_session.document).empty());
}

}  // namespace
