// No room for an undo record, in the real window with the real Qt warning box: the box takes
// the window's activation, which must not settle the same drag a second time.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QTest>
#include <QTimer>

#include "app/gui_test.h"
#include "app/main_window.h"
#include "document/edit_wrapper.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "view/command_ids.h"
#include "view/page_view.h"
#include "widgets/qt_platform.h"


namespace {

std::vector<std::u16string> g_warnings;
MessageAnswer (*g_realBox)(const MessageBoxRequest&) = nullptr;
std::vector<uint64_t> g_freeReadings;  // one per call; the last one repeats

MessageAnswer ShowRealBoxAndPressEnter(const MessageBoxRequest& request) {
  g_warnings.push_back(request.text);
  QTimer::singleShot(100, [] {
    if (QWidget* box = QApplication::activeModalWidget()) QTest::keyClick(box, Qt::Key_Return);
  });
  return g_realBox(request);
}

std::optional<uint64_t> ChangingFreeSpace() {
  uint64_t value = g_freeReadings.front();
  if (g_freeReadings.size() > 1) g_freeReadings.erase(g_freeReadings.begin());
  return value;
}

class UndoBudgetWindowTest : public GuiTest {
 protected:
  void TearDown() override {
    g_tempFolderFreeSpace = realFreeSpace_;
    GuiTest::TearDown();
  }

  void DrawStroke(float fx, float fy) {
    const IntRect& r = g_view.pageRect;
    QPoint from(r.left + int(fx * r.Width()), r.top + int(fy * r.Height()));
    Drag(from, from + QPoint(80, 50), 6);
  }

  std::optional<uint64_t> (*realFreeSpace_)() = g_tempFolderFreeSpace;
};

TEST_F(UndoBudgetWindowTest, NoRoomForTheRecordWarnsOnceAndLeavesNoBogusStep) {
  StartWindow();
  InstallQtPlatform(window_);
  g_realBox = g_platform.showMessageBox;
  g_platform.showMessageBox = ShowRealBoxAndPressEnter;
  g_warnings.clear();
  QTest::qWaitForWindowActive(window_);
  ASSERT_NE(g_session.document, nullptr);

  // With room, a stroke is one undo step.
  g_tempFolderFreeSpace = ChangingFreeSpace;
  g_freeReadings = {uint64_t(1) << 30};
  DrawStroke(0.2f, 0.2f);
  ASSERT_EQ(g_history.undo.size(), 1u);
  int objects = CurrentObjectCount();

  // The folder fills up: no room for even this record; the next reading shows room again
  // (another program freed space while the warning was up).
  g_freeReadings = {1024, uint64_t(1) << 30};
  DrawStroke(0.5f, 0.4f);
  EXPECT_EQ(CurrentObjectCount(), objects + 1);  // the edit is done
  ASSERT_EQ(g_warnings.size(), 1u);
  EXPECT_EQ(g_warnings[0], u"本次编辑已完成，但无法创建撤销记录。");
  // Nothing fits a 256-byte budget: no record is left, none with an empty path, and 撤销 is off.
  EXPECT_TRUE(g_history.undo.empty()) << g_history.undo.size();
  EXPECT_TRUE(TempFiles().empty());
  window_->RefreshAll();
  EXPECT_FALSE(window_->action(kCmdUndo)->isEnabled());

  // Room again: the next stroke is an undo step that works.
  DrawStroke(0.3f, 0.3f);
  EXPECT_EQ(CurrentObjectCount(), objects + 2);
  ASSERT_EQ(g_history.undo.size(), 1u);
  EXPECT_TRUE(window_->action(kCmdUndo)->isEnabled());
  ASSERT_TRUE(Undo());
  EXPECT_EQ(CurrentObjectCount(), objects + 1);
  EXPECT_EQ(g_warnings.size(), 1u);
}

}  // namespace
