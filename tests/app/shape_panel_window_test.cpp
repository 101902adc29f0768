#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <algorithm>
#include <cmath>

#include "app/editing_test_fixture.h"
#include "drawing/geometry_edits.h"
#include "drawing/shapes.h"
#include "editing/selection.h"
#include "editing/shape_panel_model.h"
#include "view/page_view.h"
#include "view/tool_state.h"
#include "widgets/pen_options_window.h"
#include "widgets/shape_panel.h"

namespace {

class ShapePanelWindowTest : public EditingWindowTest {
 protected:
  ShapePanel* Panel() const { return CurrentShapePanel(); }
  // Presses in the pen options window at window coordinates.
  void PenWindowPress(QPoint at) {
    QWidget* window = PenOptionsWindow();
    ASSERT_NE(window, nullptr);
    QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, at);
    QApplication::processEvents();
  }
};

TEST_F(ShapePanelWindowTest, ARectangleSideAcceptsCentimetresAndRefusesMillimetres) {
  RouteCommand(kCmdRectangleTool);
  Drag(At(0.2f, 0.2f), At(0.4f, 0.35f));
  EXPECT_FALSE(g_layout.shapePanelShown) << "drawing geometry asks for no panel";
  RouteCommand(kCmdSelectTool);
  Click(At(0.3f, 0.2f));
  ASSERT_TRUE(g_layout.shapePanelShown);
  ASSERT_TRUE(Panel()->isVisible());
  EXPECT_EQ(Panel()->geometry().width(), 240);
  EXPECT_EQ(Panel()->geometry().left(), Canvas()->width() - 260);
  EXPECT_LE(g_view.pageRect.right, Canvas()->width() - 260) << "the view narrows for the band";
  Screenshot("panel-rectangle");

  size_t steps = Steps();
  QTest::mouseDClick(Panel(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 124 + 10));
  ASSERT_TRUE(Panel()->sideEdit()->isVisible());
  EXPECT_EQ(Panel()->editedRow(), 0);
  Type(Panel()->sideEdit(), QStringLiteral("2.5mm"));
  QTest::keyClick(Panel()->sideEdit(), Qt::Key_Return);
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"边长无效");
  EXPECT_EQ(g_script.boxes[0].text, u"请输入 0.01 到 10000 cm 之间的有效边长。");
  EXPECT_EQ(Steps(), steps);
  Type(Panel()->sideEdit(), QStringLiteral("2.5cm "));
  QTest::keyClick(Panel()->sideEdit(), Qt::Key_Return);
  auto sides = RectangleSides(g_selection.object, g_engine, CurrentPageFrame());
  ASSERT_TRUE(sides);
  EXPECT_NEAR((*sides)[0], 2.5, 1e-3);
  EXPECT_EQ(g_session.statusText, u"矩形边长已更新");
  EXPECT_EQ(Labels(g_selection.object, MarkKind::Rectangle).size(), 4u);
  EXPECT_FALSE(Panel()->sideEdit()->isVisible());
  EXPECT_EQ(Steps(), steps + 1);
}

TEST_F(ShapePanelWindowTest, WidthAndLengthInputsAreCheckedAgainstTheirRanges) {
  RouteCommand(kCmdArrowTool);  // drawing lines shows the line layout with nothing selected
  ASSERT_TRUE(g_layout.shapePanelShown);
  EXPECT_EQ(CurrentPanelLayout(), PanelLayout::Line);
  Screenshot("panel-line");
  Type(Panel()->widthEdit(), QStringLiteral("0.5"));
  QTest::mouseClick(Panel()->applyWidthButton(), Qt::LeftButton);
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"线宽无效");
  EXPECT_EQ(g_script.boxes[0].text, u"请输入 1 到 20 pt 之间的有效线宽。");
  EXPECT_FLOAT_EQ(g_tool.lineWidth, 6.0f);
  Type(Panel()->widthEdit(), QStringLiteral("3\t "));
  QTest::mouseClick(Panel()->applyWidthButton(), Qt::LeftButton);
  EXPECT_FLOAT_EQ(g_tool.lineWidth, 3.0f);
  EXPECT_EQ(g_session.statusText, u"直线线宽已更新");

  Type(Panel()->lengthEdit(), QStringLiteral("4"));
  QTest::mouseClick(Panel()->applyLengthButton(), Qt::LeftButton);
  EXPECT_EQ(g_session.statusText, u"直线目标长度已更新");
  Drag(At(0.2f, 0.5f), At(0.25f, 0.52f));  // a short drag draws a 4 cm arrow
  auto arrow = RecogniseStraightSegment(Paths()[0], g_engine, CurrentScreenMapping());
  ASSERT_TRUE(arrow);
  EXPECT_NEAR(std::hypot(arrow->end.x - arrow->start.x, arrow->end.y - arrow->start.y), 4 * 72 / 2.54, 0.05);
  // The segment tool takes the fixed length too, and the rubber band shows it while dragging.
  RouteCommand(kCmdSegmentTool);
  QPoint from = At(0.3f, 0.7f);
  Press(from);
  MoveTo(from + QPoint(5, 0));
  MoveTo(from + QPoint(10, 0));
  PagePoint a = OnPage(from), b = OnPage(QPoint(g_tool.stroke.current.x, g_tool.stroke.current.y));
  EXPECT_NEAR(std::hypot(b.x - a.x, b.y - a.y), 4 * 72 / 2.54, 1.5) << "the preview ends at 4 cm";
  EXPECT_GT(b.x, a.x) << "towards the pointer";
  Release(from + QPoint(10, 0));
  auto segment = RecogniseStraightSegment(Paths().back(), g_engine, CurrentScreenMapping());
  ASSERT_TRUE(segment);
  EXPECT_NEAR(std::hypot(segment->end.x - segment->start.x, segment->end.y - segment->start.y), 4 * 72 / 2.54, 1.5);
  RouteCommand(kCmdArrowTool);
  Type(Panel()->lengthEdit(), QStringLiteral("0"));
  QTest::keyClick(Panel()->lengthEdit(), Qt::Key_Return);
  EXPECT_EQ(g_session.statusText, u"直线长度已设为自由绘制");
  EXPECT_EQ(g_selection.lengthCm, 0);

  RouteCommand(kCmdPointTool);
  Click(At(0.6f, 0.7f));
  RouteCommand(kCmdSelectTool);
  Click(At(0.6f, 0.7f));
  ASSERT_EQ(CurrentPanelLayout(), PanelLayout::Point);
  Screenshot("panel-point");
  size_t steps = Steps();
  Type(Panel()->widthEdit(), QStringLiteral("50"));
  QTest::mouseClick(Panel()->applyWidthButton(), Qt::LeftButton);
  auto point = ReadPointProperties(g_selection.object, g_engine);
  ASSERT_TRUE(point);
  EXPECT_NEAR(point->size, 50, 0.1);
  EXPECT_EQ(g_session.statusText, u"点大小已更新");
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_EQ(g_script.boxes.size(), 1u) << RecordedBoxesText();
}

TEST_F(ShapePanelWindowTest, TheFixedLengthOfASelectedSegmentEndsWithItsDocument) {
  RouteCommand(kCmdSegmentTool);
  Drag(At(0.2f, 0.3f), At(0.6f, 0.3f));
  RouteCommand(kCmdSelectTool);
  Click(At(0.4f, 0.3f));
  ASSERT_GT(g_selection.lengthCm, 5) << "the selected segment's length holds for the next lines";
  g_script.answers.push_back(MessageAnswer::No);  // its unsaved drawing goes
  RouteCommand(kCmdNewDocument);
  ASSERT_FALSE(g_session.modified);
  RouteCommand(kCmdFitPage);
  EXPECT_EQ(g_selection.lengthCm, 0);
  RouteCommand(kCmdSegmentTool);
  QPoint from = At(0.2f, 0.5f), to = At(0.3f, 0.5f);
  Drag(from, to);
  ASSERT_EQ(Paths().size(), 1u);
  auto segment = RecogniseStraightSegment(Paths().back(), g_engine, CurrentScreenMapping());
  ASSERT_TRUE(segment);
  EXPECT_NEAR(std::hypot(segment->end.x - segment->start.x, segment->end.y - segment->start.y),
              OnPage(to).x - OnPage(from).x, 1) << "the new document's segment is as long as its drag";
}

TEST_F(ShapePanelWindowTest, ThePenWindowRecoloursAndReWidensTheSelection) {
  RouteCommand(kCmdSegmentTool);
  Drag(At(0.2f, 0.3f), At(0.6f, 0.3f));
  RouteCommand(kCmdSelectTool);
  Click(At(0.4f, 0.3f));
  ASSERT_EQ(CurrentPanelLayout(), PanelLayout::Segment);
  Screenshot("panel-segment");
  FPDF_PAGEOBJECT segment = g_selection.object;
  QTest::mouseClick(Panel()->colourButton(), Qt::LeftButton);
  ASSERT_NE(PenOptionsWindow(), nullptr);
  EXPECT_EQ(PenOptionsWindow()->size(), QSize(250, 334));
  Screenshot("pen-options-owner");
  PenOptionsWindow()->grab().save(QStringLiteral(CORVAN_ARTEFACTS) + "/pen-options.png");

  uint32_t before = g_tool.drawColor;
  size_t steps = Steps();
  PenWindowPress(QPoint(54, 62));  // between the first two circles
  EXPECT_EQ(g_tool.drawColor, before);
  EXPECT_EQ(Steps(), steps);
  PenWindowPress(QPoint(36 + 36 * 4, 62 + 36 * 2 + 5));  // row 2, column 4: (0, 95, 255)
  unsigned r, g, b, a;
  ASSERT_TRUE(g_engine.FPDFPageObj_GetStrokeColor(segment, &r, &g, &b, &a));
  EXPECT_EQ(r, 0u);
  EXPECT_EQ(g, 95u);
  EXPECT_EQ(b, 255u);
  EXPECT_EQ(g_session.statusText, u"图形颜色已更新");
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_EQ(g_selection.object, segment);

  QWidget* window = PenOptionsWindow();
  QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, QPoint(100, 300));
  QMouseEvent move(QEvent::MouseMove, QPointF(400, 300), window->mapToGlobal(QPointF(400, 300)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window, &move);
  EXPECT_FLOAT_EQ(g_tool.lineWidth, 20.0f);
  QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, QPoint(400, 300));
  float width = 0;
  ASSERT_TRUE(g_engine.FPDFPageObj_GetStrokeWidth(segment, &width));
  EXPECT_FLOAT_EQ(width, 20.0f);
  EXPECT_EQ(g_session.statusText, u"图形线宽已更新");
  EXPECT_EQ(SliderWidthAt(26), 1);
  EXPECT_EQ(SliderWidthAt(125), 11);
  window->grab().save(QStringLiteral(CORVAN_ARTEFACTS) + "/pen-options-wide.png");

  QTest::keyClick(window, Qt::Key_Escape);
  QApplication::processEvents();
  EXPECT_EQ(PenOptionsWindow(), nullptr);
  RouteCommand(kCmdPenOptions);
  ASSERT_NE(PenOptionsWindow(), nullptr);
  RouteCommand(kCmdZoomIn);  // any other command closes it
  QApplication::processEvents();
  EXPECT_EQ(PenOptionsWindow(), nullptr);
}

TEST_F(ShapePanelWindowTest, TheTriangleLayoutAndTheEditToggleShowingAHiddenPanel) {
  RouteCommand(kCmdTriangleTool);
  Drag(At(0.3f, 0.3f), At(0.6f, 0.6f));
  RouteCommand(kCmdSelectTool);
  Click(At(0.45f, 0.6f));
  ASSERT_EQ(CurrentPanelLayout(), PanelLayout::Triangle);
  ASSERT_TRUE(g_layout.shapePanelShown);
  Screenshot("panel-triangle");

  RouteCommand(kCmdEditMode);
  EXPECT_FALSE(g_layout.shapePanelShown) << "nothing selected in the edit tool";
  Click(At(0.45f, 0.6f));
  ASSERT_NE(g_selection.object, nullptr);
  EXPECT_TRUE(g_layout.shapePanelShown);
  Screenshot("edit-frame");
  QTest::mouseClick(Panel()->closeButton(), Qt::LeftButton);
  EXPECT_FALSE(g_layout.shapePanelShown);
  RouteCommand(kCmdEditMode);  // only shows the panel again
  EXPECT_EQ(g_tool.mode, ToolMode::Edit);
  EXPECT_TRUE(g_layout.shapePanelShown);
  RouteCommand(kCmdEditMode);
  EXPECT_EQ(g_tool.mode, ToolMode::Hand);
  EXPECT_FALSE(g_layout.shapePanelShown);
}

}  // namespace

namespace {

class PanelInputTest : public ShapePanelWindowTest {
 protected:
  // A double-click as the window system delivers it: press, release, press, double-click, release.
  void RealDoubleClick(QWidget* target, QPoint at) {
    QTest::mousePress(target, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(target, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mousePress(target, Qt::LeftButton, Qt::NoModifier, at);
    QMouseEvent twice(QEvent::MouseButtonDblClick, at, target->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &twice);
    QTest::mouseRelease(target, Qt::LeftButton, Qt::NoModifier, at);
    QApplication::processEvents();
  }
};

TEST_F(PanelInputTest, ATriangleSideTakesARealDoubleClickAndPanelClicksNeverReachThePage) {
  RouteCommand(kCmdTriangleTool);
  Drag(At(0.2f, 0.2f), At(0.45f, 0.4f));
  RouteCommand(kCmdSelectTool);
  Click(At(0.325f, 0.4f));  // on the base
  FPDF_PAGEOBJECT triangle = g_selection.object;
  ASSERT_NE(triangle, nullptr);
  ASSERT_TRUE(Panel()->isVisible());
  // Clicks on the panel's background and its title keep the selection and the panel.
  for (QPoint at : {QPoint(120, 300), QPoint(20, 12), QPoint(230, 400)}) {
    QTest::mouseClick(Panel(), Qt::LeftButton, Qt::NoModifier, at);
    QApplication::processEvents();
    EXPECT_EQ(g_selection.object, triangle);
    EXPECT_TRUE(Panel()->isVisible());
  }
  size_t steps = Steps();
  RealDoubleClick(Panel(), QPoint(100, 124 + 10));
  ASSERT_TRUE(Panel()->sideEdit()->isVisible()) << "a side's edit opens";
  EXPECT_GE(Panel()->editedRow(), 0);
  Type(Panel()->sideEdit(), QStringLiteral("3"));
  QTest::keyClick(Panel()->sideEdit(), Qt::Key_Return);
  EXPECT_EQ(Steps(), steps + 1);
  ASSERT_NE(g_selection.object, nullptr);
  auto v = TriangleVertices(g_selection.object, g_engine);
  ASSERT_TRUE(v);
  double nearest = 1e9;
  for (int i = 0; i < 3; ++i) {
    const PagePoint &a = (*v)[size_t(i)], &b = (*v)[size_t((i + 1) % 3)];
    double side = std::hypot(double(b.x - a.x), double(b.y - a.y)) / kPointsPerCm;
    nearest = std::min(nearest, std::fabs(side - 3.0));
  }
  EXPECT_LT(nearest, 0.01) << "a side is 3 cm now";
}

}  // namespace
