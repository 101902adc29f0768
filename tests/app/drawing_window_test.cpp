#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <string>

#include "app/command_router.h"
#include "app/gui_test.h"
#include "app/main_window.h"
#include "content/font_table.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "drawing/coordinate_system.h"
#include "drawing/find_remove.h"
#include "drawing/marks.h"
#include "editing/selection.h"
#include "engine/engine_table.h"
#include "platform/platform_seam.h"
#include "view/command_ids.h"
#include "view/page_view.h"
#include "view/tool_state.h"
#include "widgets/floating_buttons.h"
#include "widgets/page_canvas.h"

namespace {

class DrawingWindowTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    StartWindow();
    RouteCommand(kCmdFitPage);
    Canvas()->repaint();
  }
  QPoint At(float fx, float fy) const {  // a point at fractions of the page's screen rectangle
    if (!g_view.valid) Canvas()->repaint();  // as on screen: the page is painted before it is used
    const IntRect& r = g_view.pageRect;
    return QPoint(r.left + int(fx * r.Width()), r.top + int(fy * r.Height()));
  }
  std::vector<FPDF_PAGEOBJECT> Objects() const {
    std::vector<FPDF_PAGEOBJECT> objects;
    for (int i = 0; i < CurrentObjectCount(); ++i) objects.push_back(g_engine.FPDFPage_GetObject(g_session.currentPage, i));
    return objects;
  }
  // The drawn path (first object) and how many labels carry its mark.
  std::pair<std::string, size_t> MarkAndLabels(MarkKind kind) const {
    FPDF_PAGEOBJECT shape = g_engine.FPDFPage_GetObject(g_session.currentPage, 0);
    auto name = FindMark(shape, g_engine, kind);
    if (!name) return {"", 0};
    return {*name, LabelsOfShape(g_session.currentPage, shape, g_engine, kind, *name).size()};
  }
  void ExpectOneUndoStepRemovesEverything() {
    size_t steps = g_history.undo.size();
    ASSERT_GE(steps, 1u);
    RouteCommand(kCmdUndo);
    EXPECT_EQ(CurrentObjectCount(), 0);
    EXPECT_EQ(g_history.undo.size(), steps - 1);
  }
};

TEST_F(DrawingWindowTest, ATriangleDragDrawsALabelledTriangle) {
  RouteCommand(kCmdTriangleTool);
  Drag(At(0.2f, 0.2f), At(0.6f, 0.5f));
  auto [name, labels] = MarkAndLabels(MarkKind::Triangle);
  EXPECT_NE(name.find("_L1"), std::string::npos) << name;
  EXPECT_EQ(labels, 3u);
  EXPECT_EQ(g_selection.object, Objects()[0]);
  EXPECT_TRUE(window_->windowTitle().endsWith(" *"));
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  Screenshot("triangle");
  ExpectOneUndoStepRemovesEverything();
}

TEST_F(DrawingWindowTest, RectanglesSegmentsAndArrowsAreLabelledToo) {
  RouteCommand(kCmdRectangleTool);
  Drag(At(0.1f, 0.1f), At(0.4f, 0.3f));
  EXPECT_EQ(MarkAndLabels(MarkKind::Rectangle).second, 4u);
  ExpectOneUndoStepRemovesEverything();

  RouteCommand(kCmdSegmentTool);
  Drag(At(0.1f, 0.5f), At(0.7f, 0.6f));
  EXPECT_EQ(MarkAndLabels(MarkKind::Line).second, 2u);
  EXPECT_TRUE(g_session.fullRewrite);
  ExpectOneUndoStepRemovesEverything();

  RouteCommand(kCmdArrowTool);
  Drag(At(0.1f, 0.7f), At(0.5f, 0.8f));
  auto arrow = RecogniseStraightSegment(Objects()[0], g_engine, CurrentScreenMapping());
  ASSERT_TRUE(arrow.has_value());
  EXPECT_TRUE(arrow->arrow);
  EXPECT_EQ(MarkAndLabels(MarkKind::Line).second, 2u);
  EXPECT_EQ(g_session.statusText, u"箭头已添加");
  RouteCommand(kCmdUndo);
  EXPECT_EQ(CurrentObjectCount(), 0);
}

TEST_F(DrawingWindowTest, ATooSmallDragDrawsNothing) {
  RouteCommand(kCmdEllipseTool);
  Drag(At(0.3f, 0.3f), At(0.3f, 0.3f) + QPoint(2, 40));
  EXPECT_EQ(CurrentObjectCount(), 0);
  EXPECT_EQ(g_session.statusText, u"拖动范围过小，请重新绘制");
  EXPECT_TRUE(g_history.undo.empty());
  // A refused triangle does not load (and embed) the label font either.
  RouteCommand(kCmdTriangleTool);
  Drag(At(0.3f, 0.3f), At(0.3f, 0.3f) + QPoint(40, 2));
  EXPECT_EQ(g_session.statusText, u"拖动范围过小，请重新绘制");
  EXPECT_EQ(g_fontCache.loadCount, 0);
  EXPECT_EQ(g_fontCache.defaultFont, nullptr);
}

FPDF_PAGEOBJECTMARK (*g_realAddMark)(FPDF_PAGEOBJECT, const char*) = nullptr;
// Marks only the ink, never a label's text.
FPDF_PAGEOBJECTMARK AddMarkToPathsOnly(FPDF_PAGEOBJECT object, const char* name) {
  return g_engine.FPDFPageObj_GetType(object) == kPageObjPath && std::string(name).rfind("PDFEditorInk_", 0) == 0
             ? g_realAddMark(object, name)
             : nullptr;
}

TEST_F(DrawingWindowTest, ARectangleWhoseLabelsFailIsKeptAndSaysSo) {
  g_realAddMark = g_engine.FPDFPageObj_AddMark;
  g_engine.FPDFPageObj_AddMark = AddMarkToPathsOnly;
  RouteCommand(kCmdRectangleTool);
  Drag(At(0.1f, 0.1f), At(0.4f, 0.3f));
  g_engine.FPDFPageObj_AddMark = g_realAddMark;
  EXPECT_EQ(CurrentObjectCount(), 1);  // the rectangle stays, unlabelled
  ASSERT_FALSE(g_script.boxes.empty());
  EXPECT_EQ(g_script.boxes[0].caption, u"矩形属性警告");
  EXPECT_EQ(g_script.boxes[0].text, u"已选中矩形，但无法创建或更新端点编号。");
}

TEST_F(DrawingWindowTest, PenStrokesAndPointsAreOneStepEach) {
  RouteCommand(kCmdPenTool);
  Drag(At(0.2f, 0.2f), At(0.5f, 0.4f), 10);
  ASSERT_EQ(CurrentObjectCount(), 1);
  EXPECT_GT(g_engine.FPDFPath_CountSegments(Objects()[0]), 5);
  EXPECT_EQ(g_session.statusText, u"曲线已添加");
  RouteCommand(kCmdPointTool);
  Click(At(0.7f, 0.7f));
  ASSERT_EQ(CurrentObjectCount(), 2);
  EXPECT_TRUE(FindMark(Objects()[1], g_engine, MarkKind::Point).has_value());
  EXPECT_EQ(g_history.undo.size(), 2u);
}

TEST_F(DrawingWindowTest, EveryLineToolDrawsThroughTheWindow) {
  RouteCommand(kCmdStraightLine);
  Drag(At(0.3f, 0.3f), At(0.4f, 0.3f));
  auto line = RecogniseStraightSegment(Objects()[0], g_engine, CurrentScreenMapping());
  ASSERT_TRUE(line.has_value());
  EXPECT_NEAR(line->start.x, 0, 2);
  EXPECT_NEAR(line->end.x, 595, 2);
  EXPECT_EQ(g_session.statusText, u"线工具图形已添加");

  RouteCommand(kCmdRay);
  Drag(At(0.5f, 0.5f), At(0.45f, 0.45f));
  auto ray = RecogniseStraightSegment(Objects()[size_t(CurrentObjectCount() - 3)], g_engine, CurrentScreenMapping());
  ASSERT_TRUE(ray.has_value());

  g_platform.askText = [](const std::u16string&, const std::u16string&, const std::u16string&) {
    return std::optional<std::u16string>(u"2");
  };
  RouteCommand(kCmdFixedLengthSegment);
  g_platform.askText = nullptr;
  Drag(At(0.2f, 0.8f), At(0.25f, 0.8f));
  auto fixed = RecogniseStraightSegment(Objects()[size_t(CurrentObjectCount() - 3)], g_engine, CurrentScreenMapping());
  ASSERT_TRUE(fixed.has_value());
  EXPECT_NEAR(std::hypot(fixed->end.x - fixed->start.x, fixed->end.y - fixed->start.y), 56.69, 0.01);

  RouteCommand(kCmdVector);
  QPoint vectorStart = At(0.6f, 0.2f), vectorEnd = At(0.8f, 0.25f);
  Drag(vectorStart, vectorEnd);
  FPDF_PAGEOBJECT vector = Objects()[size_t(CurrentObjectCount() - 3)];
  auto picked = RecogniseStraightSegment(vector, g_engine, CurrentScreenMapping());
  ASSERT_TRUE(picked.has_value());
  EXPECT_TRUE(picked->arrow);

  // The vector just drawn is selected: choosing the equal vector takes it at once.
  RouteCommand(kCmdEqualVector);
  EXPECT_EQ(g_session.statusText, u"相等向量：点击页面放置起点");
  RouteCommand(kCmdSelectTool);  // nothing selected now: the vector has to be clicked
  RouteCommand(kCmdEqualVector);
  EXPECT_EQ(g_session.statusText, u"相等向量：先点击已有向量，再点击新起点");
  Click(At(0.1f, 0.1f));
  EXPECT_EQ(g_session.statusText, u"请点击已有向量（带箭头的线）");
  Click((vectorStart + vectorEnd) / 2);
  EXPECT_EQ(g_session.statusText, u"相等向量：点击页面放置起点");
  Drag(At(0.6f, 0.6f), At(0.61f, 0.6f));
  auto copy = RecogniseStraightSegment(Objects()[size_t(CurrentObjectCount() - 3)], g_engine, CurrentScreenMapping());
  ASSERT_TRUE(copy.has_value());
  EXPECT_TRUE(copy->arrow);
  EXPECT_NEAR(copy->end.x - copy->start.x, picked->end.x - picked->start.x, 1e-3);
  EXPECT_NEAR(copy->end.y - copy->start.y, picked->end.y - picked->start.y, 1e-3);

  size_t steps = g_history.undo.size();
  RouteCommand(kCmdPolyline);
  Click(At(0.1f, 0.9f));
  Click(At(0.1f, 0.9f));  // the same vertex twice counts once
  Click(At(0.3f, 0.85f));
  Click(At(0.5f, 0.9f));
  ASSERT_EQ(g_tool.polyline.size(), 3u);
  Click(At(0.6f, 0.9f), Qt::RightButton);
  FPDF_PAGEOBJECT polyline = Objects().back();
  EXPECT_EQ(g_engine.FPDFPath_CountSegments(polyline), 3);
  EXPECT_TRUE(g_tool.polyline.empty());
  EXPECT_EQ(g_history.undo.size(), steps + 1);  // the clicks and the finishing right click: one step
  Screenshot("line-tools");
  RouteCommand(kCmdUndo);
  EXPECT_EQ(g_engine.FPDFPage_CountObjects(g_session.currentPage), CurrentObjectCount());
  EXPECT_NE(Objects().back(), polyline);
}

TEST_F(DrawingWindowTest, ACoordinateSystemIsSelectedAndItsUnitScales) {
  RouteCommand(kCmdCoordinateSystem);
  ASSERT_EQ(CurrentObjectCount(), 1);
  FPDF_PAGEOBJECT system = Objects()[0];
  EXPECT_EQ(SelectedCoordinateSystem(), system);
  EXPECT_EQ(g_tool.mode, ToolMode::Select);
  EXPECT_EQ(g_session.statusText, u"已生成坐标系：拖动原点平移，拖动单位点或使用右下角按钮调整刻度");
  Screenshot("coordinate-system");
  QAbstractButton* enlarge = Canvas()->floatingButtons()->button(2);
  EXPECT_EQ(enlarge->toolTip(), QStringLiteral("放大坐标系单位"));
  EXPECT_EQ(Canvas()->floatingButtons()->button(3)->toolTip(), QStringLiteral("缩小坐标系单位"));
  RouteCommand(kCmdFloatingZoomIn);
  auto points = ReadControlPoints(SelectedCoordinateSystem(), g_engine);
  ASSERT_TRUE(points.has_value());
  EXPECT_NEAR(std::hypot(points->unit.x - points->origin.x, points->unit.y - points->origin.y), 28.346457 * 1.2, 0.05);
  EXPECT_EQ(g_session.statusText, u"已放大坐标系单位");
  EXPECT_EQ(g_history.undo.size(), 2u);
  // Dragging the origin handle moves the grid as one undo step.
  float ox, oy;
  PageToScreen(points->origin.x, points->origin.y, ox, oy);
  Drag(QPoint(int(ox), int(oy)), QPoint(int(ox) + 30, int(oy) + 20));
  auto moved = ReadControlPoints(Objects()[0], g_engine);
  EXPECT_GT(moved->origin.x, points->origin.x + 20);
  EXPECT_EQ(g_session.statusText, u"坐标系已调整");
  EXPECT_EQ(g_history.undo.size(), 3u);
  RouteCommand(kCmdUndo);
  auto back = ReadControlPoints(Objects()[0], g_engine);
  EXPECT_NEAR(back->origin.x, points->origin.x, 0.01);
  // At the largest unit the enlarge button greys.
  SelectDrawnObject(Objects()[0]);
  ASSERT_EQ(SetUnitLength(Objects()[0], g_engine, 5000), kUnitChanged);
  window_->RefreshAll();
  EXPECT_FALSE(enlarge->isEnabled());
  EXPECT_TRUE(Canvas()->floatingButtons()->button(3)->isEnabled());
}

TEST_F(DrawingWindowTest, AnEllipseIsDrawnInsideItsDragOnATurnedCroppedPage) {
  WriteHandMadePdf(WorkPath("turned.pdf"), "/MediaBox [0 0 595 842] /CropBox [100 100 495 742] /Rotate 90");
  OpenOrFail(WorkPath("turned.pdf"));
  RouteCommand(kCmdFitPage);
  Canvas()->repaint();
  RouteCommand(kCmdEllipseTool);
  QPoint from = At(0.2f, 0.3f), to = At(0.6f, 0.5f);
  Drag(from, to);
  ASSERT_EQ(CurrentObjectCount(), 1);
  FPDF_PAGEOBJECT ellipse = Objects()[0];
  EXPECT_EQ(g_engine.FPDFPath_CountSegments(ellipse), 49);
  EXPECT_FALSE(RecogniseStraightSegment(ellipse, g_engine, CurrentScreenMapping()).has_value());
  EXPECT_EQ(g_engine.FPDFPageObj_CountMarks(ellipse), 1) << "its ink mark";
  EXPECT_TRUE(CarriesOwnMark(ellipse, g_engine));
  EXPECT_EQ(g_session.statusText, u"图形已添加");
  // Its outline, back on screen, spans the drag box: right, bottom, left and top extremes.
  int left = 1 << 20, right = -1, top = 1 << 20, bottom = -1;
  for (int i = 0; i < 48; ++i) {
    float px, py, x, y;
    g_engine.FPDFPathSegment_GetPoint(g_engine.FPDFPath_GetPathSegment(ellipse, i), &px, &py);
    PageToScreen(px, py, x, y);
    left = std::min(left, int(std::lround(x)));
    right = std::max(right, int(std::lround(x)));
    top = std::min(top, int(std::lround(y)));
    bottom = std::max(bottom, int(std::lround(y)));
    if (i == 0) {
      EXPECT_NEAR(x, to.x(), 1);  // the first point is the right end of the middle line
      EXPECT_NEAR(y, (from.y() + to.y()) / 2.0, 1);
    }
    if (i == 12) {
      EXPECT_NEAR(y, to.y(), 1);  // a quarter turn on: the bottom
    }
  }
  EXPECT_NEAR(left, from.x(), 1);
  EXPECT_NEAR(right, to.x(), 1);
  EXPECT_NEAR(top, from.y(), 1);
  EXPECT_NEAR(bottom, to.y(), 1);
  Screenshot("ellipse-turned-cropped");
  ExpectOneUndoStepRemovesEverything();
}

TEST_F(DrawingWindowTest, EachLineToolIsOneUndoStep) {
  g_platform.askText = [](const std::u16string&, const std::u16string&, const std::u16string&) {
    return std::optional<std::u16string>(u"3");
  };
  RouteCommand(kCmdVector);
  Drag(At(0.1f, 0.1f), At(0.3f, 0.12f));  // a vector to copy later
  int base = CurrentObjectCount();
  ASSERT_EQ(base, 3);  // the vector and its two endpoint labels
  struct Case {
    int command;
    const char* name;
  };
  for (Case tool : {Case{kCmdStraightLine, "straight line"}, {kCmdRay, "ray"}, {kCmdFixedLengthSegment, "fixed"},
                    {kCmdVector, "vector"}, {kCmdEqualVector, "equal vector"}, {kCmdPolyline, "polyline"}}) {
    SCOPED_TRACE(tool.name);
    RouteCommand(tool.command);
    size_t steps = g_history.undo.size();
    if (tool.command == kCmdEqualVector) {
      Click(At(0.2f, 0.11f));  // pick the first vector
      Drag(At(0.5f, 0.5f), At(0.52f, 0.5f));
    } else if (tool.command == kCmdPolyline) {
      Click(At(0.2f, 0.6f));
      Click(At(0.4f, 0.7f));
      Click(At(0.6f, 0.6f));
      Click(At(0.6f, 0.6f), Qt::RightButton);
    } else {
      Drag(At(0.4f, 0.4f), At(0.55f, 0.45f));
    }
    int added = tool.command == kCmdPolyline ? 1 : 3;  // straight ones come with two labels
    ASSERT_EQ(CurrentObjectCount(), base + added) << RecordedBoxesText();
    EXPECT_EQ(g_history.undo.size(), steps + 1);
    RouteCommand(kCmdUndo);
    EXPECT_EQ(CurrentObjectCount(), base);
    EXPECT_EQ(g_history.undo.size(), steps);
    auto first = RecogniseStraightSegment(Objects()[0], g_engine, CurrentScreenMapping());
    ASSERT_TRUE(first.has_value());  // the first vector is still there, still an arrow
    EXPECT_TRUE(first->arrow);
  }
  g_platform.askText = nullptr;
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
}

}  // namespace
