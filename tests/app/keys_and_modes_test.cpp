// Shortcuts in every window state, the OCR overlay giving way to other commands, the space
// bar's state, and the small window behaviours around page changes and opening.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <cmath>

#include "app/command_router.h"
#include "app/gui_test.h"
#include "app/main_window.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "drawing/coordinate_system.h"
#include "drawing/marks.h"
#include "editing/selection.h"
#include "view/command_ids.h"
#include "view/page_view.h"
#include "view/tool_state.h"
#include "view/toolbar.h"
#include "widgets/page_canvas.h"
#include "widgets/page_number_controls.h"

namespace {

class KeysAndModesTest : public GuiTest {
 protected:
  QPoint PageCentre() const { return QPoint((g_view.pageRect.left + g_view.pageRect.right) / 2,
                                            (g_view.pageRect.top + std::min(g_view.pageRect.bottom, 600)) / 2); }
  void PenStroke() { Drag(PageCentre(), PageCentre() + QPoint(60, 40), 6); }
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(Canvas(), key, modifiers);
    QApplication::processEvents();
  }
};

TEST_F(KeysAndModesTest, ShortcutsWorkInFullScreen) {
  WriteNumberedPdf(WorkPath("lesson.pdf"), 3);
  StartWindow({QString::fromStdString(WorkPath("lesson.pdf"))});
  Key(Qt::Key_F11);
  ASSERT_TRUE(g_layout.fullScreen);
  ASSERT_FALSE(window_->menuBar()->isVisible());

  Key(Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(g_session.currentPageIndex, 1);
  Key(Qt::Key_Left, Qt::ControlModifier);
  EXPECT_EQ(g_session.currentPageIndex, 0);

  RouteCommand(kCmdPenTool);
  QApplication::processEvents();
  PenStroke();
  ASSERT_EQ(CurrentObjectCount(), 2);  // the page's own path and the stroke
  Key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(CurrentObjectCount(), 1);
  Key(Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(CurrentObjectCount(), 2);

  size_t dialogs = g_script.dialogs.size();
  Key(Qt::Key_S, Qt::ControlModifier);  // the save dialog asks (and is cancelled)
  ASSERT_EQ(g_script.dialogs.size(), dialogs + 1);
  EXPECT_TRUE(g_script.dialogs.back().save);
  EXPECT_TRUE(g_layout.fullScreen);
}

TEST_F(KeysAndModesTest, AnyOtherCommandEndsOcrSelectionAndItsHint) {
  StartWindow();
  RouteCommand(kCmdToggleNavigator);
  ASSERT_TRUE(ToolbarButtonActive(kCmdToggleNavigator));
  ClickToolbar(kCmdOcr);
  ASSERT_TRUE(g_tool.ocrRegion);
  EXPECT_TRUE(ToolbarButtonActive(kCmdOcr));
  for (const auto& button : ToolbarButtons()) {
    if (button.id != kCmdOcr) {
      EXPECT_FALSE(ToolbarButtonActive(button.id)) << button.id;  // "页面" too
    }
  }
  EXPECT_TRUE(StatusLine().contains(QStringLiteral("OCR")));

  RouteCommand(kCmdPenTool);  // the pen menu's "画笔"
  EXPECT_FALSE(g_tool.ocrRegion);
  EXPECT_FALSE(StatusLine().contains(QStringLiteral("OCR"))) << StatusLine().toStdString();
  EXPECT_TRUE(ToolbarButtonActive(kCmdPenMenu));
  PenStroke();
  EXPECT_EQ(CurrentObjectCount(), 1);

  ClickToolbar(kCmdOcr);
  ASSERT_TRUE(g_tool.ocrRegion);
  RouteCommand(kCmdRectangleTool);
  EXPECT_FALSE(g_tool.ocrRegion);
  EXPECT_EQ(g_session.statusText, u"几何绘图：拖动绘制矩形");
  Drag(PageCentre() - QPoint(80, 60), PageCentre() + QPoint(80, 60), 4);
  EXPECT_GT(CurrentObjectCount(), 1);  // the rectangle and its vertex labels

  ClickToolbar(kCmdOcr);
  RouteCommand(kCmdZoomIn);  // a command that only views ends it too
  EXPECT_FALSE(g_tool.ocrRegion);
  EXPECT_FALSE(StatusLine().contains(QStringLiteral("OCR"))) << StatusLine().toStdString();
  ClickToolbar(kCmdOcr);
  ClickToolbar(kCmdOcr);  // OCR itself toggles
  EXPECT_FALSE(g_tool.ocrRegion);
  EXPECT_EQ(g_session.statusText, u"已取消 OCR 区域选择");
}

TEST_F(KeysAndModesTest, TheSpaceBarReleasedElsewhereDoesNotStickThePen) {
  StartWindow();
  ASSERT_EQ(g_tool.mode, ToolMode::Pen);
  Canvas()->setFocus();
  QTest::keyPress(Canvas(), Qt::Key_Space);
  ASSERT_TRUE(g_tool.spaceHeld);
  PenStroke();  // held: the drag moves the page instead of drawing
  EXPECT_EQ(CurrentObjectCount(), 0);

  QLineEdit* pageBox = Canvas()->pageControls()->pageEdit();
  pageBox->setFocus();
  QTest::keyRelease(pageBox, Qt::Key_Space);  // released while the page box has the focus
  EXPECT_FALSE(g_tool.spaceHeld);
  Canvas()->setFocus();
  PenStroke();
  EXPECT_EQ(CurrentObjectCount(), 1);

  QTest::keyPress(Canvas(), Qt::Key_Space);
  ASSERT_TRUE(g_tool.spaceHeld);
  QEvent deactivate(QEvent::ApplicationDeactivate);  // released in another program
  QApplication::sendEvent(qApp, &deactivate);
  EXPECT_FALSE(g_tool.spaceHeld);
  PenStroke();
  EXPECT_EQ(CurrentObjectCount(), 2);
}

TEST_F(KeysAndModesTest, TheScrollBarIsReadyRightAfterOpening) {
  WriteNumberedPdf(WorkPath("tall.pdf"), 2);  // fit width makes these pages taller than the view
  StartWindow({QString::fromStdString(WorkPath("tall.pdf"))});
  QScrollBar* bar = Canvas()->scrollBar();
  ASSERT_TRUE(g_scrollBar.enabled);
  EXPECT_TRUE(bar->isEnabled());
  EXPECT_EQ(bar->maximum(), MaxScrollOffset());
  EXPECT_EQ(bar->pageStep(), ViewArea().Height());
  // The first click on the bar scrolls.
  QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, QPoint(bar->width() / 2, bar->height() - 30));
  QApplication::processEvents();
  EXPECT_GT(ScrollOffset(), 0);
  EXPECT_EQ(bar->value(), ScrollOffset());
}

TEST_F(KeysAndModesTest, TurningThePageDropsAPolylineWithItsMessageAndButtons) {
  WriteNumberedPdf(WorkPath("lesson.pdf"), 3);
  StartWindow({QString::fromStdString(WorkPath("lesson.pdf"))});
  RouteCommand(kCmdPolyline);
  Click(PageCentre());
  Click(PageCentre() + QPoint(50, 0));
  ASSERT_EQ(g_tool.polyline.size(), 2u);
  ASSERT_TRUE(ToolbarButtonActive(kCmdDrawingMenuButton));
  Key(Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(g_session.currentPageIndex, 1);
  EXPECT_EQ(g_tool.mode, ToolMode::Select);
  EXPECT_TRUE(g_tool.polyline.empty());
  EXPECT_TRUE(StatusLine().startsWith(QStringLiteral("2/3    选取模式：使用鼠标指针"))) << StatusLine().toStdString();
  EXPECT_TRUE(ToolbarButtonActive(kCmdSelectTool));
  EXPECT_FALSE(ToolbarButtonActive(kCmdDrawingMenuButton));
}

TEST_F(KeysAndModesTest, CoordinateSystemHandlesOfferAFourWayCursor) {
  StartWindow();
  RouteCommand(kCmdCoordinateSystem);
  FPDF_PAGEOBJECT system = SelectedCoordinateSystem();
  ASSERT_NE(system, nullptr);
  ASSERT_EQ(g_tool.mode, ToolMode::Select);
  auto points = ReadControlPoints(system, CurrentOps());
  ASSERT_TRUE(points.has_value());
  auto pointAt = [this](QPoint at) {
    QCursor::setPos(Canvas()->mapToGlobal(at));
    QMouseEvent move(QEvent::MouseMove, at, Canvas()->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(Canvas(), &move);
    return Canvas()->cursor().shape();
  };
  float ox, oy, ux, uy;
  PageToScreen(points->origin.x, points->origin.y, ox, oy);
  PageToScreen(points->unit.x, points->unit.y, ux, uy);
  EXPECT_EQ(pointAt(QPoint(int(ox + 0.5f), int(oy + 0.5f))), Qt::SizeAllCursor);
  EXPECT_EQ(pointAt(QPoint(int(ux + 0.5f), int(uy + 0.5f))), Qt::SizeAllCursor);
  // Away from the handles, on the page: the select tool's cross.
  QPoint away(g_view.pageRect.left + 30, g_view.pageRect.top + 30);
  ASSERT_GT(std::hypot(away.x() - ox, away.y() - oy), 40);
  EXPECT_EQ(pointAt(away), Qt::CrossCursor);
}

}  // namespace
