// Opening, refusing, merging, undoing and searching leave exactly the session's own document
// and page open: whatever else they open is closed again, also when they give up half-way.
#include <gtest/gtest.h>

#include "document/open_document.h"
#include "document/page_operations.h"
#include "document/session.h"
#include "document/text_search.h"
#include "document/undo_history.h"
#include "support/document_test.h"
#include "support/live_handles.h"
#include "support/searchable_pdf.h"
#include "support/text_pdf.h"

namespace {

// The session's document and its current page, nothing else.
HandleCounts SessionOnly() {
  HandleCounts counts;
  counts.documents = 1;
  counts.pages = 1;
  return counts;
}

class HandleBalanceTest : public DocumentTest {
 protected:
  void TearDown() override {
    CloseSessionDocument();
    DocumentTest::TearDown();
  }
};

TEST_F(HandleBalanceTest, RefusedFilesCloseWhatTheyOpenedAndTheSessionKeepsItsOwn) {
  LiveHandles live;
  WriteNumberedPdf(WorkPath("good.pdf"), 3);
  OpenOrFail(WorkPath("good.pdf"));
  EXPECT_EQ(live.Open(), SessionOnly());
  FPDF_PAGE sessionPage = g_session.currentPage;

  // Loaded, then refused for its page size: document and first page both go.
  WriteHandMadePdf(WorkPath("zero-width.pdf"), "/MediaBox [0 0 595 842] /CropBox [600 0 700 842]");
  WritePdfObjects(WorkPath("no-pages.pdf"), {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>"});
  WriteBytes(WorkPath("junk.pdf"), "junk");
  for (const char* name : {"zero-width.pdf", "no-pages.pdf", "junk.pdf"}) {
    SCOPED_TRACE(name);
    int closesBefore = live.Closes();
    EXPECT_FALSE(OpenDocument(WorkPath16(name)));
    EXPECT_EQ(live.Open(), SessionOnly());
    EXPECT_EQ(g_session.currentPage, sessionPage);
    if (std::string(name) == "zero-width.pdf") EXPECT_EQ(live.Closes() - closesBefore, 2);
  }

  // A second, good document replaces the first: the old pair closes, the new pair stays.
  WriteNumberedPdf(WorkPath("other.pdf"), 2);
  int closesBefore = live.Closes();
  OpenOrFail(WorkPath("other.pdf"));
  EXPECT_EQ(live.Open(), SessionOnly());
  EXPECT_EQ(live.Closes() - closesBefore, 2);
  EXPECT_EQ(g_session.pageCount, 2);

  CloseSessionDocument();
  EXPECT_EQ(live.Open(), HandleCounts{});
}

TEST_F(HandleBalanceTest, MergingClosesTheSecondDocumentWhetherItIsUsedOrRefused) {
  WriteNumberedPdf(WorkPath("doc.pdf"), 2);
  OpenOrFail(WorkPath("doc.pdf"));
  WritePdfObjects(WorkPath("no-pages.pdf"), {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>"});
  WriteNumberedPdf(WorkPath("two.pdf"), 2);
  LiveHandles live;  // counted from here: the session's pair is already open

  g_script.dialogAnswers = {WorkPath16("no-pages.pdf")};
  EXPECT_FALSE(MergePdf(-1));
  EXPECT_EQ(g_script.boxes.back().text, u"所选 PDF 中没有可追加的页面。");
  EXPECT_EQ(live.Open(), HandleCounts{});

  g_script.dialogAnswers = {WorkPath16("two.pdf")};
  EXPECT_FALSE(MergePdf(7));  // beyond the end
  EXPECT_EQ(live.Open(), HandleCounts{});
  EXPECT_EQ(live.Closes(), 2);  // each refused second document, once

  // Inserted after page 1: the session turns to the first inserted page and closes the old one.
  g_script.dialogAnswers = {WorkPath16("two.pdf")};
  EXPECT_TRUE(MergePdf(1));
  EXPECT_EQ(PageWidths(g_session.document), (std::vector<float>{300, 300, 301, 301}));
  EXPECT_EQ(g_session.currentPageIndex, 1);
  EXPECT_EQ(live.Open(), HandleCounts{});
}

TEST_F(HandleBalanceTest, ABlankPageAndAnUndoLeaveOnlyTheSessionsPair) {
  WriteNumberedPdf(WorkPath("doc.pdf"), 2);
  LiveHandles live;
  OpenOrFail(WorkPath("doc.pdf"));
  ASSERT_TRUE(InsertBlankPage(1));
  EXPECT_EQ(g_session.pageCount, 3);
  EXPECT_EQ(live.Open(), SessionOnly());

  EditOnce();
  ASSERT_TRUE(Undo());  // the snapshot document replaces the edited one
  EXPECT_EQ(live.Open(), SessionOnly());
  ASSERT_TRUE(Redo());
  EXPECT_EQ(live.Open(), SessionOnly());
}

TEST_F(HandleBalanceTest, SearchingAPageClosesItsTextPageSearchAndAnyPageItLoaded) {
  WriteSearchablePdf(WorkPath("book.pdf"), {SearchablePage{TextAt(72, 700, 12, "alpha beta alpha")},
                                            SearchablePage{TextAt(72, 700, 12, "gamma alpha")}});
  OpenOrFail(WorkPath("book.pdf"));
  LiveHandles live;

  auto other = FindOnPage(g_session.document, 1, nullptr, u"alpha", {});
  ASSERT_TRUE(other);
  EXPECT_EQ(other->matches.size(), 1u);
  EXPECT_EQ(live.Open(), HandleCounts{});
  EXPECT_EQ(live.Closes(), 3);  // the loaded page, its text page and the search

  auto shown = FindOnPage(g_session.document, 0, g_session.currentPage, u"alpha", {});
  ASSERT_TRUE(shown);
  EXPECT_EQ(shown->matches.size(), 2u);
  EXPECT_EQ(live.Open(), HandleCounts{});
  EXPECT_EQ(live.Closes(), 5);  // the session's page stays open
  EXPECT_NE(g_session.currentPage, nullptr);

  auto missing = FindOnPage(g_session.document, 1, nullptr, u"delta", {});
  ASSERT_TRUE(missing);
  EXPECT_TRUE(missing->matches.empty());
  EXPECT_EQ(live.Open(), HandleCounts{});
}

}  // namespace
