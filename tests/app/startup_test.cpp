#include <gtest/gtest.h>

#include <QTest>

#include "app/gui_test.h"
#include "app/main_window.h"
#include "document/session.h"
#include "view/page_view.h"
#include "view/tool_state.h"
#include "widgets/page_canvas.h"
#include "widgets/qt_platform.h"

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

}  // namespace
