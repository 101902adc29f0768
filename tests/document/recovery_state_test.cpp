// What the recovery state and the undo snapshots leave for later runs: a state folder that
// takes nothing is told once per run, snapshot files of ended runs are removed at the next
// start, and the offer names the copy saved last.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "document/crash_recovery.h"
#include "document/save_copy.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "platform/text_encoding.h"
#include "support/document_test.h"
#include "support/limited_folder.h"

namespace {

class RecoveryStateTest : public DocumentTest {
 protected:
  size_t BoxesCaptioned(const std::u16string& caption) const {
    size_t count = 0;
    for (const auto& box : g_script.boxes) count += box.caption == caption ? 1 : 0;
    return count;
  }
};

TEST_F(RecoveryStateTest, AStateFolderThatTakesNothingIsToldOncePerRun) {
  std::string folder = root_ + "/state/CorvanPDF";
  LimitedFolder locked = LimitedFolder::ReadOnly(folder, {});
  if (!locked.RefusesWrites()) GTEST_SKIP() << "the folder cannot be made read-only here";
  WriteNumberedPdf(WorkPath("lesson.pdf"), 2);
  EXPECT_FALSE(ClaimRecoverySlot());
  OpenOrFail(WorkPath("lesson.pdf"));
  KeepRecoveryState();
  EXPECT_TRUE(g_script.boxes.empty());  // nothing unsaved yet: nothing to tell
  for (int edit = 0; edit < 3; ++edit) {
    EditOnce();
    KeepRecoveryState();
  }
  ASSERT_EQ(BoxesCaptioned(u"无法保存恢复数据"), 1u) << RecordedBoxesText();
  EXPECT_EQ(g_script.boxes[0].icon, MessageIcon::Warning);
  EXPECT_NE(g_script.boxes[0].text.find(Utf8ToUtf16(folder)), std::u16string::npos);
}

TEST_F(RecoveryStateTest, AFullStateFolderIsToldOnceAndLeavesNoPartialFiles) {
  std::string folder = root_ + "/state/CorvanPDF";
  LimitedFolder disk = LimitedFolder::SizeLimited(folder, 16 * 1024);
  disk.ArmWriteLimit();
  WriteNumberedPdf(WorkPath("lesson.pdf"), 200);  // its state is far larger than the folder
  ASSERT_TRUE(ClaimRecoverySlot());
  OpenOrFail(WorkPath("lesson.pdf"));
  for (int edit = 0; edit < 3; ++edit) {
    EditOnce();
    KeepRecoveryState();
  }
  disk.DisarmWriteLimit();
  ASSERT_EQ(BoxesCaptioned(u"无法保存恢复数据"), 1u) << RecordedBoxesText();
  auto files = FolderEntries(folder);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_NE(files[0].find(".lock"), std::string::npos);
}

TEST_F(RecoveryStateTest, SnapshotsOfEndedRunsAreRemovedAtStart) {
  pid_t ended = ::fork();
  if (ended == 0) ::_exit(0);
  ::waitpid(ended, nullptr, 0);
  std::string own = "cvn" + std::to_string(::getpid()) + "-abcdef.tmp";
  std::string dead = "cvn" + std::to_string(ended) + "-abcdef.tmp";
  for (const std::string& name : {own, dead, std::string("cvn1-abcdef.tmp"), std::string("cvnABCDEF.tmp"),
                                  std::string("notes.txt")}) {
    WriteBytes(temp_ + "/" + name, "snapshot bytes");
  }
  RemoveSnapshotsOfEndedRuns();
  // Process 1 runs, this one runs, an old-style name has no owner to ask about.
  EXPECT_EQ(TempFiles(), (std::vector<std::string>{"cvn1-abcdef.tmp", own, "cvnABCDEF.tmp", "notes.txt"}));

  // This run's snapshots carry its process id.
  WriteNumberedPdf(WorkPath("lesson.pdf"), 1);
  OpenOrFail(WorkPath("lesson.pdf"));
  EditOnce();
  ASSERT_EQ(g_history.undo.size(), 1u);
  EXPECT_NE(Utf8(g_history.undo[0].snapshotPath).find("/cvn" + std::to_string(::getpid()) + "-"), std::string::npos);
}

TEST_F(RecoveryStateTest, TheOfferNamesTheCopySavedLast) {
  WriteNumberedPdf(WorkPath("lesson.pdf"), 2);
  ASSERT_TRUE(ClaimRecoverySlot());
  OpenOrFail(WorkPath("lesson.pdf"));
  EditOnce();
  g_script.dialogAnswers = {WorkPath16("lesson_copy.pdf")};
  ASSERT_TRUE(SavePdfCopy(u"_annotated.pdf", u""));
  EditOnce();
  KeepRecoveryState();
  // The run ends as if killed: its files stay, its lock is no longer held.
  ReleaseRecoverySlot(true);
  ResetDocumentState();
  // A run's name holds its process id and start second: the next one must start later.
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  ASSERT_TRUE(ClaimRecoverySlot());
  g_script.answers = {MessageAnswer::Yes};
  ASSERT_TRUE(OfferRecovery()) << RecordedBoxesText();
  ASSERT_EQ(g_script.boxes.size(), 1u) << RecordedBoxesText();
  EXPECT_NE(g_script.boxes[0].text.find(WorkPath16("lesson.pdf") + u"\n最后保存的副本：" + WorkPath16("lesson_copy.pdf")),
            std::u16string::npos)
      << Utf8(g_script.boxes[0].text);
  EXPECT_EQ(g_session.path, WorkPath16("lesson_copy.pdf"));
  EXPECT_EQ(g_session.sourcePath, WorkPath16("lesson.pdf"));
  EXPECT_TRUE(g_session.modified);
  EXPECT_EQ(CurrentObjectCount(), 3);
}

}  // namespace
