// The original through the window: started from a terminal in the document's folder, the
// copy and the CVN copy refuse every other spelling of the open file; a drag whose pointer
// grab is lost keeps its undo step.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <filesystem>

#include "app/command_router.h"
#include "app/gui_test.h"
#include "app/main_window.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "engine/engine_table.h"
#include "platform/text_encoding.h"
#include "view/command_ids.h"
#include "view/page_view.h"
#include "view/tool_state.h"
#include "widgets/page_canvas.h"

namespace fs = std::filesystem;

namespace {

class OriginalProtectionTest : public GuiTest {
 protected:
  void TearDown() override {
    fs::current_path(previousFolder_);
    GuiTest::TearDown();
  }
  QPoint OnPage(float fx, float fy) const {
    if (!g_view.valid) Canvas()->repaint();
    const IntRect& r = g_view.pageRect;
    return QPoint(r.left + int(fx * r.Width()), r.top + int(fy * r.Height()));
  }
  void PressCtrlS() {
    QTest::keyClick(window_, Qt::Key_S, Qt::ControlModifier);
    QApplication::processEvents();
  }
  fs::path previousFolder_ = fs::current_path();
};

TEST_F(OriginalProtectionTest, EverySpellingOfTheOpenFileIsRefusedAndTheOriginalKeepsItsBytes) {
  fs::create_directories(WorkPath("lessons"));
  fs::create_directories(WorkPath("other"));
  WriteNumberedPdf(WorkPath("lessons/doc.pdf"), 2);
  fs::create_symlink(WorkPath("lessons/doc.pdf"), WorkPath("link.pdf"));
  std::string original = ReadBytes(WorkPath("lessons/doc.pdf"));
  fs::current_path(WorkPath("lessons"));
  StartWindow({QStringLiteral("doc.pdf")});  // `corvan-pdf doc.pdf` in the document's folder
  ASSERT_EQ(g_session.sourcePath, WorkPath16("lessons/doc.pdf"));
  RouteCommand(kCmdPenTool);
  Drag(OnPage(0.2f, 0.1f), OnPage(0.5f, 0.2f));
  ASSERT_EQ(g_engine.FPDFPage_CountObjects(g_session.currentPage), 2);

  for (const char* spelling : {"lessons/doc.pdf", "other/../lessons/doc.pdf", "link.pdf"}) {
    g_script.boxes.clear();
    g_script.dialogAnswers = {WorkPath16(spelling)};
    PressCtrlS();
    ASSERT_EQ(g_script.boxes.size(), 1u) << spelling << RecordedBoxesText();
    EXPECT_EQ(g_script.boxes[0].caption, u"PDF 保存");
    EXPECT_EQ(g_script.boxes[0].text, u"为避免损坏原始文件，请将标注保存为一个新的 PDF 文件。");
  }
  g_script.dialogAnswers = {u"doc.pdf"};  // a bare name, relative to where we started
  PressCtrlS();
  EXPECT_EQ(g_script.boxes.back().caption, u"PDF 保存");
  EXPECT_EQ(ReadBytes(WorkPath("lessons/doc.pdf")), original);
  EXPECT_TRUE(window_->windowTitle().endsWith(QStringLiteral(" *")));

  // The CVN copy, reopened through the link's folder spelling, is protected the same way.
  g_script.dialogAnswers = {WorkPath16("lessons/doc.cvn")};
  RouteCommand(kCmdSaveCvn);
  ASSERT_TRUE(Exists(WorkPath("lessons/doc.cvn"))) << RecordedBoxesText();
  std::string cvn = ReadBytes(WorkPath("lessons/doc.cvn"));
  fs::create_symlink(WorkPath("lessons/doc.cvn"), WorkPath("other/alias.cvn"));
  g_script.dialogAnswers = {WorkPath16("other/../lessons/doc.cvn")};
  RouteCommand(kCmdSaveCvn);  // the CVN copy is now the session's path
  EXPECT_EQ(g_script.boxes.back().text, u"为保护原文件，请选择另一个文件名保存 CVN 副本。");
  g_script.dialogAnswers = {WorkPath16("other/alias.cvn")};
  RouteCommand(kCmdSaveCvn);
  EXPECT_EQ(g_script.boxes.back().text, u"为保护原文件，请选择另一个文件名保存 CVN 副本。");
  EXPECT_EQ(ReadBytes(WorkPath("lessons/doc.cvn")), cvn);
  EXPECT_EQ(ReadBytes(WorkPath("lessons/doc.pdf")), original);
  Screenshot(QStringLiteral("original-protected"));
}

TEST_F(OriginalProtectionTest, ALostPointerGrabDuringADragKeepsItsUndoStep) {
  WriteNumberedPdf(WorkPath("doc.pdf"), 1);
  StartWindow({QString::fromStdString(WorkPath("doc.pdf"))});
  RouteCommand(kCmdPenTool);
  QTest::mousePress(Canvas(), Qt::LeftButton, Qt::NoModifier, OnPage(0.3f, 0.1f));
  // A tool that changes the page while the button is down (a move) has changed it.
  AddLinePath(g_session.currentPage, 200, 200);
  NotifyObjectModified();
  QEvent ungrab(QEvent::UngrabMouse);
  QApplication::sendEvent(Canvas(), &ungrab);
  EXPECT_EQ(g_history.undo.size(), 1u);
  EXPECT_FALSE(g_tool.stroke.active);  // the drag ended with the grab
  QTest::mouseRelease(Canvas(), Qt::LeftButton, Qt::NoModifier, OnPage(0.4f, 0.2f));
  EXPECT_EQ(g_engine.FPDFPage_CountObjects(g_session.currentPage), 2);
  ASSERT_EQ(g_history.undo.size(), 1u);
  RouteCommand(kCmdUndo);
  EXPECT_EQ(g_engine.FPDFPage_CountObjects(g_session.currentPage), 1);
}

}  // namespace
