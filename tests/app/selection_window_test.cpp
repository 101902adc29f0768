#include <gtest/gtest.h>

#include <cmath>

#include "app/editing_test_fixture.h"
#include "drawing/geometry_edits.h"
#include "editing/drawn_objects.h"
#include "editing/hit_tests.h"
#include "editing/selection.h"
#include "platform/text_encoding.h"
#include "view/page_view.h"
#include "view/tool_state.h"

namespace {

using SelectionWindowTest = EditingWindowTest;

TEST_F(SelectionWindowTest, ReleaseSelectsAndAPressOnTheSelectionMovesItWithItsLabels) {
  RouteCommand(kCmdSegmentTool);
  Drag(At(0.2f, 0.3f), At(0.6f, 0.3f));
  FPDF_PAGEOBJECT segment = Paths()[0];
  ASSERT_EQ(Labels(segment, MarkKind::Line).size(), 2u);
  RouteCommand(kCmdSelectTool);
  ASSERT_EQ(g_selection.object, nullptr);
  size_t steps = Steps();

  QPoint middle = At(0.4f, 0.3f);
  Press(middle);
  EXPECT_EQ(g_selection.object, nullptr) << "selection waits for the release";
  Release(middle);
  EXPECT_EQ(g_selection.object, segment);
  EXPECT_EQ(g_session.statusText, u"已选中直线：拖动两端控制点修改直线");
  EXPECT_EQ(Steps(), steps) << "the labels were already there";
  ASSERT_TRUE(g_layout.shapePanelShown) << "a selected segment shows its panel; the page re-centres";
  middle = At(0.4f, 0.3f);

  // Press and release on the selection without moving: nothing committed, nothing said.
  g_session.statusText = u"";
  Click(middle);
  EXPECT_EQ(Steps(), steps);
  EXPECT_EQ(g_session.statusText, u"");

  auto before = RecogniseStraightSegment(segment, g_engine, CurrentScreenMapping());
  PagePoint labelBefore = Centre(Labels(segment, MarkKind::Line)[0]);
  Drag(middle, middle + QPoint(40, 30));
  auto after = RecogniseStraightSegment(segment, g_engine, CurrentScreenMapping());
  ASSERT_TRUE(before && after);
  PagePoint expected{OnPage(middle + QPoint(40, 30)).x - OnPage(middle).x, OnPage(middle + QPoint(40, 30)).y - OnPage(middle).y};
  EXPECT_GT(expected.x, 0);
  EXPECT_LT(expected.y, 0) << "down on screen is down the page";
  EXPECT_NEAR(after->start.x - before->start.x, expected.x, 0.01);
  EXPECT_NEAR(after->start.y - before->start.y, expected.y, 0.01);
  PagePoint labelAfter = Centre(Labels(segment, MarkKind::Line)[0]);
  EXPECT_NEAR(labelAfter.x - labelBefore.x, expected.x, 0.05);
  EXPECT_NEAR(labelAfter.y - labelBefore.y, expected.y, 0.05);
  EXPECT_EQ(g_session.statusText, u"图形已移动");
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  Screenshot("selection-segment");

  RouteCommand(kCmdUndo);
  auto undone = RecogniseStraightSegment(Paths()[0], g_engine, CurrentScreenMapping());
  ASSERT_TRUE(undone);
  EXPECT_NEAR(undone->start.x, before->start.x, 0.01);

  // A jitter below the drag distance on empty page space is a click: nothing is selected.
  SelectObject(Paths()[0]);
  QPoint empty = At(0.8f, 0.8f);
  Press(empty);
  MoveTo(empty + QPoint(2, 1));
  Release(empty + QPoint(2, 1));
  EXPECT_EQ(g_selection.object, nullptr);
  EXPECT_EQ(g_session.statusText, u"选取模式：拖动框选图形");
}

TEST_F(SelectionWindowTest, MarqueeSelectsByCrossingOrContainmentAndMovesAGroupAsOneStep) {
  RouteCommand(kCmdSegmentTool);
  Drag(At(0.1f, 0.2f), At(0.9f, 0.2f));
  RouteCommand(kCmdTriangleTool);
  Drag(At(0.2f, 0.4f), At(0.4f, 0.6f));
  RouteCommand(kCmdRectangleTool);
  Drag(At(0.6f, 0.4f), At(0.8f, 0.6f));
  std::vector<FPDF_PAGEOBJECT> shapes = Paths();
  ASSERT_EQ(shapes.size(), 3u);
  RouteCommand(kCmdSelectTool);

  Drag(At(0.45f, 0.15f), At(0.55f, 0.25f));  // only the segment's middle
  EXPECT_EQ(g_selection.object, shapes[0]);
  EXPECT_EQ(g_session.statusText, u"已选中直线：拖动两端控制点修改直线");

  Drag(At(0.1f, 0.8f), At(0.3f, 0.9f));
  EXPECT_EQ(g_selection.object, nullptr);
  EXPECT_EQ(g_session.statusText, u"框选区域内没有图形");

  Drag(At(0.15f, 0.35f), At(0.45f, 0.65f));  // around the triangle alone
  EXPECT_EQ(g_selection.object, shapes[1]);
  EXPECT_TRUE(g_selection.group.empty());
  EXPECT_EQ(g_session.statusText, u"已选中几何图形：拖动蓝色控制点调整，拖动图形移动");
  Screenshot("selection-triangle");

  Drag(At(0.05f, 0.1f), At(0.95f, 0.7f));
  ASSERT_EQ(g_selection.group.size(), 3u);
  EXPECT_EQ(g_selection.object, nullptr);
  EXPECT_EQ(g_session.statusText, u"已框选 3 个图形，可拖动整组移动");
  Screenshot("selection-group");

  std::vector<PagePoint> centres, labelCentres;
  for (FPDF_PAGEOBJECT s : shapes) centres.push_back(Centre(s));
  for (auto [shape, kind] : {std::pair{shapes[0], MarkKind::Line}, {shapes[1], MarkKind::Triangle}, {shapes[2], MarkKind::Rectangle}}) {
    for (FPDF_PAGEOBJECT label : Labels(shape, kind)) labelCentres.push_back(Centre(label));
  }
  ASSERT_EQ(labelCentres.size(), 9u);
  size_t steps = Steps();
  QPoint grab = At(0.3f, 0.5f);
  Drag(grab, grab + QPoint(30, -20), 6);
  PagePoint delta{OnPage(grab + QPoint(30, -20)).x - OnPage(grab).x, OnPage(grab + QPoint(30, -20)).y - OnPage(grab).y};
  EXPECT_GT(delta.y, 0) << "up on screen is up the page";
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_NEAR(Centre(shapes[i]).x - centres[i].x, delta.x, 0.05) << i;
    EXPECT_NEAR(Centre(shapes[i]).y - centres[i].y, delta.y, 0.05) << i;
  }
  size_t k = 0;
  for (auto [shape, kind] : {std::pair{shapes[0], MarkKind::Line}, {shapes[1], MarkKind::Triangle}, {shapes[2], MarkKind::Rectangle}}) {
    for (FPDF_PAGEOBJECT label : Labels(shape, kind)) {
      EXPECT_NEAR(Centre(label).x - labelCentres[k].x, delta.x, 0.05);
      ++k;
    }
  }
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_EQ(g_session.statusText, u"图形已移动");
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
}

TEST_F(SelectionWindowTest, ATriangleWithoutLabelsIsRelabelledWhenSelected) {
  RouteCommand(kCmdTriangleTool);
  Drag(At(0.3f, 0.3f), At(0.6f, 0.6f));
  FPDF_PAGEOBJECT triangle = Paths()[0];
  for (FPDF_PAGEOBJECT label : Labels(triangle, MarkKind::Triangle)) {
    ASSERT_TRUE(g_engine.FPDFPage_RemoveObject(g_session.currentPage, label));
    g_engine.FPDFPageObj_Destroy(label);
  }
  ASSERT_TRUE(g_engine.FPDFPage_GenerateContent(g_session.currentPage));
  ASSERT_TRUE(Labels(triangle, MarkKind::Triangle).empty());
  RouteCommand(kCmdSelectTool);
  size_t steps = Steps();
  auto corners = ControlPointsOf(triangle, g_engine, DrawnKind::Triangle);
  ASSERT_EQ(corners.size(), 3u);
  QPoint onSide((corners[1].at.x + corners[2].at.x) / 2, (corners[1].at.y + corners[2].at.y) / 2);
  Click(onSide);
  EXPECT_EQ(g_selection.object, triangle);
  auto labels = Labels(triangle, MarkKind::Triangle);
  ASSERT_EQ(labels.size(), 3u);
  EXPECT_EQ(g_session.statusText, u"三角形顶点标注已更新为 a、b、c");
  EXPECT_EQ(Steps(), steps + 1) << "the repair is an undoable edit";
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
}

TEST_F(SelectionWindowTest, ALockedPointSlidesAlongItsSegmentAndStopsAtItsEnd) {
  RouteCommand(kCmdSegmentTool);
  Drag(At(0.2f, 0.5f), At(0.6f, 0.5f));
  auto segment = RecogniseStraightSegment(Paths()[0], g_engine, CurrentScreenMapping());
  ASSERT_TRUE(segment);
  RouteCommand(kCmdPointTool);
  Click(At(0.4f, 0.5f));
  FPDF_PAGEOBJECT point = Paths().back();
  RouteCommand(kCmdSelectTool);
  QPoint centre = OnScreen(ReadPointGeometry(point, g_engine)->centre);
  QTest::mouseDClick(Canvas(), Qt::LeftButton, Qt::NoModifier, centre);
  QApplication::processEvents();
  EXPECT_EQ(g_selection.object, point);
  ASSERT_TRUE(g_pointLock.has_value());
  EXPECT_EQ(g_pointLock->point, point);
  EXPECT_EQ(g_session.statusText, u"点已锁定在线段上；拖动时只能沿该线段移动");
  centre = OnScreen(ReadPointGeometry(point, g_engine)->centre);  // the panel narrowed the view

  size_t steps = Steps();
  Drag(centre, At(0.95f, 0.2f), 8);  // far beyond the end, and up
  auto moved = ReadPointGeometry(Paths().back(), g_engine);
  ASSERT_TRUE(moved);
  float rightEnd = std::max(segment->start.x, segment->end.x);
  EXPECT_NEAR(moved->centre.x, rightEnd, 0.05);
  EXPECT_NEAR(moved->centre.y, segment->start.y, 0.05);
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_EQ(g_session.statusText, u"图形已移动");
}

TEST_F(SelectionWindowTest, AnArrowHeadShrinksWithItsArrowAndGrowsOnlyBackToItsStoredLength) {
  RouteCommand(kCmdArrowTool);
  Drag(At(0.2f, 0.5f), At(0.7f, 0.5f));
  auto headOf = [](FPDF_PAGEOBJECT arrow) {
    auto line = RecogniseStraightSegment(arrow, g_engine, CurrentScreenMapping());
    float x, y;
    g_engine.FPDFPathSegment_GetPoint(g_engine.FPDFPath_GetPathSegment(arrow, 2), &x, &y);
    return std::hypot(x - line->end.x, y - line->end.y) / 1.0965856099730655;
  };
  FPDF_PAGEOBJECT arrow = Paths()[0];
  double stored = headOf(arrow);
  RouteCommand(kCmdSelectTool);
  Click(At(0.45f, 0.5f));
  EXPECT_EQ(g_session.statusText, u"已选中箭头：拖动两端控制点修改箭头");
  size_t steps = Steps();

  auto line = RecogniseStraightSegment(g_selection.object, g_engine, CurrentScreenMapping());
  QPoint start(line->screenStart.x, line->screenStart.y), end(line->screenEnd.x, line->screenEnd.y);
  Drag(end, start + QPoint(30, 0), 6);
  auto shortLine = RecogniseStraightSegment(g_selection.object, g_engine, CurrentScreenMapping());
  ASSERT_TRUE(shortLine && shortLine->arrow);
  double shortLength = std::hypot(shortLine->end.x - shortLine->start.x, shortLine->end.y - shortLine->start.y);
  ASSERT_LT(shortLength / 2, stored);
  EXPECT_NEAR(headOf(g_selection.object), shortLength / 2, 0.05);
  EXPECT_EQ(g_session.statusText, u"直线端点已修改");
  EXPECT_EQ(Steps(), steps + 1);

  Drag(start + QPoint(30, 0), At(0.9f, 0.5f), 6);
  EXPECT_NEAR(headOf(g_selection.object), shortLength / 2, 0.05) << "the shorter head is now the stored one";
  EXPECT_EQ(Labels(g_selection.object, MarkKind::Line).size(), 2u);
  EXPECT_EQ(Steps(), steps + 2);
  EXPECT_EQ(Paths().size(), 1u);
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
}

TEST_F(SelectionWindowTest, AnEllipseSideStopsThreePixelsBeforeTheOtherAndARectangleStaysARectangle) {
  RouteCommand(kCmdEllipseTool);
  Drag(At(0.3f, 0.3f), At(0.5f, 0.45f));
  RouteCommand(kCmdSelectTool);
  Click(At(0.3f, 0.375f));
  FPDF_PAGEOBJECT ellipse = g_selection.object;
  ASSERT_NE(ellipse, nullptr);
  auto handles = ControlPointsOf(ellipse, g_engine, DrawnKind::Ellipse);
  ASSERT_EQ(handles.size(), 4u);
  EXPECT_EQ(handles[0].id, 5);
  Screenshot("selection-ellipse");
  int right = handles[1].at.x;
  size_t steps = Steps();
  QPoint left(handles[0].at.x, handles[0].at.y);
  Drag(left, left + QPoint(right - left.x() + 60, 0), 8);
  auto outline = ShapeScreenPoints(g_selection.object, g_engine);
  ASSERT_TRUE(outline);
  int minX = outline->front().x, maxX = minX;
  for (const ScreenPoint& p : *outline) {
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
  }
  EXPECT_NEAR(minX, right - 3, 1);
  EXPECT_NEAR(maxX, right, 1);
  EXPECT_EQ(ClassifyDrawnObject(g_selection.object, g_engine), DrawnKind::Ellipse);
  EXPECT_EQ(g_session.statusText, u"几何图形端点已修改");
  EXPECT_EQ(Steps(), steps + 1);
  EXPECT_EQ(Paths().size(), 1u);

  RouteCommand(kCmdRectangleTool);
  Drag(At(0.2f, 0.6f), At(0.4f, 0.75f));
  RouteCommand(kCmdSelectTool);
  Click(At(0.3f, 0.6f));
  FPDF_PAGEOBJECT rectangle = g_selection.object;
  EXPECT_EQ(g_session.statusText, u"已选中矩形：可调整端点并在右侧编辑边长");
  auto corners = ControlPointsOf(rectangle, g_engine, DrawnKind::Rectangle);
  ASSERT_EQ(corners.size(), 4u);
  Screenshot("selection-rectangle");
  // The corner at the lower right on screen.
  auto corner = std::max_element(corners.begin(), corners.end(),
                                 [](const ControlPoint& a, const ControlPoint& b) { return a.at.x + a.at.y < b.at.x + b.at.y; });
  QPoint from(corner->at.x, corner->at.y), to = from + QPoint(40, 25);
  Drag(from, to, 5);
  FPDF_PAGEOBJECT rebuilt = g_selection.object;
  auto vertices = RectangleVertices(rebuilt, g_engine, CurrentPageFrame());
  ASSERT_TRUE(vertices) << "still a rectangle";
  PagePoint target = OnPage(to);
  bool cornerAtPointer = false;
  for (const PagePoint& v : *vertices) cornerAtPointer |= std::hypot(v.x - target.x, v.y - target.y) < 1.5;
  EXPECT_TRUE(cornerAtPointer);
  auto labels = Labels(rebuilt, MarkKind::Rectangle);
  ASSERT_EQ(labels.size(), 4u);
  double nearest = 1e9;
  for (FPDF_PAGEOBJECT label : labels) nearest = std::min(nearest, double(std::hypot(Centre(label).x - target.x, Centre(label).y - target.y)));
  EXPECT_LT(nearest, 25) << "a corner label follows the corner";
  EXPECT_EQ(g_session.statusText, u"几何图形端点已修改");
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
}

TEST_F(SelectionWindowTest, HitTestsPreferSegmentsToCoordinateSystemsAndCurvesHitInTheirBox) {
  RouteCommand(kCmdCoordinateSystem);
  FPDF_PAGEOBJECT system = Paths()[0];
  auto handles = ControlPointsOf(system, g_engine, DrawnKind::CoordinateSystem);
  ASSERT_EQ(handles.size(), 2u);
  ScreenPoint origin = handles[0].at;
  EXPECT_EQ(HitObject({origin.x + 100, origin.y + 3}), system);
  RouteCommand(kCmdSegmentTool);
  Drag(QPoint(origin.x + 60, origin.y + 2), QPoint(origin.x + 160, origin.y + 2));
  FPDF_PAGEOBJECT segment = Paths()[1];
  EXPECT_EQ(HitObject({origin.x + 100, origin.y + 3}), segment);
  auto line = RecogniseStraightSegment(segment, g_engine, CurrentScreenMapping());
  ASSERT_TRUE(line);
  int y = line->screenStart.y;
  EXPECT_EQ(HitLine({origin.x + 100, y + 12}), segment);
  EXPECT_EQ(HitLine({origin.x + 100, y - 12}), segment);
  EXPECT_EQ(HitLine({origin.x + 100, y + 13}), nullptr);

  RouteCommand(kCmdPenTool);
  Drag(At(0.1f, 0.1f), At(0.3f, 0.25f), 10);
  FPDF_PAGEOBJECT curve = Paths().back();
  RouteCommand(kCmdSelectTool);
  QPoint corner = At(0.1f, 0.25f);  // inside the curve's box, far from its line
  EXPECT_EQ(HitObject({corner.x(), corner.y()}), curve);
  Click(corner);
  EXPECT_EQ(g_selection.object, curve);
  EXPECT_EQ(g_session.statusText, u"已选中图形：拖动移动，右侧可调整颜色、线宽和长度");
}

}  // namespace

namespace {

class TurnedPageSelectionTest : public EditingWindowTest {
 protected:
  // Draws a segment, selects it with a click on its middle and drags it by (40, 30) pixels;
  // returns the page-space movement of its start.
  PagePoint DrawSelectAndDrag() {
    RouteCommand(kCmdSegmentTool);
    Drag(At(0.3f, 0.4f), At(0.7f, 0.5f));
    RouteCommand(kCmdSelectTool);
    FPDF_PAGEOBJECT segment = nullptr;
    for (int i = 0; i < CurrentObjectCount(); ++i) {
      FPDF_PAGEOBJECT o = g_engine.FPDFPage_GetObject(g_session.currentPage, i);
      if (g_engine.FPDFPageObj_GetType(o) == kPageObjPath) segment = o;
    }
    auto before = RecogniseStraightSegment(segment, g_engine, CurrentScreenMapping());
    EXPECT_TRUE(before);
    if (!before) return {};
    QPoint middle((before->screenStart.x + before->screenEnd.x) / 2, (before->screenStart.y + before->screenEnd.y) / 2);
    Click(middle);
    EXPECT_EQ(g_selection.object, segment) << "the click follows the page's mapping";
    before = RecogniseStraightSegment(segment, g_engine, CurrentScreenMapping());  // the panel re-centred the page
    middle = QPoint((before->screenStart.x + before->screenEnd.x) / 2, (before->screenStart.y + before->screenEnd.y) / 2);
    Drag(middle, middle + QPoint(40, 30), 5);
    auto after = RecogniseStraightSegment(segment, g_engine, CurrentScreenMapping());
    EXPECT_TRUE(after);
    if (!after) return {};
    EXPECT_NEAR(after->screenStart.x - before->screenStart.x, 40, 1) << "right on screen stays right";
    EXPECT_NEAR(after->screenStart.y - before->screenStart.y, 30, 1) << "down on screen stays down";
    EXPECT_EQ(g_session.statusText, u"图形已移动");
    return {after->start.x - before->start.x, after->start.y - before->start.y};
  }
};

TEST_F(TurnedPageSelectionTest, SelectionAndMovesFollowAQuarterTurnedPage) {
  OpenHandMadePage("/MediaBox [0 0 595 842] /Rotate 90");
  ASSERT_EQ(PageRotation(), 1);
  PagePoint moved = DrawSelectAndDrag();
  // A quarter turn clockwise: screen right is page up, screen down is page right.
  EXPECT_GT(moved.x, 0);
  EXPECT_GT(moved.y, 0);
  EXPECT_GT(moved.y, moved.x);
  Drag(At(0.05f, 0.05f), At(0.95f, 0.95f));
  EXPECT_NE(g_selection.object, nullptr) << "a marquee over the turned page finds the segment";
  Screenshot("selection-turned-page");
}

TEST_F(TurnedPageSelectionTest, SelectionAndMovesFollowACropBoxAwayFromTheOrigin) {
  OpenHandMadePage("/MediaBox [0 0 595 842] /CropBox [100 100 500 700]");
  PagePoint moved = DrawSelectAndDrag();
  EXPECT_GT(moved.x, 0);
  EXPECT_LT(moved.y, 0);
  auto segment = RecogniseStraightSegment(g_selection.object, g_engine, CurrentScreenMapping());
  ASSERT_TRUE(segment);
  EXPECT_GT(segment->start.x, 100);
  EXPECT_LT(segment->end.x, 500);
  EXPECT_GT(segment->end.y, 100);
  EXPECT_LT(segment->start.y, 700);
  // The erase distance is measured through the same mapping.
  RouteCommand(kCmdSelectTool);  // with a selection, 选取擦除 would delete it first
  RouteCommand(kCmdSelectErase);
  segment = RecogniseStraightSegment(Paths()[0], g_engine, CurrentScreenMapping());
  ASSERT_TRUE(segment);
  QPoint onLine((segment->screenStart.x + segment->screenEnd.x) / 2, (segment->screenStart.y + segment->screenEnd.y) / 2);
  int before = CurrentObjectCount();
  Click(onLine);
  EXPECT_EQ(CurrentObjectCount(), 0) << "the segment and its two labels";
  EXPECT_EQ(before, 3);
}

}  // namespace
