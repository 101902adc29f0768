#include <gtest/gtest.h>

#include <QMenu>
#include <QTimer>
#include <cmath>

#include "app/editing_test_fixture.h"
#include "editing/erasing.h"
#include "editing/selection.h"
#include "view/page_view.h"
#include "view/tool_state.h"

namespace {

class EraseDeleteWindowTest : public EditingWindowTest {
 protected:
  // A stroke through page points, committed, in an RGB colour and width; the editor's own
  // (with its ink mark) or the page's.
  FPDF_PAGEOBJECT AddStroke(std::vector<PagePoint> points, unsigned r, unsigned g, unsigned b, float width,
                            bool own = true) {
    FPDF_PAGEOBJECT path = g_engine.FPDFPageObj_CreateNewPath(points[0].x, points[0].y);
    for (size_t i = 1; i < points.size(); ++i) g_engine.FPDFPath_LineTo(path, points[i].x, points[i].y);
    g_engine.FPDFPageObj_SetStrokeColor(path, r, g, b, 255);
    g_engine.FPDFPageObj_SetStrokeWidth(path, width);
    g_engine.FPDFPath_SetDrawMode(path, 0, 1);
    if (own) EXPECT_TRUE(AddInkMark(path, g_engine));
    g_engine.FPDFPage_InsertObject(g_session.currentPage, path);
    g_engine.FPDFPage_GenerateContent(g_session.currentPage);
    InvalidateRender(true);
    Canvas()->repaint();
    return path;
  }
  // A horizontal red 6-point stroke lying a quarter pixel above screen row `row`.
  FPDF_PAGEOBJECT RedStrokeAbove(int row) {
    QPoint left = At(0.2f, 0.f), right = At(0.7f, 0.f);
    PagePoint a = *ScreenToPageUnclamped(float(left.x()), row - 0.25f);
    PagePoint b = *ScreenToPageUnclamped(float(right.x()), row - 0.25f);
    return AddStroke({a, b}, 230, 35, 35, 6);
  }
};

TEST_F(EraseDeleteWindowTest, AClickErasesTheStrokeWithinElevenPixelsButNotAtTwelve) {
  int row = At(0.f, 0.4f).y();
  RedStrokeAbove(row);
  RouteCommand(kCmdSelectErase);
  EXPECT_EQ(g_tool.mode, ToolMode::SelectErase);
  size_t steps = Steps();
  int x = At(0.45f, 0.f).x();
  Click(QPoint(x, row + 12));  // 12.25 pixels from the line
  EXPECT_EQ(CurrentObjectCount(), 1);
  EXPECT_EQ(g_session.statusText, u"没有找到可擦除的标注划线");
  EXPECT_EQ(Steps(), steps);
  Click(QPoint(x, row - 11));  // 10.75 pixels above it
  EXPECT_EQ(CurrentObjectCount(), 0);
  EXPECT_EQ(g_session.statusText, u"标注已擦除");
  EXPECT_EQ(Steps(), steps + 1);
  RouteCommand(kCmdUndo);
  EXPECT_EQ(CurrentObjectCount(), 1);
}

TEST_F(EraseDeleteWindowTest, ASlowDragErasesAtThePressAndEverySixPixels) {
  // Vertical strokes three pixels apart; the pointer crosses them one pixel per move.
  QPoint origin = At(0.3f, 0.5f);
  std::vector<FPDF_PAGEOBJECT> strokes;
  for (int i = 0; i < 5; ++i) {
    PagePoint top = OnPage(origin + QPoint(3 * i, -40)), bottom = OnPage(origin + QPoint(3 * i, 40));
    strokes.push_back(AddStroke({top, bottom}, 0, 95, 255, 2));
  }
  RouteCommand(kCmdSelectErase);
  size_t steps = Steps();
  Press(origin);
  for (int dx = 1; dx <= 12; ++dx) MoveTo(origin + QPoint(dx, 0));
  Release(origin + QPoint(12, 0));
  std::vector<FPDF_PAGEOBJECT> left = Paths();
  ASSERT_EQ(left.size(), 2u) << "erased at 0, 6 and 12 pixels";
  EXPECT_EQ(left[0], strokes[1]);
  EXPECT_EQ(left[1], strokes[3]);
  EXPECT_EQ(Steps(), steps + 1) << "the drag is one undo step";
  RouteCommand(kCmdUndo);
  EXPECT_EQ(Paths().size(), 5u);
}

TEST_F(EraseDeleteWindowTest, UnmarkedStrokesAreNeverErasedAndEraseAllOnAPageWithoutInkOnlyTalks) {
  int row = At(0.f, 0.3f).y();
  QPoint left = At(0.2f, 0.f), right = At(0.7f, 0.f);
  PagePoint a = OnPage(QPoint(left.x(), row)), b = OnPage(QPoint(right.x(), row));
  FPDF_PAGEOBJECT foreign = AddStroke({a, b}, 1, 2, 3, 6, false);
  PagePoint c = OnPage(QPoint(left.x(), row + 60)), d = OnPage(QPoint(right.x(), row + 60));
  FPDF_PAGEOBJECT wide = AddStroke({c, d}, 230, 35, 35, 25, false);
  EXPECT_FALSE(IsErasable(foreign, g_engine));
  FPDF_PAGEOBJECT hairline =
      AddStroke({OnPage(At(0.1f, 0.9f)), OnPage(At(0.2f, 0.92f)), OnPage(At(0.3f, 0.9f))}, 0, 0, 0, 0, false);
  RouteCommand(kCmdSelectTool);
  Click(At(0.2f, 0.9f));
  ASSERT_EQ(g_selection.object, hairline);
  EXPECT_EQ(g_tool.drawColor, 0u) << "the colour is taken";
  EXPECT_FLOAT_EQ(g_tool.lineWidth, 6.0f) << "a hairline leaves a pen that still draws";
  ASSERT_TRUE(g_engine.FPDFPage_RemoveObject(g_session.currentPage, hairline));
  g_engine.FPDFPageObj_Destroy(hairline);
  RouteCommand(kCmdSelectTool);
  EXPECT_FALSE(IsErasable(wide, g_engine));
  RouteCommand(kCmdSelectErase);
  Click(QPoint(At(0.4f, 0.f).x(), row));
  Click(QPoint(At(0.4f, 0.f).x(), row + 60));
  EXPECT_EQ(CurrentObjectCount(), 2);
  EXPECT_EQ(g_session.statusText, u"没有找到可擦除的标注划线");

  size_t steps = Steps();
  g_script.answers = {MessageAnswer::Yes};
  RouteCommand(kCmdEraseAll);
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"全部擦除");
  EXPECT_EQ(g_script.boxes[0].text, u"将清除当前页匹配本软件绘图样式的路径标注，且不可撤销。\n是否继续？");
  EXPECT_EQ(g_script.boxes[0].buttons, MessageButtons::YesNo);
  EXPECT_EQ(CurrentObjectCount(), 2);
  EXPECT_EQ(g_session.statusText, u"当前页没有可擦除的标注");
  EXPECT_EQ(Steps(), steps);
  EXPECT_FALSE(window_->windowTitle().endsWith(" *"));
}

TEST_F(EraseDeleteWindowTest, EraseAllRemovesDrawnStrokesAndTheirLabelsAfterAYes) {
  RouteCommand(kCmdSegmentTool);
  Drag(At(0.2f, 0.3f), At(0.6f, 0.3f));
  unsigned r = 0, g = 0, b = 0, a = 0;
  ASSERT_TRUE(g_engine.FPDFPageObj_GetStrokeColor(Paths()[0], &r, &g, &b, &a));
  EXPECT_EQ(r, 230u);
  EXPECT_EQ(g, 35u);
  RouteCommand(kCmdPenTool);
  Drag(At(0.2f, 0.5f), At(0.6f, 0.7f), 8);
  RouteCommand(kCmdRectangleTool);  // a closed polyline in a palette colour is a stroke too
  Drag(At(0.2f, 0.8f), At(0.4f, 0.9f));
  RouteCommand(kCmdEllipseTool);
  Drag(At(0.6f, 0.8f), At(0.8f, 0.9f));
  FPDF_PAGEOBJECT foreign = AddStroke({OnPage(At(0.1f, 0.1f)), OnPage(At(0.3f, 0.1f))}, 1, 2, 3, 6, false);
  ASSERT_EQ(CurrentObjectCount(), 1 + 2 + 1 + 1 + 4 + 1 + 1);
  g_script.answers = {MessageAnswer::No};
  RouteCommand(kCmdEraseAll);
  EXPECT_EQ(CurrentObjectCount(), 11) << "No keeps everything";
  g_script.answers = {MessageAnswer::Yes};
  size_t steps = Steps();
  RouteCommand(kCmdEraseAll);
  EXPECT_EQ(g_session.statusText, u"已擦除当前页 4 个标注");
  EXPECT_EQ(Objects(), std::vector<FPDF_PAGEOBJECT>{foreign}) << "labels go with their shapes";
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_EQ(g_selection.object, nullptr);
}

TEST_F(EraseDeleteWindowTest, DeleteRemovesTheSelectionWithItsLabelsAndNothingWithoutOne) {
  RouteCommand(kCmdSegmentTool);
  Drag(At(0.2f, 0.3f), At(0.6f, 0.3f));
  RouteCommand(kCmdSelectTool);
  size_t steps = Steps();
  QTest::keyClick(Canvas(), Qt::Key_Delete);
  EXPECT_EQ(CurrentObjectCount(), 3);
  EXPECT_EQ(Steps(), steps);
  EXPECT_TRUE(g_script.boxes.empty());

  Click(At(0.4f, 0.3f));
  ASSERT_NE(g_selection.object, nullptr);
  QTest::keyClick(Canvas(), Qt::Key_Delete);
  EXPECT_EQ(CurrentObjectCount(), 0) << "the endpoint labels go with the segment";
  EXPECT_EQ(g_session.statusText, u"所选图形已删除");
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  RouteCommand(kCmdUndo);
  EXPECT_EQ(CurrentObjectCount(), 3);
}

TEST_F(EraseDeleteWindowTest, TheEditToolsMenuDeletesTheDrawnObjectUnderThePointer) {
  RouteCommand(kCmdTriangleTool);
  Drag(At(0.3f, 0.3f), At(0.5f, 0.5f));
  RouteCommand(kCmdEditMode);
  ASSERT_EQ(g_tool.mode, ToolMode::Edit);
  size_t steps = Steps();
  QString offered;
  QTimer::singleShot(50, [&offered] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) return;
    offered = menu->actions().value(0)->text();
    menu->setActiveAction(menu->actions().value(0));
    QTest::keyClick(menu, Qt::Key_Return);
  });
  Click(At(0.4f, 0.5f), Qt::RightButton);
  EXPECT_EQ(offered, QStringLiteral("删除所选图形"));
  EXPECT_EQ(CurrentObjectCount(), 0) << "the triangle and its three labels";
  EXPECT_EQ(g_session.statusText, u"所选图形已删除");
  EXPECT_EQ(Steps(), steps + 1);
  // Empty page space opens no drawn-object menu.
  QTimer::singleShot(50, [] {
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) menu->close();
  });
  Click(At(0.8f, 0.8f), Qt::RightButton);
  EXPECT_EQ(Steps(), steps + 1);
}

FPDF_PAGEOBJECT g_refused = nullptr;
FPDF_BOOL (*g_realRemove)(FPDF_PAGE, FPDF_PAGEOBJECT) = nullptr;
FPDF_BOOL RefuseOne(FPDF_PAGE page, FPDF_PAGEOBJECT object) {
  return object == g_refused ? 0 : g_realRemove(page, object);
}

TEST_F(EraseDeleteWindowTest, AGroupDeleteWithOneFailureKeepsTheSurvivorSelected) {
  RouteCommand(kCmdTriangleTool);
  Drag(At(0.1f, 0.1f), At(0.3f, 0.3f));
  RouteCommand(kCmdEllipseTool);
  Drag(At(0.4f, 0.1f), At(0.6f, 0.3f));
  RouteCommand(kCmdRectangleTool);
  Drag(At(0.7f, 0.1f), At(0.9f, 0.3f));
  std::vector<FPDF_PAGEOBJECT> shapes = Paths();
  ASSERT_EQ(shapes.size(), 3u);
  RouteCommand(kCmdSelectTool);
  Drag(At(0.05f, 0.05f), At(0.95f, 0.4f));
  ASSERT_EQ(g_selection.group.size(), 3u);
  size_t steps = Steps();

  g_realRemove = g_engine.FPDFPage_RemoveObject;
  g_refused = shapes[1];
  g_engine.FPDFPage_RemoveObject = RefuseOne;
  QTest::keyClick(Canvas(), Qt::Key_Delete);
  QApplication::processEvents();
  g_engine.FPDFPage_RemoveObject = g_realRemove;

  EXPECT_EQ(g_tool.mode, ToolMode::Select);
  ASSERT_EQ(g_selection.group.size(), 1u);
  EXPECT_EQ(g_selection.group[0], shapes[1]);
  EXPECT_EQ(g_session.statusText, u"已删除 2 个图形，另有 1 个删除失败");
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"删除图形未完成");
  EXPECT_EQ(g_script.boxes[0].text, u"已删除 2 个图形，另有 1 个删除失败");
  EXPECT_EQ(g_script.boxes[0].icon, MessageIcon::Warning);
  EXPECT_EQ(Paths(), std::vector<FPDF_PAGEOBJECT>{shapes[1]});
  EXPECT_EQ(CurrentObjectCount(), 1) << "the triangle's and rectangle's labels went too";
  EXPECT_EQ(Steps(), steps + 1);

  // 选取擦除 lets the survivor go instead of deleting it; Delete takes it once the engine lets it go.
  RouteCommand(kCmdSelectErase);
  EXPECT_EQ(g_tool.mode, ToolMode::SelectErase);
  EXPECT_EQ(Paths(), std::vector<FPDF_PAGEOBJECT>{shapes[1]});
  EXPECT_TRUE(g_selection.group.empty());
  RouteCommand(kCmdSelectTool);
  Drag(At(0.05f, 0.05f), At(0.95f, 0.4f));
  ASSERT_EQ(g_selection.object, shapes[1]);
  QTest::keyClick(Canvas(), Qt::Key_Delete);
  EXPECT_EQ(CurrentObjectCount(), 0);
}

}  // namespace
