#include <gtest/gtest.h>

#include <cstdlib>

#include "document/edit_wrapper.h"
#include "document/crash_recovery.h"
#include "document/open_document.h"
#include "document/page_operations.h"
#include "document/save_copy.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "engine/engine_table.h"
#include "platform/text_encoding.h"
#include "support/document_test.h"

namespace {

class UndoTest : public DocumentTest {
 protected:
  void SetUp() override {
    DocumentTest::SetUp();
    WriteNumberedPdf(WorkPath("doc.pdf"), 3);
    OpenOrFail(WorkPath("doc.pdf"));
  }
};

TEST_F(UndoTest, ACommandThatChangesNothingLeavesNoRecordAndNoFile) {
  NoEditCommand();
  EXPECT_TRUE(g_history.undo.empty());
  EXPECT_TRUE(TempFiles().empty());
  BeginDragEdit();
  EXPECT_TRUE(DragEditHeld());
  EndDragEdit();
  EXPECT_FALSE(DragEditHeld());
  EXPECT_TRUE(g_history.undo.empty());
  EXPECT_TRUE(TempFiles().empty());
}

TEST_F(UndoTest, EachEditIsOneStepAndUndoRedoRestoreExactly) {
  EditOnce();
  EditOnce();
  EXPECT_EQ(CurrentObjectCount(), 3);
  ASSERT_EQ(g_history.undo.size(), 2u);
  ASSERT_TRUE(Undo());
  EXPECT_EQ(CurrentObjectCount(), 2);
  EXPECT_EQ(g_session.statusText, u"已撤销上一步操作");
  ASSERT_TRUE(Undo());
  EXPECT_EQ(CurrentObjectCount(), 1);
  EXPECT_FALSE(g_session.modified);
  EXPECT_FALSE(Undo());  // empty: nothing happens, nothing is said
  ASSERT_TRUE(Redo());
  EXPECT_EQ(CurrentObjectCount(), 2);
  EXPECT_EQ(g_session.statusText, u"已重做上一步操作");
  EXPECT_TRUE(g_session.modified);
  EXPECT_EQ(g_history.undo.size(), 1u);
  EXPECT_EQ(g_history.redo.size(), 1u);
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  // The path survives undo: saving is still refused over the original.
  EXPECT_EQ(g_session.path, WorkPath16("doc.pdf"));
}

TEST_F(UndoTest, SixtyEditsKeepFiftyUndoFiles) {
  for (int i = 0; i < 60; ++i) EditOnce();
  EXPECT_EQ(g_history.undo.size(), kMaxUndoDepth);
  EXPECT_EQ(TempFiles().size(), 50u);
  int undone = 0;
  while (Undo()) ++undone;
  EXPECT_EQ(undone, 50);
  EXPECT_EQ(CurrentObjectCount(), 11);  // one fixture line plus the ten edits that cannot be undone
  // 50 redo files, plus the file the restored document is read from.
  EXPECT_EQ(TempFiles().size(), 51u);
}

TEST_F(UndoTest, ANewEditEmptiesTheRedoListAndDeletesItsFiles) {
  EditOnce();
  EditOnce();
  ASSERT_TRUE(Undo());
  ASSERT_TRUE(Undo());
  ASSERT_EQ(g_history.redo.size(), 2u);
  std::vector<std::u16string> redoFiles;
  for (auto& record : g_history.redo) redoFiles.push_back(record.snapshotPath);
  EditOnce();
  EXPECT_TRUE(g_history.redo.empty());
  for (auto& file : redoFiles) EXPECT_FALSE(Exists(Utf8(file)));
  EXPECT_EQ(g_history.undo.size(), 1u);
}

TEST_F(UndoTest, UndoAfterSavingShowsTheDocumentModified) {
  EditOnce();
  g_script.dialogAnswers = {WorkPath16("saved.pdf")};
  ASSERT_TRUE(SavePdfCopy(u"_annotated.pdf", u"已保存 PDF 副本。"));
  EXPECT_EQ(WindowTitle(), u"Corvan PDF 编辑器 - saved.pdf  (1/3)");
  ASSERT_TRUE(Undo()) << RecordedBoxesText();
  EXPECT_EQ(WindowTitle(), u"Corvan PDF 编辑器 - saved.pdf  (1/3) *");
  // Redo brings back exactly what was saved, captured after the save.
  ASSERT_TRUE(Redo());
  EXPECT_FALSE(g_session.modified);
}

TEST_F(UndoTest, AnEditThatAlsoSavesStillUndoesToAModifiedDocument) {
  EditScope scope = BeginPossibleEdit();
  AddLinePath(g_session.currentPage, 5, 5);
  NotifyObjectModified();
  g_script.dialogAnswers = {WorkPath16("inside.pdf")};
  ASSERT_TRUE(SavePdfCopy(u"_annotated.pdf", u"已保存 PDF 副本。"));
  EndPossibleEdit(scope);
  ASSERT_EQ(g_history.undo.size(), 1u);
  EXPECT_TRUE(g_history.undo[0].modified);
  ASSERT_TRUE(Undo());
  EXPECT_TRUE(g_session.modified);
}

TEST_F(UndoTest, UndoReturnsToThePageOfTheSnapshotOrTheLastPage) {
  ASSERT_TRUE(GoToPage(2));
  EditOnce();
  ASSERT_TRUE(GoToPage(0));
  ASSERT_TRUE(Undo());
  EXPECT_EQ(g_session.currentPageIndex, 2);
  EXPECT_FLOAT_EQ(g_session.pageWidth, 302);

  // A snapshot taken on a page that no longer exists comes back on the last page.
  SnapshotRecord record = *CaptureRecord();
  record.pageIndex = 9;
  ASSERT_TRUE(RestoreRecord(record));
  EXPECT_EQ(g_session.currentPageIndex, 2);
}

TEST_F(UndoTest, ARestoredDocumentStaysReadableUntilItIsReplaced) {
  ASSERT_TRUE(GoToPage(1));
  EditOnce();
  ASSERT_TRUE(Undo());
  std::u16string backing = g_session.backingFile;
  ASSERT_FALSE(backing.empty());
  // Pages not yet loaded are read from the backing file long after the undo.
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(GoToPage(i));
  EXPECT_FLOAT_EQ(g_session.pageWidth, 302);
  g_script.dialogAnswers = {WorkPath16("copy.pdf")};
  ASSERT_TRUE(SavePdfCopy(u"_annotated.pdf", u"已保存 PDF 副本。"));
  EXPECT_EQ(PageWidthsOfFile(WorkPath("copy.pdf")), (std::vector<float>{300, 301, 302}));
  ASSERT_TRUE(NewBlankDocument());
  EXPECT_FALSE(Exists(Utf8(backing)));
  EXPECT_TRUE(TempFiles().empty());
}

TEST_F(UndoTest, ADragIsOneUndoStep) {
  BeginDragEdit();
  for (int i = 0; i < 5; ++i) {
    AddLinePath(g_session.currentPage, 10.0f * i, 10);
    NotifyObjectModified();
  }
  EndDragEdit();
  ASSERT_EQ(g_history.undo.size(), 1u);
  ASSERT_TRUE(Undo());
  EXPECT_EQ(CurrentObjectCount(), 1);
}

TEST_F(UndoTest, ACommandRoutedInsideAnotherWrappedInputIsPartOfItsStep) {
  EditScope outer = BeginPossibleEdit();  // a context menu
  EditScope inner = BeginPossibleEdit();  // the menu item it routes
  AddLinePath(g_session.currentPage, 1, 1);
  NotifyObjectModified();
  EndPossibleEdit(inner);
  EXPECT_TRUE(g_history.undo.empty());
  EndPossibleEdit(outer);
  EXPECT_EQ(g_history.undo.size(), 1u);
  EXPECT_EQ(TempFiles().size(), 1u);
  EditOnce();  // and the next input is wrapped on its own again
  EXPECT_EQ(g_history.undo.size(), 2u);
}

TEST_F(UndoTest, AFailedCaptureLetsTheEditHappenAndSaysSoAfterwards) {
  setenv("TMPDIR", WorkPath("no-such-folder").c_str(), 1);
  EditOnce();
  EXPECT_EQ(CurrentObjectCount(), 2);
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"撤销记录不可用");
  EXPECT_EQ(g_script.boxes[0].text, u"本次编辑已完成，但无法创建撤销记录。");
  EXPECT_EQ(g_script.boxes[0].icon, MessageIcon::Warning);
  EXPECT_TRUE(g_history.undo.empty());

  // Undo cannot capture the redo state either, and leaves the document alone.
  setenv("TMPDIR", temp_.c_str(), 1);
  EditOnce();
  setenv("TMPDIR", WorkPath("no-such-folder").c_str(), 1);
  g_script.boxes.clear();
  EXPECT_FALSE(Undo());
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"撤销失败");
  EXPECT_EQ(g_script.boxes[0].text, u"无法为当前 PDF 创建重做记录，撤销未执行。");
  EXPECT_EQ(CurrentObjectCount(), 3);
  EXPECT_EQ(g_history.undo.size(), 1u);
}

TEST_F(UndoTest, AnUnreadableRecordLeavesTheDocumentUnchanged) {
  EditOnce();
  WriteBytes(Utf8(g_history.undo.back().snapshotPath), "damaged");
  EXPECT_FALSE(Undo());
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].text, u"无法恢复撤销记录，当前 PDF 保持不变。");
  EXPECT_EQ(CurrentObjectCount(), 2);
  EXPECT_EQ(g_history.undo.size(), 1u);
  EXPECT_TRUE(g_history.redo.empty());
  EXPECT_EQ(TempFiles().size(), 1u);  // the damaged record only; the redo capture was deleted
}

TEST_F(UndoTest, PageOperationsUndoToThePreviousPageList) {
  ASSERT_TRUE(GoToPage(2));
  EditScope scope = BeginPossibleEdit();
  ASSERT_TRUE(DeleteCurrentPage());
  EndPossibleEdit(scope);
  EXPECT_EQ(PageWidths(g_session.document), (std::vector<float>{300, 301}));
  scope = BeginPossibleEdit();
  ASSERT_TRUE(MovePage(0, 1));
  EndPossibleEdit(scope);
  EXPECT_EQ(PageWidths(g_session.document), (std::vector<float>{301, 300}));
  for (int turn = 0; turn < 4; ++turn) {
    scope = BeginPossibleEdit();
    ASSERT_TRUE(RotateCurrentPage(+1));
    EndPossibleEdit(scope);
  }
  EXPECT_EQ(g_engine.FPDFPage_GetRotation(g_session.currentPage), 0);
  EXPECT_EQ(g_history.undo.size(), 6u);
  for (int turn = 0; turn < 4; ++turn) ASSERT_TRUE(Undo());
  ASSERT_TRUE(Undo());
  EXPECT_EQ(PageWidths(g_session.document), (std::vector<float>{300, 301}));
  ASSERT_TRUE(Undo());
  EXPECT_EQ(PageWidths(g_session.document), (std::vector<float>{300, 301, 302}));
  EXPECT_EQ(g_session.currentPageIndex, 2);
}

}  // namespace

namespace {

FPDF_BOOL (*g_realMove)(FPDF_DOCUMENT, const int*, unsigned long, int) = nullptr;
FPDF_DOCUMENT (*g_realLoad)(FPDF_FILEACCESS*, const char*) = nullptr;
FPDF_DOCUMENT RefuseLoad(FPDF_FILEACCESS*, const char*) { return nullptr; }
// Moves the pages, then reports failure and makes the backup unloadable: the engine fails
// after the page list has changed, and the recovery fails too.
FPDF_BOOL MoveThenFail(FPDF_DOCUMENT document, const int* pages, unsigned long count, int destination) {
  g_realMove(document, pages, count, destination);
  g_engine.FPDF_LoadCustomDocument = RefuseLoad;
  return 0;
}

std::optional<uint64_t> g_freeSpace;
std::optional<uint64_t> ScriptedFreeSpace() { return g_freeSpace; }

}  // namespace

TEST_F(UndoTest, AfterAFailedRecoveryUndoBringsBackTheDocumentBeforeTheOperation) {
  EditOnce();
  g_realMove = g_engine.FPDF_MovePages;
  g_realLoad = g_engine.FPDF_LoadCustomDocument;
  g_engine.FPDF_MovePages = MoveThenFail;
  EditScope scope = BeginPossibleEdit();
  bool moved = MovePage(0, 2);
  EndPossibleEdit(scope);
  g_engine.FPDF_MovePages = g_realMove;
  g_engine.FPDF_LoadCustomDocument = g_realLoad;
  ASSERT_FALSE(moved);
  ASSERT_EQ(g_session.document, nullptr);
  ASSERT_EQ(g_history.undo.size(), 2u);

  // Closing now may not pass for success: the question comes, and Cancel keeps the window.
  g_script.answers = {MessageAnswer::Cancel};
  EXPECT_FALSE(ConfirmDiscardChanges());
  EXPECT_EQ(g_script.boxes.back().caption, u"PDF 已修改");

  ASSERT_TRUE(Undo()) << RecordedBoxesText();
  EXPECT_EQ(PageWidths(g_session.document), (std::vector<float>{300, 301, 302}));
  EXPECT_EQ(CurrentObjectCount(), 2);  // the edit before the operation is there
  EXPECT_TRUE(g_session.modified);
  EXPECT_EQ(g_session.path, WorkPath16("doc.pdf"));
  EXPECT_TRUE(g_history.redo.empty());  // there was no document to come back to
  ASSERT_TRUE(Undo());
  EXPECT_EQ(CurrentObjectCount(), 1);
}

TEST_F(UndoTest, TheUndoFilesStayWithinAQuarterOfTheFreeSpace) {
  auto realFreeSpace = g_tempFolderFreeSpace;
  g_tempFolderFreeSpace = ScriptedFreeSpace;
  g_freeSpace.reset();  // unknown: the 2 GiB cap alone
  for (int i = 0; i < 7; ++i) EditOnce();
  ASSERT_EQ(g_history.undo.size(), 7u);
  // Room for the three newest records and a half (each edit adds a line, so files grow).
  uint64_t newest = g_history.undo[6].fileBytes;
  uint64_t recordBytes = g_history.undo[0].fileBytes;
  g_freeSpace = 4 * (g_history.undo[4].fileBytes + g_history.undo[5].fileBytes + newest + newest / 2);
  EditOnce();
  EXPECT_EQ(g_history.undo.size(), 3u);
  EXPECT_EQ(TempFiles().size(), 3u);
  EXPECT_TRUE(g_script.boxes.empty());
  // The oldest went first: three undos leave the five oldest edits.
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(Undo());
  EXPECT_FALSE(Undo());
  EXPECT_EQ(CurrentObjectCount(), 1 + 8 - 3);

  // Not even one record fits: the edit happens and the user is told it cannot be undone.
  g_freeSpace = recordBytes;
  EditOnce();
  g_tempFolderFreeSpace = realFreeSpace;
  EXPECT_TRUE(g_history.undo.empty());
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].text, u"本次编辑已完成，但无法创建撤销记录。");
  EXPECT_EQ(UndoDiskBudget(std::nullopt), 2ull << 30);
  EXPECT_EQ(UndoDiskBudget(uint64_t(100) << 30), 2ull << 30);
  EXPECT_EQ(UndoDiskBudget(uint64_t(4) << 30), 1ull << 30);
}

TEST_F(UndoTest, AHeldDragWhoseReleaseNeverCameIsKeptByTheNextPress) {
  BeginDragEdit();
  AddLinePath(g_session.currentPage, 10, 10);
  NotifyObjectModified();
  BeginDragEdit();  // the next press, without a release in between
  EXPECT_EQ(g_history.undo.size(), 1u);
  EndDragEdit();  // this drag changed nothing
  ASSERT_EQ(g_history.undo.size(), 1u);
  ASSERT_TRUE(Undo());
  EXPECT_EQ(CurrentObjectCount(), 1);
}

// The recovery state follows the document after each input, but not at every step of a
// drag: it is written once the release has settled the drag.
TEST_F(UndoTest, RecoveryStateWaitsForTheReleaseOfADrag) {
  setenv("XDG_STATE_HOME", WorkPath("state").c_str(), 1);
  ASSERT_TRUE(ClaimRecoverySlot());
  auto stateFiles = [&] {
    int pdfs = 0;
    for (const std::string& name : FolderEntries(WorkPath("state/CorvanPDF"))) {
      pdfs += name.size() > 4 && name.compare(name.size() - 4, 4, ".pdf") == 0;
    }
    return pdfs;
  };
  BeginDragEdit();
  AddLinePath(g_session.currentPage, 10, 10);
  NotifyObjectModified();
  KeepRecoveryState();  // a mouse move of the drag
  EXPECT_EQ(stateFiles(), 0);
  EndDragEdit();
  KeepRecoveryState();  // the release
  EXPECT_EQ(stateFiles(), 1);
  ReleaseRecoverySlot(false);
  EXPECT_EQ(stateFiles(), 0);
  unsetenv("XDG_STATE_HOME");
}
