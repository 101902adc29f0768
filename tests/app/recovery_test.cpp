// Crash recovery with real processes: the editor is killed (SIGKILL), terminated (SIGTERM,
// SIGHUP) or closed normally, and the next start offers, recovers or declines what it left.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <memory>
#include <sstream>

#include "app/editor_process.h"
#include "app/gui_test.h"
#include "app/main_window.h"
#include "document/crash_recovery.h"
#include "document/save_copy.h"
#include "document/session.h"
#include "engine/engine_table.h"
#include "platform/text_encoding.h"

namespace {

class RecoveryTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    WriteNumberedPdf(WorkPath("lesson.pdf"), 3);
    original_ = ReadBytes(WorkPath("lesson.pdf"));
  }

  // Starts the editor process on the lesson and waits until its strokes are drawn; what each
  // page then held goes to `objectsPerPage`.
  std::unique_ptr<EditorProcess> StartEditor(const char* mode, std::vector<int>* objectsPerPage = nullptr) {
    auto editor = std::make_unique<EditorProcess>(WorkPath("lesson.pdf"), mode);
    std::istringstream words(editor->WaitForLine("READY"));
    std::string ready;
    int pages = 0, objects = 0;
    words >> ready >> pages;
    while (objectsPerPage != nullptr && pages-- > 0 && words >> objects) objectsPerPage->push_back(objects);
    return editor;
  }

  std::vector<std::string> StateFiles() const { return FolderEntries(root_ + "/state/CorvanPDF"); }

  std::string original_;
};

TEST_F(RecoveryTest, AKilledEditorsWorkIsOfferedAndComesBackUnsaved) {
  std::vector<int> objectsPerPage;
  auto editor = StartEditor("wait", &objectsPerPage);
  // Each page had one line; the editor drew two strokes on the first page, one on the second.
  ASSERT_EQ(objectsPerPage, (std::vector<int>{3, 2, 1}));
  int status = editor->SignalAndWait(SIGKILL, std::chrono::seconds(5));
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

  g_script.answers = {MessageAnswer::Yes};
  StartWindow();
  ASSERT_EQ(g_script.boxes.size(), 1u) << RecordedBoxesText();
  EXPECT_EQ(g_script.boxes[0].caption, u"恢复未保存的文档");
  EXPECT_EQ(g_script.boxes[0].icon, MessageIcon::Question);
  EXPECT_EQ(g_script.boxes[0].buttons, MessageButtons::YesNoCancel);
  EXPECT_NE(g_script.boxes[0].text.find(WorkPath16("lesson.pdf")), std::u16string::npos);
  EXPECT_EQ(g_script.boxes[0].text.rfind(u"Corvan PDF 编辑器上次没有正常退出", 0), 0u);

  ASSERT_EQ(g_session.pageCount, 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ObjectCountOnPage(g_session.document, i), objectsPerPage[i]) << i;
  EXPECT_EQ(PageWidths(g_session.document), (std::vector<float>{300, 301, 302}));
  EXPECT_EQ(g_session.currentPageIndex, 1);
  EXPECT_TRUE(g_session.modified);
  EXPECT_EQ(g_session.sourcePath, WorkPath16("lesson.pdf"));
  EXPECT_TRUE(window_->windowTitle().endsWith(QStringLiteral(" *")));
  Screenshot(QStringLiteral("recovered-after-kill"));

  // Still a copy of the original: saving over it is refused.
  g_script.dialogAnswers = {WorkPath16("lesson.pdf")};
  EXPECT_FALSE(SavePdfCopy(u"_annotated.pdf", u"已保存 PDF 副本。"));
  EXPECT_EQ(g_script.boxes.back().caption, u"PDF 保存");
  EXPECT_EQ(ReadBytes(WorkPath("lesson.pdf")), original_);
  g_script.dialogAnswers = {WorkPath16("lesson_annotated.pdf")};
  ASSERT_TRUE(SavePdfCopy(u"_annotated.pdf", u"已保存 PDF 副本。"));
  for (int i = 0; i < 3; ++i) {
    FPDF_DOCUMENT saved = g_engine.FPDF_LoadDocument(WorkPath("lesson_annotated.pdf").c_str(), nullptr);
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(ObjectCountOnPage(saved, i), objectsPerPage[i]);
    g_engine.FPDF_CloseDocument(saved);
  }
  EXPECT_TRUE(FindRecoveryLeftovers().empty());
}

TEST_F(RecoveryTest, AFileNamedOnTheCommandLineIsNotDroppedSilently) {
  StartEditor("wait")->SignalAndWait(SIGKILL, std::chrono::seconds(5));
  WriteNumberedPdf(WorkPath("other.pdf"), 2);
  g_script.answers = {MessageAnswer::Yes};
  StartWindow({QString::fromStdString(WorkPath("other.pdf"))});
  ASSERT_EQ(g_script.boxes.size(), 2u) << RecordedBoxesText();
  EXPECT_EQ(g_script.boxes[0].caption, u"恢复未保存的文档");
  EXPECT_EQ(g_script.boxes[1].caption, u"恢复未保存的文档");
  EXPECT_EQ(g_script.boxes[1].icon, MessageIcon::Information);
  EXPECT_EQ(g_script.boxes[1].text, u"已恢复上次未保存的更改，以下文件未打开：\n" + WorkPath16("other.pdf") +
                                        u"\n请先保存恢复的文档，再打开该文件。");
  EXPECT_EQ(g_session.sourcePath, WorkPath16("lesson.pdf"));
  EXPECT_EQ(g_session.pageCount, 3);
}

TEST_F(RecoveryTest, DecliningDeletesWhatTheKilledEditorLeft) {
  StartEditor("wait")->SignalAndWait(SIGKILL, std::chrono::seconds(5));
  EXPECT_GE(StateFiles().size(), 3u);  // lock, state and its description
  // 取消 leaves it for the next start; only 否 deletes.
  g_script.answers = {MessageAnswer::Cancel};
  StartWindow();
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(FindRecoveryLeftovers().size(), 1u);
  g_script.answers = {MessageAnswer::No};
  EXPECT_FALSE(OfferRecovery());
  ASSERT_EQ(g_script.boxes.size(), 2u);
  EXPECT_EQ(g_session.pageCount, 1);  // the blank document stays
  EXPECT_FALSE(g_session.modified);
  ASSERT_EQ(StateFiles().size(), 1u);  // only this run's lock
  EXPECT_NE(StateFiles()[0].find(".lock"), std::string::npos);
  ReleaseRecoverySlot(false);
  EXPECT_TRUE(StateFiles().empty());
}

TEST_F(RecoveryTest, TerminationSignalsKeepTheStateAndANormalExitLeavesNothing) {
  for (int signal : {SIGTERM, SIGHUP}) {
    int status = StartEditor("wait")->SignalAndWait(signal, std::chrono::seconds(2));
    EXPECT_TRUE(WIFEXITED(status)) << signal;  // it left its event loop and shut down
    EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
    auto leftovers = FindRecoveryLeftovers();
    ASSERT_EQ(leftovers.size(), 1u) << signal;
    EXPECT_EQ(leftovers[0].originalPath, WorkPath16("lesson.pdf"));
    EXPECT_EQ(PageWidthsOfFile(Utf8(leftovers[0].snapshotPath)), (std::vector<float>{300, 301, 302}));
    DeleteRecoveryLeftover(leftovers[0]);
  }
  EXPECT_TRUE(StateFiles().empty());

  // Closed by the user, who discards the changes: nothing to offer next time.
  int status = StartEditor("close")->Wait();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(StateFiles().empty());
  StartWindow();
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  EXPECT_EQ(ReadBytes(WorkPath("lesson.pdf")), original_);
}

}  // namespace
