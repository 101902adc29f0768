// Scans made searchable in the real window: the 工具 menu's command, Ctrl+F on the result, the
// highlight against where the word lies in the picture, one undo step, and a termination
// signal in the middle of a run.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/editor_process.h"
#include "app/command_router.h"
#include "app/gui_test.h"
#include "app/main_window.h"
#include "content/ocr_layer.h"
#include "document/crash_recovery.h"
#include "document/undo_history.h"
#include "document/find_in_document.h"
#include "document/session.h"
#include "document/text_search.h"
#include "engine/engine_handles.h"
#include "engine/engine_table.h"
#include "platform/text_encoding.h"
#include "support/scanned_manual.h"
#include "view/command_ids.h"
#include "widgets/find_bar.h"
#include "widgets/page_canvas.h"

namespace {

class ScanSearchWindowTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    own_ = root_ + "/own";  // no Tesseract of the program's own: the one on the search path
    std::filesystem::create_directories(own_);
    g_platform.programFolder = Utf8ToUtf16(own_);
  }
  void TearDown() override {
    ClearFind();
    g_platform.programFolder.clear();
    GuiTest::TearDown();
  }
  QAction* MenuItem(const QString& text) const {
    for (QAction* menu : window_->menuBar()->actions()) {
      if (menu->menu() == nullptr) continue;
      for (QAction* item : menu->menu()->actions()) {
        if (item->text() == text) return item;
      }
    }
    return nullptr;
  }
  void Search(const QString& query) {
    QTest::keyClick(Canvas(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(CurrentFindBar()->isVisible());
    CurrentFindBar()->field()->setText(query);  // Chinese comes from an input method, not from keys
    QTest::keyClick(CurrentFindBar()->field(), Qt::Key_Return);
    QElapsedTimer timer;
    timer.start();
    while ((g_find.running || g_find.pendingStep != 0) && timer.elapsed() < 20000) {
      QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    QApplication::processEvents();
  }
  std::string own_;
};

TEST_F(ScanSearchWindowTest, ARecognisedScanIsFoundWithCtrlFAndTheHighlightCoversTheWordInThePicture) {
  StartWindow();
  window_->show();
  ScannedManual manual;
  ASSERT_TRUE(MakeScannedManual(WorkPath("manual"), 1, manual));
  OpenOrFail(manual.scan);
  window_->RefreshAll();

  // Before: nothing to find, and the advice names the command.
  Search(QStringLiteral("三角形"));
  EXPECT_EQ(CurrentFindBar()->countLabel()->text(), QStringLiteral("未找到：没有文字层"));
  EXPECT_NE(StatusLine().indexOf(QStringLiteral("识别全部页面文字")), -1) << StatusLine().toStdString();
  CurrentFindBar()->Close();

  QAction* recognise = MenuItem(QStringLiteral("识别全部页面文字"));
  ASSERT_NE(recognise, nullptr);
  ASSERT_NE(MenuItem(QStringLiteral("识别当前页文字")), nullptr);
  ASSERT_NE(MenuItem(QStringLiteral("识别指定页面文字...")), nullptr);
  recognise->trigger();  // returns when the run is over; the progress box pumped the window meanwhile
  EXPECT_EQ(g_history.undo.size(), 1u);  // the whole run is one step
  EXPECT_TRUE(StatusLine().contains(QStringLiteral("已识别 1 页文字，现在可以查找"))) << StatusLine().toStdString();
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();

  Search(QStringLiteral("三角形"));
  EXPECT_TRUE(CurrentFindBar()->countLabel()->text().startsWith(QStringLiteral("第 1 / ")))
      << CurrentFindBar()->countLabel()->text().toStdString();
  const TextMatch* match = CurrentMatch();
  ASSERT_NE(match, nullptr);
  ASSERT_FALSE(match->rects.empty());

  // Where the first 三角形 lies in the picture: the ink inside the original's own box of it.
  ScopedDocument original(g_engine.FPDF_LoadDocument(manual.original.c_str(), nullptr));
  std::optional<PageFindResult> truth = FindOnPage(original.get(), 0, nullptr, u"三角形", {});
  ASSERT_TRUE(truth && !truth->matches.empty());
  const TextRect& word = truth->matches[0].rects[0];
  const TextRect& hit = match->rects[0];
  // The page as the engine draws it, at 2 pixels a point (the layer itself draws nothing).
  constexpr float kScale = 2;
  int width = int(g_session.pageWidth * kScale), height = int(g_session.pageHeight * kScale);
  std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 4);
  ScopedBitmap bitmap(g_engine.FPDFBitmap_CreateEx(width, height, 4, pixels.data(), width * 4));
  g_engine.FPDFBitmap_FillRect(bitmap.get(), 0, 0, width, height, 0xFFFFFFFF);
  g_engine.FPDF_RenderPageBitmap(bitmap.get(), g_session.currentPage, 0, 0, width, height, 0, 0);
  bitmap.reset();
  auto column = [&](float x) { return x * kScale; };
  auto row = [&](float y) { return (g_session.pageHeight - y) * kScale; };
  int ink = 0, covered = 0;
  for (int y = int(row(word.top)); y <= int(row(word.bottom)); ++y) {
    for (int x = int(column(word.left)); x <= int(column(word.right)); ++x) {
      if (x < 0 || y < 0 || x >= width || y >= height) continue;
      const uint8_t* p = &pixels[(size_t(y) * width + x) * 4];
      if (p[0] > 100 || p[1] > 100 || p[2] > 100) continue;
      ++ink;
      covered += x >= column(hit.left) - 1 && x <= column(hit.right) + 1 && y >= row(hit.top) - 1 &&
                 y <= row(hit.bottom) + 1;
    }
  }
  ASSERT_GT(ink, 100) << "no ink where the original has the word";
  EXPECT_GE(covered * 100, ink * 90) << covered << " of " << ink << " ink pixels under the highlight";
  EXPECT_LE((hit.right - hit.left) * (hit.top - hit.bottom), 2.0f * (word.right - word.left) * (word.top - word.bottom));
  Screenshot(QStringLiteral("ocr-find-triangle"));

  // One undo step takes the whole layer away again (routed as the menu does: the closed
  // bar's field keeps the keyboard focus offscreen, and Ctrl+Z would undo its typing).
  QTest::keyClick(CurrentFindBar()->field(), Qt::Key_Escape);
  if (CurrentFindBar()->isVisible()) QTest::keyClick(CurrentFindBar()->field(), Qt::Key_Escape);
  ASSERT_FALSE(CurrentFindBar()->isVisible());
  RouteCommand(kCmdUndo);
  EXPECT_EQ(g_history.undo.size(), 0u);
  EXPECT_EQ(g_history.redo.size(), 1u);
  EXPECT_FALSE(HasOcrLayer(g_session.currentPage));
  std::optional<PageFindResult> after = FindOnPage(g_session.document, 0, g_session.currentPage, u"三角形", {});
  ASSERT_TRUE(after);
  EXPECT_TRUE(after->matches.empty());
}

// Whether a running process has `text` on its command line.
bool ProcessMentions(const std::string& text) {
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::ifstream in(entry.path() / "cmdline", std::ios::binary);
    std::string line((std::istreambuf_iterator<char>(in)), {});
    if (line.find(text) != std::string::npos) return true;
  }
  return false;
}

TEST_F(ScanSearchWindowTest, ATerminationSignalDuringARunEndsTesseractKeepsTheStateAndLeavesNoFiles) {
  ScannedManual manual;
  ASSERT_TRUE(MakeScannedManual(WorkPath("manual"), 3, manual));
  EditorProcess editor(manual.scan, "ocr");
  ASSERT_NE(editor.WaitForLine("READY"), "") << editor.LinesSoFar();
  // Until Tesseract reads the first page.
  std::string folder;
  for (int i = 0; i < 2000 && folder.empty(); ++i) {
    for (const std::string& name : TempFiles()) {
      if (name.rfind("pdf", 0) == 0 && std::filesystem::exists(temp_ + "/" + name + "/page1.bmp")) folder = temp_ + "/" + name;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_FALSE(folder.empty()) << editor.LinesSoFar();
  for (int i = 0; i < 500 && !ProcessMentions(folder + "/page1.bmp"); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(ProcessMentions(folder + "/page1.bmp")) << "Tesseract never started";

  int status = editor.SignalAndWait(SIGTERM, std::chrono::seconds(10));
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 128 + SIGTERM);
  EXPECT_FALSE(std::filesystem::exists(folder));
  EXPECT_FALSE(ProcessMentions(folder));
  // The teacher's strokes drawn before the run are kept for the next start.
  auto leftovers = FindRecoveryLeftovers();
  ASSERT_EQ(leftovers.size(), 1u);
  ScopedDocument state(g_engine.FPDF_LoadDocument(Utf8(leftovers[0].snapshotPath).c_str(), nullptr));
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(g_engine.FPDF_GetPageCount(state.get()), 3);
  DeleteRecoveryLeftover(leftovers[0]);
}

}  // namespace
