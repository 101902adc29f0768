#include <gtest/gtest.h>

#include <QAction>
#include <QTest>

#include "app/gui_test.h"
#include "app/main_window.h"
#include "document/session.h"
#include "view/command_ids.h"
#include "view/page_view.h"
#include "view/tool_state.h"
#include "widgets/page_canvas.h"
#include "widgets/qt_platform.h"
#include "widgets/window_access.h"

namespace {

class StartupTest : public GuiTest {};

TEST_F(StartupTest, StartsWithABlankA4PageInPenMode) {
  StartWindow();
  EXPECT_EQ(window_->windowTitle(), QStringLiteral("Corvan PDF 编辑器 - 未命名  (1/1)"));
  EXPECT_EQ(g_tool.mode, ToolMode::Pen);
  EXPECT_EQ(g_session.pageCount, 1);
  EXPECT_FLOAT_EQ(g_session.pageWidth, 595);
  EXPECT_TRUE(window_->isMaximized());
  QImage shot = Screenshot("startup");
  EXPECT_FALSE(shot.isNull());
}

// The widgets reach the main window through what it registered: only while it exists, and
// the next window once it replaces the first.
TEST_F(StartupTest, TheWidgetsReachOnlyTheWindowThatExists) {
  EXPECT_EQ(MainWindowWidget(), nullptr);
  StartWindow();
  EXPECT_EQ(MainWindowWidget(), window_);
  EXPECT_EQ(MainCanvas(), Canvas());
  ASSERT_TRUE(window_->action(kCmdPenTool)->isChecked());
  g_tool.mode = ToolMode::Hand;
  RefreshWindow();
  EXPECT_FALSE(window_->action(kCmdPenTool)->isChecked());

  delete window_;
  window_ = nullptr;
  EXPECT_EQ(MainWindowWidget(), nullptr);
  EXPECT_EQ(MainCanvas(), nullptr);
  RefreshWindow();  // nothing is left to refresh

  StartWindow();
  EXPECT_EQ(MainWindowWidget(), window_);
  EXPECT_EQ(MainCanvas(), Canvas());
}

}  // namespace
