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
#include "app/gui_test.h"
#include "app/main_window.h"
#include "content/ocr_layer.h"
#include "document/crash_recovery.h"
#include "document/find_in_document.h"
#include "document/session.h"
#include "document/text_search.h"
#include "engine/engine_handles.h"
#include "engine/engine_table.h"
#include "platform/text_encoding.h"
#include "support/scanned_manual.h"
#include "view/page_view.h"
#include "widgets/find_bar.h"
#include "widgets/page_canvas.h"

namespace {

class OcrWindowTest : public GuiTest {
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

bool Ink(QRgb c) { return qRed(c) < 100 && qGreen(c) < 100 && qBlue(c) < 100; }

TEST_F(OcrWindowTest, ARecognisedScanIsFoundWithCtrlFAndTheHighlightCoversTheWordInThePicture) {
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
  EXPECT_EQ(StatusLine(), QStringLiteral("已识别 1 页文字，现在可以查找"));
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
  QImage shot = Canvas()->grab().toImage();
  float left = 0, top = 0, right = 0, bottom = 0;
  PageToScreen(word.left, word.top, left, top);
  PageToScreen(word.right, word.bottom, right, bottom);
  float hitLeft = 0, hitTop = 0, hitRight = 0, hitBottom = 0;
  PageToScreen(hit.left, hit.top, hitLeft, hitTop);
  PageToScreen(hit.right, hit.bottom, hitRight, hitBottom);
  int ink = 0, covered = 0;
  for (int y = int(top); y <= int(bottom); ++y) {
    for (int x = int(left); x <= int(right); ++x) {
      if (x < 0 || y < 0 || x >= shot.width() || y >= shot.height() || !Ink(shot.pixel(x, y))) continue;
      ++ink;
      covered += x >= hitLeft - 1 && x <= hitRight + 1 && y >= hitTop - 1 && y <= hitBottom + 1;
    }
  }
  ASSERT_GT(ink, 20) << "the word is not on screen";
  EXPECT_GE(covered * 100, ink * 90) << covered << " of " << ink << " ink pixels under the highlight";
  EXPECT_LE((hitRight - hitLeft) * (hitBottom - hitTop), 2.0f * (right - left) * (bottom - top));
  Screenshot(QStringLiteral("ocr-find-triangle"));

  // One undo step takes the whole layer away again.
  CurrentFindBar()->Close();
  QTest::keyClick(Canvas(), Qt::Key_Z, Qt::ControlModifier);
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

TEST_F(OcrWindowTest, ATerminationSignalDuringARunEndsTesseractKeepsTheStateAndLeavesNoFiles) {
  ScannedManual manual;
  ASSERT_TRUE(MakeScannedManual(WorkPath("manual"), 3, manual));
  EditorProcess editor(manual.scan, "ocr");
  ASSERT_NE(editor.WaitForLine("MODAL QProgressDialog"), "") << editor.LinesSoFar();
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
