// Crash recovery with real processes: the editor is killed (SIGKILL), terminated (SIGTERM,
// SIGHUP) or closed normally, and the next start offers, recovers or declines what it left.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <sstream>

#include "app/gui_test.h"
#include "app/main_window.h"
#include "document/crash_recovery.h"
#include "document/save_copy.h"
#include "document/session.h"
#include "engine/engine_table.h"
#include "platform/text_encoding.h"

namespace {

struct EditorRun {
  pid_t pid = -1;
  std::vector<int> objectsPerPage;  // what the editor held when it was ready
};

class RecoveryTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    WriteNumberedPdf(WorkPath("lesson.pdf"), 3);
    original_ = ReadBytes(WorkPath("lesson.pdf"));
  }

  // Starts the editor process on the lesson and waits until its strokes are drawn.
  EditorRun StartEditor(const char* mode) {
    int output[2];
    EXPECT_EQ(::pipe(output), 0);
    EditorRun run;
    run.pid = ::fork();
    if (run.pid == 0) {
      ::dup2(output[1], 1);
      ::close(output[0]);
      ::execl(CORVAN_SCRIPTED_EDITOR, "scripted_editor", WorkPath("lesson.pdf").c_str(), mode, (char*)nullptr);
      ::_exit(127);
    }
    started_.push_back(run.pid);
    ::close(output[1]);
    FILE* stream = ::fdopen(output[0], "r");
    char line[256] = {};
    while (std::fgets(line, sizeof line, stream) != nullptr && std::string(line).rfind("READY", 0) != 0) {
    }
    std::fclose(stream);
    std::istringstream words(std::string(line).substr(5));
    int pages = 0, objects = 0;
    words >> pages;
    while (pages-- > 0 && words >> objects) run.objectsPerPage.push_back(objects);
    return run;
  }

  int EndEditor(const EditorRun& run, int signal) {
    if (signal != 0) ::kill(run.pid, signal);
    int status = 0;
    ::waitpid(run.pid, &status, 0);
    return status;
  }

  void TearDown() override {
    // An editor a failed assertion left running is ended, so it holds no pipe or folder.
    for (pid_t pid : started_) {
      if (::waitpid(pid, nullptr, WNOHANG) == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
      }
    }
    GuiTest::TearDown();
  }

  std::vector<std::string> StateFiles() const { return FolderEntries(root_ + "/state/CorvanPDF"); }

  std::string original_;
  std::vector<pid_t> started_;
};

TEST_F(RecoveryTest, AKilledEditorsWorkIsOfferedAndComesBackUnsaved) {
  EditorRun run = StartEditor("wait");
  // Each page had one line; the editor drew two strokes on the first page, one on the second.
  ASSERT_EQ(run.objectsPerPage, (std::vector<int>{3, 2, 1}));
  int status = EndEditor(run, SIGKILL);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

  g_script.answers = {MessageAnswer::Yes};
  StartWindow();
  ASSERT_EQ(g_script.boxes.size(), 1u) << RecordedBoxesText();
  EXPECT_EQ(g_script.boxes[0].caption, u"恢复未保存的文档");
  EXPECT_EQ(g_script.boxes[0].icon, MessageIcon::Question);
  EXPECT_EQ(g_script.boxes[0].buttons, MessageButtons::YesNo);
  EXPECT_NE(g_script.boxes[0].text.find(WorkPath16("lesson.pdf")), std::u16string::npos);
  EXPECT_EQ(g_script.boxes[0].text.rfind(u"Corvan PDF 编辑器上次没有正常退出", 0), 0u);

  ASSERT_EQ(g_session.pageCount, 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ObjectCountOnPage(g_session.document, i), run.objectsPerPage[i]) << i;
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
    EXPECT_EQ(ObjectCountOnPage(saved, i), run.objectsPerPage[i]);
    g_engine.FPDF_CloseDocument(saved);
  }
  EXPECT_TRUE(FindRecoveryLeftovers().empty());
}

TEST_F(RecoveryTest, DecliningDeletesWhatTheKilledEditorLeft) {
  EndEditor(StartEditor("wait"), SIGKILL);
  EXPECT_GE(StateFiles().size(), 3u);  // lock, state and its description
  g_script.answers = {MessageAnswer::No};
  StartWindow();
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_session.pageCount, 1);  // the blank document stays
  EXPECT_FALSE(g_session.modified);
  ASSERT_EQ(StateFiles().size(), 1u);  // only this run's lock
  EXPECT_NE(StateFiles()[0].find(".lock"), std::string::npos);
  ReleaseRecoverySlot(false);
  EXPECT_TRUE(StateFiles().empty());
}

TEST_F(RecoveryTest, TerminationSignalsKeepTheStateAndANormalExitLeavesNothing) {
  for (int signal : {SIGTERM, SIGHUP}) {
    EditorRun run = StartEditor("wait");
    int status = EndEditor(run, signal);
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
  EditorRun run = StartEditor("close");
  int status = EndEditor(run, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(StateFiles().empty());
  StartWindow();
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  EXPECT_EQ(ReadBytes(WorkPath("lesson.pdf")), original_);
}

}  // namespace
