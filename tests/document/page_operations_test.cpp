#include <gtest/gtest.h>

#include "document/open_document.h"
#include "document/page_operations.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "engine/engine_table.h"
#include "platform/text_encoding.h"
#include "support/document_test.h"

namespace {

class PageOperationsTest : public DocumentTest {
 protected:
  void OpenNumbered(int pages) {
    WriteNumberedPdf(WorkPath("doc.pdf"), pages);
    OpenOrFail(WorkPath("doc.pdf"));
  }
  std::vector<float> Widths() const { return PageWidths(g_session.document); }
};

TEST_F(PageOperationsTest, DeletingTheLastPageShowsTheNewLastPage) {
  OpenNumbered(5);
  ASSERT_TRUE(GoToPage(4));
  ASSERT_TRUE(DeleteCurrentPage());
  EXPECT_EQ(g_session.pageCount, 4);
  EXPECT_EQ(g_session.currentPageIndex, 3);
  EXPECT_FLOAT_EQ(g_session.pageWidth, 303);
  EXPECT_EQ(g_session.statusText, u"已删除第 5 页，剩余 4 页");
  EXPECT_TRUE(g_session.modified);
  EXPECT_EQ(Widths(), (std::vector<float>{300, 301, 302, 303}));
  EXPECT_TRUE(TempFiles().empty());  // the backup is gone
  EXPECT_TRUE(g_script.boxes.empty());
}

TEST_F(PageOperationsTest, TheOnlyPageCannotBeDeleted) {
  OpenNumbered(1);
  EXPECT_FALSE(DeleteCurrentPage());
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"无法删除页面");
  EXPECT_EQ(g_script.boxes[0].text, u"PDF 文档至少需保留一个页面。");
  EXPECT_EQ(g_script.boxes[0].icon, MessageIcon::Information);
  EXPECT_EQ(g_session.pageCount, 1);
  EXPECT_FALSE(g_session.modified);
}

TEST_F(PageOperationsTest, ABlankPageTakesTheCurrentPageSize) {
  OpenNumbered(4);
  ASSERT_TRUE(GoToPage(1));
  ASSERT_TRUE(InsertBlankPage(g_session.currentPageIndex + 1));
  EXPECT_EQ(g_session.currentPageIndex, 2);
  EXPECT_EQ(Widths(), (std::vector<float>{300, 301, 301, 302, 303}));
  EXPECT_FLOAT_EQ(g_session.pageHeight, 400);
  EXPECT_EQ(CurrentObjectCount(), 0);
  EXPECT_EQ(g_session.statusText, u"已在第 2 页后增加空白 PDF 页，现共 5 页");
  EXPECT_FALSE(InsertBlankPage(9));
  EXPECT_EQ(g_script.boxes.back().text, u"无法获取当前 PDF 页面尺寸，未插入空白页。");
}

TEST_F(PageOperationsTest, MergingAppendsKeepsThePageAndOffersTheMergedCopy) {
  OpenNumbered(4);
  ASSERT_TRUE(GoToPage(1));
  WriteTestPdf(WorkPath("extra.pdf"), {{500, 500, 0, 2}, {501, 500, 0, 2}, {502, 500, 0, 2}});
  g_script.dialogAnswers = {WorkPath16("extra.pdf"), std::nullopt};
  ASSERT_TRUE(MergePdf(-1));
  EXPECT_EQ(g_script.dialogs[0].title, u"选择要追加的 PDF 文件");
  EXPECT_EQ(g_session.currentPageIndex, 1);
  EXPECT_EQ(Widths(), (std::vector<float>{300, 301, 302, 303, 500, 501, 502}));
  EXPECT_EQ(g_session.statusText, u"已追加 3 页，现共 7 页；正在另存合并文件");
  ASSERT_EQ(g_script.dialogs.size(), 2u);
  EXPECT_TRUE(g_script.dialogs[1].save);
  EXPECT_EQ(g_script.dialogs[1].defaultName, u"doc_merged.pdf");
  EXPECT_TRUE(g_session.modified);

  g_script.dialogAnswers = {WorkPath16("extra.pdf"), WorkPath16("merged.pdf")};
  ASSERT_TRUE(MergePdf(g_session.currentPageIndex + 1));
  EXPECT_EQ(g_session.currentPageIndex, 2);
  EXPECT_EQ(g_session.statusText, u"已保存合并 PDF 副本。");
  EXPECT_EQ(PageWidthsOfFile(WorkPath("merged.pdf")),
            (std::vector<float>{300, 301, 500, 501, 502, 302, 303, 500, 501, 502}));
}

TEST_F(PageOperationsTest, MergeRefusalsLeaveTheDocumentAlone) {
  g_script.dialogAnswers = {WorkPath16("nothing.pdf")};
  EXPECT_FALSE(MergePdf(-1));
  EXPECT_EQ(g_script.boxes.back().caption, u"合并 PDF");
  EXPECT_EQ(g_script.boxes.back().text, u"请先打开第一个 PDF 文件，再选择要追加的 PDF。");

  OpenNumbered(2);
  WriteBytes(WorkPath("junk.pdf"), "junk");
  g_script.dialogAnswers = {WorkPath16("junk.pdf")};
  EXPECT_FALSE(MergePdf(-1));
  EXPECT_EQ(g_script.boxes.back().caption, u"打开第二个 PDF 失败");
  EXPECT_EQ(g_script.boxes.back().text, u"文件不是有效的 PDF 文档。");

  WriteNumberedPdf(WorkPath("two.pdf"), 2);
  g_script.dialogAnswers = {WorkPath16("two.pdf")};
  size_t boxes = g_script.boxes.size();
  EXPECT_FALSE(MergePdf(7));  // beyond the end: stops quietly
  EXPECT_EQ(g_script.boxes.size(), boxes);
  EXPECT_EQ(Widths(), (std::vector<float>{300, 301}));
  EXPECT_NE(g_session.currentPage, nullptr);
  EXPECT_FALSE(g_session.modified);
  EXPECT_TRUE(TempFiles().empty());
}

TEST_F(PageOperationsTest, MovingPagesAndTheTrivialMove) {
  OpenNumbered(4);
  EXPECT_TRUE(MovePage(0, 0));
  EXPECT_FALSE(g_session.modified);
  EXPECT_FALSE(MovePage(0, 4));
  EXPECT_TRUE(g_script.boxes.empty());
  ASSERT_TRUE(MovePage(0, 3));
  EXPECT_EQ(Widths(), (std::vector<float>{301, 302, 303, 300}));
  EXPECT_EQ(g_session.currentPageIndex, 3);
  EXPECT_EQ(g_session.statusText, u"已将第 1 页移动到第 4 页");
}

TEST_F(PageOperationsTest, RotationTurnsAndSwapsThePageSize) {
  WriteTestPdf(WorkPath("a4.pdf"), {{595, 842, 0, 1}});
  OpenOrFail(WorkPath("a4.pdf"));
  ASSERT_TRUE(RotateCurrentPage(+1));
  EXPECT_EQ(g_engine.FPDFPage_GetRotation(g_session.currentPage), 1);
  EXPECT_FLOAT_EQ(g_session.pageWidth, 842);
  EXPECT_EQ(g_session.statusText, u"当前页已顺时针旋转 90°");
  ASSERT_TRUE(RotateCurrentPage(-1));
  ASSERT_TRUE(RotateCurrentPage(-1));
  EXPECT_EQ(g_engine.FPDFPage_GetRotation(g_session.currentPage), 3);
  EXPECT_EQ(g_session.statusText, u"当前页已逆时针旋转 90°");
  EXPECT_TRUE(g_session.modified);
}

// A failing engine step is simulated with a stand-in slot: no input makes these fail.
FPDF_BOOL RefuseMove(FPDF_DOCUMENT, const int*, unsigned long, int) { return 0; }
FPDF_DOCUMENT RefuseLoad(FPDF_FILEACCESS*, const char*) { return nullptr; }

TEST_F(PageOperationsTest, AFailedEngineStepReloadsTheBackup) {
  OpenNumbered(3);
  ASSERT_TRUE(GoToPage(1));
  EditOnce();
  auto realMove = g_engine.FPDF_MovePages;
  g_engine.FPDF_MovePages = RefuseMove;
  bool moved = MovePage(1, 2);
  g_engine.FPDF_MovePages = realMove;
  EXPECT_FALSE(moved);
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"移动页面失败");
  EXPECT_EQ(g_script.boxes[0].text, u"PDF 页面顺序更新失败，已恢复原文档。");
  EXPECT_EQ(g_session.statusText, u"已从备份恢复 PDF");
  EXPECT_EQ(Widths(), (std::vector<float>{300, 301, 302}));
  EXPECT_EQ(g_session.currentPageIndex, 1);
  EXPECT_EQ(CurrentObjectCount(), 2);  // the unsaved edit survived through the backup
  EXPECT_TRUE(g_session.modified);
  EXPECT_EQ(g_session.path, WorkPath16("doc.pdf"));
}

TEST_F(PageOperationsTest, WhenTheBackupCannotBeReloadedItIsKeptAndNamed) {
  OpenNumbered(3);
  auto realMove = g_engine.FPDF_MovePages;
  auto realLoad = g_engine.FPDF_LoadCustomDocument;
  g_engine.FPDF_MovePages = RefuseMove;
  g_engine.FPDF_LoadCustomDocument = RefuseLoad;
  bool moved = MovePage(0, 2);
  g_engine.FPDF_MovePages = realMove;
  g_engine.FPDF_LoadCustomDocument = realLoad;
  EXPECT_FALSE(moved);
  ASSERT_EQ(g_script.boxes.size(), 1u);
  auto files = TempFiles();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].text,
            u"PDF 页面顺序更新失败，无法自动恢复。\n完整备份保留在：" + Utf8ToUtf16(temp_ + "/" + files[0]));
  EXPECT_EQ(g_session.statusText, u"页面移动失败，请保留备份文件");
  EXPECT_EQ(g_session.document, nullptr);
  EXPECT_EQ(g_session.pageCount, 0);
  EXPECT_TRUE(g_session.modified);
  EXPECT_EQ(PageWidthsOfFile(temp_ + "/" + files[0]), (std::vector<float>{300, 301, 302}));
}

}  // namespace
