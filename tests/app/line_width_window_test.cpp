// Length edits, handle drags and the width box keep the width a line shows on the page, and
// only a segment or arrow fixes the length of later lines.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <cmath>

#include "app/editing_test_fixture.h"
#include "drawing/geometry_edits.h"
#include "editing/drawn_objects.h"
#include "editing/selection.h"
#include "editing/shape_panel_model.h"
#include "view/page_view.h"
#include "view/tool_state.h"
#include "widgets/shape_panel.h"

namespace {

class LineWidthWindowTest : public EditingWindowTest {
 protected:
  ShapePanel* Panel() const { return CurrentShapePanel(); }
  static float PageWidth(FPDF_PAGEOBJECT object) {
    auto width = ReadPageStrokeWidth(object, g_engine);
    return width ? *width : -1;
  }
  static double Length(const StraightSegment& s) { return std::hypot(s.end.x - s.start.x, s.end.y - s.start.y); }
  void SetLength(const QString& cm) {
    Type(Panel()->lengthEdit(), cm);
    QTest::keyClick(Panel()->lengthEdit(), Qt::Key_Return);
  }
  // Clicks on empty page, then on the object again.
  void Reselect(QPoint on) {
    Click(At(0.9f, 0.95f));
    ASSERT_EQ(g_selection.object, nullptr);
    Click(on);
  }
};

TEST_F(LineWidthWindowTest, LengthEditsAndHandleDragsKeepTheWidthOnThePage) {
  RouteCommand(kCmdSegmentTool);
  Drag(At(0.2f, 0.3f), At(0.6f, 0.3f));
  FPDF_PAGEOBJECT segment = Paths()[0];
  ASSERT_FLOAT_EQ(PageWidth(segment), 6.0f);
  RouteCommand(kCmdSelectTool);
  Click(At(0.3f, 0.3f));
  ASSERT_EQ(g_selection.object, segment);
  ASSERT_EQ(CurrentPanelLayout(), PanelLayout::Segment);

  SetLength(QStringLiteral("5"));
  EXPECT_EQ(Panel()->lengthEdit()->text(), QStringLiteral("5.00")) << "Enter shows the value as the panel writes it";
  auto shortened = RecogniseStraightSegment(g_selection.object, g_engine, CurrentScreenMapping());
  ASSERT_TRUE(shortened);
  EXPECT_NEAR(Length(*shortened), 5 * 72 / 2.54, 0.05);
  EXPECT_NEAR(PageWidth(g_selection.object), 6.0f, 0.01);
  Reselect(OnScreen({shortened->start.x + 20, shortened->start.y}));
  ASSERT_NE(g_selection.object, nullptr);
  EXPECT_NEAR(g_tool.lineWidth, 6.0f, 0.01) << "the pen takes the width shown, not the stored one";
  EXPECT_EQ(Panel()->widthEdit()->text(), QStringLiteral("6.00"));

  Type(Panel()->widthEdit(), QStringLiteral("12"));
  QTest::mouseClick(Panel()->applyWidthButton(), Qt::LeftButton);
  EXPECT_NEAR(PageWidth(g_selection.object), 12.0f, 0.01) << "应用线宽 12 shows 12 pt on the page";

  SetLength(QStringLiteral("4"));
  auto line = RecogniseStraightSegment(g_selection.object, g_engine, CurrentScreenMapping());
  ASSERT_TRUE(line);
  QPoint end(line->screenEnd.x, line->screenEnd.y);
  Press(end);
  MoveTo(end + QPoint(10, 20));
  MoveTo(end + QPoint(20, 40));
  Release(end + QPoint(20, 40));
  EXPECT_EQ(g_session.statusText, u"直线端点已修改");
  EXPECT_NEAR(PageWidth(g_selection.object), 12.0f, 0.01) << "the rebuilt line keeps the width shown";
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
}

TEST_F(LineWidthWindowTest, AnEllipseKeepsItsWidthThroughALengthEditAndAHandleDrag) {
  RouteCommand(kCmdEllipseTool);
  Drag(At(0.3f, 0.3f), At(0.6f, 0.5f));
  FPDF_PAGEOBJECT ellipse = Paths()[0];
  RouteCommand(kCmdSelectTool);
  Click(At(0.6f, 0.4f));
  ASSERT_EQ(g_selection.object, ellipse);
  ASSERT_EQ(ClassifyDrawnObject(ellipse, g_engine), DrawnKind::Ellipse);
  SetLength(QStringLiteral("10"));
  ASSERT_EQ(g_session.statusText, u"图形总长度已更新");
  EXPECT_NEAR(PageWidth(g_selection.object), 6.0f, 0.01);
  std::vector<ControlPoint> handles = ControlPointsOf(g_selection.object, g_engine, DrawnKind::Ellipse);
  ASSERT_EQ(handles.size(), 4u);
  QPoint right(handles[1].at.x, handles[1].at.y);
  Press(right);
  MoveTo(right + QPoint(15, 0));
  MoveTo(right + QPoint(30, 0));
  Release(right + QPoint(30, 0));
  EXPECT_EQ(g_session.statusText, u"几何图形端点已修改");
  EXPECT_NEAR(PageWidth(g_selection.object), 6.0f, 0.01) << "the rebuilt ellipse keeps the width shown";
  Reselect(QPoint(right.x() + 30, right.y()));
  EXPECT_NEAR(g_tool.lineWidth, 6.0f, 0.01);
}

TEST_F(LineWidthWindowTest, OnlyASegmentOrArrowFixesTheLengthOfLaterLines) {
  RouteCommand(kCmdTriangleTool);
  Drag(At(0.2f, 0.2f), At(0.5f, 0.4f));
  RouteCommand(kCmdSelectTool);
  Click(At(0.35f, 0.4f));  // its bottom side
  ASSERT_NE(g_selection.object, nullptr);
  ASSERT_EQ(SelectedKind(), DrawnKind::Triangle);
  EXPECT_EQ(g_selection.lengthCm, 0) << "a triangle's perimeter does not fix later lines";

  RouteCommand(kCmdArrowTool);
  QPoint from = At(0.2f, 0.7f), to = from + QPoint(100, 0);
  Drag(from, to);
  auto arrow = RecogniseStraightSegment(Paths().back(), g_engine, CurrentScreenMapping());
  ASSERT_TRUE(arrow && arrow->arrow);
  double drawnCm = Length(*arrow) * 2.54 / 72;
  EXPECT_NEAR(Length(*arrow), OnPage(to).x - OnPage(from).x, 1) << "the arrow is as long as its drag";
  ASSERT_EQ(CurrentPanelLayout(), PanelLayout::Segment);
  EXPECT_EQ(Panel()->lengthEdit()->text(), QString::number(drawnCm, 'f', 2)) << "the panel shows the new arrow's length";

  // Selecting a segment still fixes the length, as before.
  RouteCommand(kCmdSelectTool);
  Click(from + QPoint(30, 0));
  ASSERT_EQ(SelectedKind(), DrawnKind::Line);
  EXPECT_NEAR(g_selection.lengthCm, drawnCm, 0.01);
}

}  // namespace
