// What the start-up boxes and the save dialog do with unsaved work, in real separate editor
// processes with real Qt boxes: Esc and the close button on the recovery question keep the
// state, and SIGTERM or SIGHUP during any box ends the editor at once with the state kept.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <map>

#include "app/editor_process.h"
#include "app/gui_test.h"
#include "document/crash_recovery.h"
#include "engine/engine_table.h"
#include "platform/text_encoding.h"

namespace {

using std::chrono::seconds;

std::vector<int> ObjectCountsOfFile(const std::string& path) {
  std::vector<int> counts;
  FPDF_DOCUMENT document = g_engine.FPDF_LoadDocument(path.c_str(), nullptr);
  if (document == nullptr) return counts;
  for (int i = 0; i < g_engine.FPDF_GetPageCount(document); ++i) counts.push_back(ObjectCountOnPage(document, i));
  g_engine.FPDF_CloseDocument(document);
  return counts;
}

class RecoveryBoxesTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    WriteNumberedPdf(WorkPath("lesson.pdf"), 3);
    original_ = ReadBytes(WorkPath("lesson.pdf"));
  }

  // A killed editor's unsaved lesson: the files it left, by name, with their bytes.
  std::map<std::string, std::string> LeaveKilledEditorsState() {
    EditorProcess killed(WorkPath("lesson.pdf"), "wait");
    EXPECT_FALSE(killed.WaitForLine("READY").empty());
    killed.SignalAndWait(SIGKILL, seconds(5));
    return StateOfDeadRuns();
  }

  // The files of every run that left a state (a run's own lock file aside).
  std::map<std::string, std::string> StateOfDeadRuns() {
    std::map<std::string, std::string> files;
    for (const auto& leftover : FindRecoveryLeftovers()) {
      for (const char* kind : {".pdf", ".info"}) {
        std::string name = Utf8(leftover.id) + kind;
        files[name] = ReadBytes(root_ + "/state/CorvanPDF/" + name);
      }
    }
    return files;
  }

  // The signal ends the editor within two seconds, leaving its event loops as an exit does.
  static void ExpectEndedBy(EditorProcess& editor, int signal) {
    int status = editor.SignalAndWait(signal, seconds(2));
    ASSERT_NE(status, -1) << "still running 2 s after signal " << signal << "\n" << editor.LinesSoFar();
    EXPECT_TRUE(WIFEXITED(status)) << signal;
    EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
  }

  std::string original_;
};

TEST_F(RecoveryBoxesTest, EscAndTheCloseButtonOnTheRecoveryQuestionKeepTheState) {
  auto state = LeaveKilledEditorsState();
  ASSERT_EQ(state.size(), 2u);
  for (const char* action : {"escape", "closebox"}) {
    EditorProcess editor("", "boxes", action);
    std::string box = editor.WaitForLine("MODAL");
    EXPECT_NE(box.find("QMessageBox"), std::string::npos) << box;
    EXPECT_NE(box.find("|恢复未保存的文档"), std::string::npos) << box;
    // Enter does not delete either: the default button is not 否.
    EXPECT_EQ(box.find(" 否|"), std::string::npos) << box;
    EXPECT_FALSE(editor.WaitForLine("STARTED").empty()) << action << "\n" << editor.LinesSoFar();
    EXPECT_EQ(StateOfDeadRuns(), state) << action;
    ExpectEndedBy(editor, SIGTERM);
    EXPECT_EQ(StateOfDeadRuns(), state) << action;
  }
}

TEST_F(RecoveryBoxesTest, ASignalDuringTheRecoveryQuestionEndsTheEditorAndKeepsTheState) {
  auto state = LeaveKilledEditorsState();
  ASSERT_EQ(state.size(), 2u);
  for (int signal : {SIGTERM, SIGHUP}) {
    EditorProcess editor("", "boxes");
    ASSERT_NE(editor.WaitForLine("MODAL").find("|恢复未保存的文档"), std::string::npos) << editor.LinesSoFar();
    ExpectEndedBy(editor, signal);
    EXPECT_EQ(StateOfDeadRuns(), state) << signal;
  }
}

TEST_F(RecoveryBoxesTest, ASignalDuringTheStartupFailureBoxEndsTheEditorAndKeepsTheState) {
  auto state = LeaveKilledEditorsState();
  WriteBytes(WorkPath("broken.pdf"), "%PDF-1.7\nthis file was cut off");
  for (int signal : {SIGTERM, SIGHUP}) {
    EditorProcess editor(WorkPath("broken.pdf"), "boxes");
    ASSERT_NE(editor.WaitForLine("MODAL").find("|打开 PDF 失败"), std::string::npos) << editor.LinesSoFar();
    ExpectEndedBy(editor, signal);
    // No recovery question came after it, and nothing was deleted.
    EXPECT_TRUE(editor.WaitForLine("MODAL").empty()) << editor.LinesSoFar();
    EXPECT_EQ(StateOfDeadRuns(), state) << signal;
  }
  EXPECT_EQ(ReadBytes(WorkPath("broken.pdf")), "%PDF-1.7\nthis file was cut off");
}

TEST_F(RecoveryBoxesTest, ASignalDuringTheSaveDialogEndsTheEditorAndKeepsItsWork) {
  for (int signal : {SIGTERM, SIGHUP}) {
    EditorProcess editor(WorkPath("lesson.pdf"), "save");
    ASSERT_NE(editor.WaitForLine("READY 3 3 2 1"), "") << editor.LinesSoFar();
    ASSERT_NE(editor.WaitForLine("MODAL").find("QFileDialog"), std::string::npos) << editor.LinesSoFar();
    ExpectEndedBy(editor, signal);
    auto leftovers = FindRecoveryLeftovers();
    ASSERT_EQ(leftovers.size(), 1u) << signal;
    std::string snapshot = Utf8(leftovers[0].snapshotPath);
    EXPECT_EQ(PageWidthsOfFile(snapshot), (std::vector<float>{300, 301, 302}));
    EXPECT_EQ(ObjectCountsOfFile(snapshot), (std::vector<int>{3, 2, 1}));
    DeleteRecoveryLeftover(leftovers[0]);
  }
  EXPECT_EQ(ReadBytes(WorkPath("lesson.pdf")), original_);
  EXPECT_EQ(WorkFiles(), (std::vector<std::string>{"lesson.pdf"}));
}

TEST_F(RecoveryBoxesTest, TwoLiveEditorsNeverOfferEachOthersState) {
  EditorProcess first(WorkPath("lesson.pdf"), "wait");
  ASSERT_FALSE(first.WaitForLine("READY").empty());
  // The first editor's unsaved state is on disk, but its run is alive.
  EditorProcess second(WorkPath("lesson.pdf"), "wait");
  ASSERT_FALSE(second.WaitForLine("READY").empty());
  EditorProcess third("", "boxes", "escape");
  ASSERT_FALSE(third.WaitForLine("STARTED").empty());
  EXPECT_EQ(third.LinesSoFar().find("MODAL"), std::string::npos) << third.LinesSoFar();
  EXPECT_EQ(second.LinesSoFar().find("MODAL"), std::string::npos) << second.LinesSoFar();
  ExpectEndedBy(third, SIGTERM);
  ExpectEndedBy(second, SIGTERM);
  ExpectEndedBy(first, SIGTERM);
  EXPECT_EQ(FindRecoveryLeftovers().size(), 2u);  // both edited lessons, kept by their signals
}

}  // namespace
