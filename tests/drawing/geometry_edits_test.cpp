#include <gtest/gtest.h>

#include <cmath>

#include "document/session.h"
#include "drawing/drawing_test.h"
#include "drawing/find_remove.h"
#include "drawing/geometry_edits.h"
#include "drawing/line_tools.h"
#include "drawing/shapes.h"
#include "engine/engine_table.h"
#include "view/current_context.h"
#include "view/page_view.h"

namespace {

constexpr float kCm = 72.0f / 2.54f;

class GeometryEditsTest : public DrawingTest {
 protected:
  // A closed path through page points, marked and labelled like a drawn shape.
  FPDF_PAGEOBJECT LabelledShape(const std::vector<PagePoint>& points, MarkKind kind) {
    FPDF_PAGEOBJECT path = g_engine.FPDFPageObj_CreateNewPath(points[0].x, points[0].y);
    for (size_t i = 1; i < points.size(); ++i) g_engine.FPDFPath_LineTo(path, points[i].x, points[i].y);
    g_engine.FPDFPath_LineTo(path, points[0].x, points[0].y);
    g_engine.FPDFPageObj_SetStrokeColor(path, 10, 20, 30, 255);
    g_engine.FPDFPageObj_SetStrokeWidth(path, 4);
    g_engine.FPDFPath_SetDrawMode(path, 0, 1);
    g_engine.FPDFPage_InsertObject(g_session.currentPage, path);
    std::vector<ScreenPoint> screen;
    for (const PagePoint& p : points) screen.push_back(Screen(p.x, p.y));
    bool ok = kind == MarkKind::Triangle
                  ? LabelNewTriangle(CurrentOps(), CurrentLabelContext(), path, screen).ok
                  : EnsureRectangleLabels(CurrentOps(), CurrentLabelContext(), path, screen).ok;
    EXPECT_TRUE(ok);
    return path;
  }
};

TEST_F(GeometryEditsTest, ATriangleSideScalesTheTriangleAboutTheOppositeVertex) {
  ShowPage();
  PagePoint a{100, 100}, b{100 + 3 * kCm, 100}, c{100, 100 + 4 * kCm};
  FPDF_PAGEOBJECT triangle = LabelledShape({a, b, c}, MarkKind::Triangle);
  auto sides = TriangleSides(triangle, CurrentOps());
  ASSERT_TRUE(sides.has_value());
  EXPECT_NEAR((*sides)[0], 3, 1e-3);
  EXPECT_NEAR((*sides)[2], 4, 1e-3);
  std::string name = *FindMark(triangle, CurrentOps(), MarkKind::Triangle);
  EditResult edit = SetTriangleSide(CurrentOps(), CurrentLabelContext(), triangle, 0, 6);
  ASSERT_TRUE(edit.ok);
  EXPECT_TRUE(edit.oldLabelsRemoved);
  auto after = TriangleSides(edit.newObject, CurrentOps());
  ASSERT_TRUE(after.has_value());
  EXPECT_NEAR((*after)[0], 6, 1e-3);
  EXPECT_NEAR((*after)[1], 10, 1e-3);
  EXPECT_NEAR((*after)[2], 8, 1e-3);
  auto vertices = *TriangleVertices(edit.newObject, CurrentOps());
  EXPECT_NEAR(vertices[2].x, c.x, 1e-3);  // c stays
  EXPECT_NEAR(vertices[2].y, c.y, 1e-3);
  EXPECT_EQ(*FindMark(edit.newObject, CurrentOps(), MarkKind::Triangle), name);
  EXPECT_EQ(LabelTexts(name, MarkKind::Triangle), (std::vector<std::u16string>{u"a1", u"b1", u"c1"}));
  EXPECT_EQ(g_engine.FPDFPage_CountObjects(g_session.currentPage), 4);
  unsigned r, g, bl, al;
  g_engine.FPDFPageObj_GetStrokeColor(edit.newObject, &r, &g, &bl, &al);
  EXPECT_EQ(g, 20u);
  EXPECT_FALSE(SetTriangleSide(CurrentOps(), CurrentLabelContext(), edit.newObject, 0, 0.001).ok);
}

TEST_F(GeometryEditsTest, ARectangleSideMovesItsSecondVertexAndTheNeighbouringSide) {
  ShowPage();
  float left = 100, top = 500;
  std::vector<PagePoint> corners = {{left, top}, {left + 4 * kCm, top}, {left + 4 * kCm, top - 2 * kCm}, {left, top - 2 * kCm}};
  FPDF_PAGEOBJECT rectangle = LabelledShape(corners, MarkKind::Rectangle);
  EditResult edit = SetRectangleSide(CurrentOps(), CurrentLabelContext(), rectangle, 0, 5);
  ASSERT_TRUE(edit.ok);
  auto v = *RectangleVertices(edit.newObject, CurrentOps(), CurrentPageFrame());
  EXPECT_NEAR(v[0].x, left, 1e-3);              // a stays
  EXPECT_NEAR(v[1].x, left + 5 * kCm, 1e-3);    // b moves 1 cm right
  EXPECT_NEAR(v[2].x, left + 5 * kCm, 1e-3);    // c with it
  EXPECT_NEAR(v[3].x, left, 1e-3);              // d stays
  EXPECT_NEAR((*RectangleSides(edit.newObject, CurrentOps(), CurrentPageFrame()))[1], 2, 1e-3);
  // A slanted side is no rectangle.
  FPDF_PAGEOBJECT slanted = AddLine({10, 10}, {50, 12});
  g_engine.FPDFPath_LineTo(slanted, 50, 50);
  g_engine.FPDFPath_LineTo(slanted, 10, 50);
  EXPECT_FALSE(RectangleVertices(slanted, CurrentOps(), CurrentPageFrame()).has_value());
}

TEST_F(GeometryEditsTest, AFailedReplacementRollsBackToTheOldShape) {
  ShowPage();
  FPDF_PAGEOBJECT triangle = LabelledShape({{100, 100}, {200, 100}, {100, 200}}, MarkKind::Triangle);
  int before = g_engine.FPDFPage_CountObjects(g_session.currentPage);
  // The label font gone between reading and relabelling: the edit must undo its own work.
  LabelContext noFont = CurrentLabelContext();
  PdfOps ops = CurrentOps();
  ops.FPDFText_SetText = nullptr;
  EditResult edit = SetTriangleSide(ops, noFont, triangle, 0, 5);
  EXPECT_FALSE(edit.ok);
  EXPECT_EQ(g_engine.FPDFPage_CountObjects(g_session.currentPage), before);
  EXPECT_EQ(g_engine.FPDFPage_GetObject(g_session.currentPage, 0), triangle);
}

TEST_F(GeometryEditsTest, ADraggedCornerStopsBeforeTheOppositeOne) {
  std::array<ScreenPoint, 4> corners{ScreenPoint{100, 100}, {200, 100}, {200, 180}, {100, 180}};
  IntRect page{0, 0, 500, 500};
  auto box = CornerDragBox(corners, 2, {50, 20}, page);
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ((*box)[2].x, 103);
  EXPECT_EQ((*box)[2].y, 103);
  auto outside = CornerDragBox(corners, 2, {900, 900}, page);
  EXPECT_EQ((*outside)[2].x, 500);
  EXPECT_FALSE(CornerDragBox(corners, 4, {0, 0}, page).has_value());
}

TEST_F(GeometryEditsTest, TheTotalLengthScalesAboutTheFirstPointAndLabelsFollow) {
  ShowPage();
  FPDF_PAGEOBJECT segment = AddLine({100, 300}, {100 + 10 * kCm, 300});
  ASSERT_TRUE(EnsureSegmentLabels(CurrentOps(), CurrentLabelContext(), segment, Screen(100, 300),
                                  Screen(100 + 10 * kCm, 300)).ok);
  std::string name = *FindMark(segment, CurrentOps(), MarkKind::Line);
  auto labels = LabelsOfShape(g_session.currentPage, segment, g_engine, MarkKind::Line, name);
  float l0, b0, r0, t0;
  g_engine.FPDFPageObj_GetBounds(labels[1], &l0, &b0, &r0, &t0);
  ASSERT_TRUE(SetTotalLength(CurrentOps(), g_session.currentPage, segment, 5));
  auto measured = MeasurePolyline(segment, CurrentOps());
  EXPECT_NEAR(measured->total, 5 * kCm, 1e-2);
  EXPECT_NEAR(measured->first.x, 100, 1e-3);
  float l1, b1, r1, t1;
  g_engine.FPDFPageObj_GetBounds(labels[1], &l1, &b1, &r1, &t1);
  EXPECT_NEAR(l1 - l0, -5 * kCm, 0.05);  // label b moved with the end point
}

TEST_F(GeometryEditsTest, PointsLockOntoSegmentsWithin14Pixels) {
  ShowPage();
  ScreenPoint a = Screen(100, 400), b = Screen(400, 400);
  FPDF_PAGEOBJECT segment = AddLine({100, 400}, {400, 400});
  auto near = ScreenToPage(a.x + 100, a.y - 13);
  auto far = ScreenToPage(a.x + 100, a.y - 14);
  PointAdd nearPoint = AddPoint(CurrentOps(), g_session.currentPage, *near, 2, 0);
  PointAdd farPoint = AddPoint(CurrentOps(), g_session.currentPage, *far, 2, 0);
  auto lock = LockPointToSegment(CurrentOps(), g_session.currentPage, CurrentScreenMapping(), nearPoint.object);
  ASSERT_TRUE(lock.has_value());
  EXPECT_EQ(lock->segment, segment);
  EXPECT_FALSE(LockPointToSegment(CurrentOps(), g_session.currentPage, CurrentScreenMapping(), farPoint.object).has_value());
  // Dragging past the end stops at the end point.
  auto centre = ReadPointGeometry(nearPoint.object, CurrentOps())->centre;
  auto offset = ConstrainedOffset(*lock, centre, centre, {centre.x + 1000, centre.y + 50}, centre);
  ASSERT_TRUE(offset.has_value());
  EXPECT_NEAR(centre.x + offset->x, 400, 1e-3);
  EXPECT_NEAR(centre.y + offset->y, 400, 1e-3);
  (void)b;
}

TEST_F(GeometryEditsTest, ResizingAPointKeepsItsMarkAndCentre) {
  ShowPage();
  PointAdd point = AddPoint(CurrentOps(), g_session.currentPage, {200, 300}, 3, 0x0000FF);
  std::string name = *FindMark(point.object, CurrentOps(), MarkKind::Point);
  auto properties = ReadPointProperties(point.object, CurrentOps());
  ASSERT_TRUE(properties.has_value());
  EXPECT_NEAR(properties->size, 6, 1e-3);
  EXPECT_EQ(properties->colour, 0x0000FFu);
  PointResize resized = ResizePoint(CurrentOps(), g_session.currentPage, point.object, 20, 0x00FF00);
  ASSERT_TRUE(resized.ok);
  EXPECT_EQ(*FindMark(resized.object, CurrentOps(), MarkKind::Point), name);
  auto geometry = ReadPointGeometry(resized.object, CurrentOps());
  EXPECT_NEAR(geometry->radius, 10, 1e-3);
  EXPECT_NEAR(geometry->centre.x, 200, 1e-3);
  EXPECT_EQ(g_engine.FPDFPage_CountObjects(g_session.currentPage), 1);
}

TEST_F(GeometryEditsTest, LineToolsClipAndMeasure) {
  ShowPage();
  IntRect page = g_view.pageRect;
  LineToolInput input;
  input.screen = CurrentScreenMapping();
  input.kind = LineToolKind::StraightLine;
  input.start = {page.left + 200, page.top + 300};
  input.end = {page.left + 260, page.top + 300};
  auto line = LineToolPoints(input);
  ASSERT_TRUE(line.has_value());
  EXPECT_NEAR((*line)[0].x, 0, 1.5);
  EXPECT_NEAR((*line)[1].x, 595, 1.5);
  // A ray towards the upper left ends on the left or top edge, never behind its start.
  input.kind = LineToolKind::Ray;
  input.end = {page.left + 150, page.top + 280};
  auto clipped = ClipToRectangle(input.start, input.end, page, true);
  ASSERT_TRUE(clipped.has_value());
  EXPECT_EQ(clipped->first.x, input.start.x);
  EXPECT_TRUE(clipped->second.x == page.left || clipped->second.y == page.top);
  input.kind = LineToolKind::FixedLengthSegment;
  input.fixedLengthCm = 2;
  auto fixed = LineToolPoints(input);
  EXPECT_NEAR(std::hypot((*fixed)[1].x - (*fixed)[0].x, (*fixed)[1].y - (*fixed)[0].y), 56.69, 0.01);
  input.kind = LineToolKind::Vector;
  input.end = {input.start.x + 2, input.start.y};
  EXPECT_FALSE(LineToolPoints(input).has_value());  // shorter than 3 pixels
  input.kind = LineToolKind::EqualVector;
  EXPECT_FALSE(LineToolPoints(input).has_value());  // nothing picked yet
  input.pickedOffset = PagePoint{30, -40};
  auto equal = LineToolPoints(input);
  ASSERT_TRUE(equal.has_value());
  EXPECT_NEAR((*equal)[1].x - (*equal)[0].x, 30, 1e-4);
  EXPECT_NEAR((*equal)[1].y - (*equal)[0].y, -40, 1e-4);
  std::vector<PagePoint> polyline;
  EXPECT_EQ(AddPolylineVertex(polyline, {10, 10}), PolylineAdd::Added);
  EXPECT_EQ(AddPolylineVertex(polyline, {10.0005f, 10}), PolylineAdd::Duplicate);
  EXPECT_EQ(polyline.size(), 1u);
}

TEST_F(GeometryEditsTest, TheTotalLengthChangesGeometryNotTheStrokeOrTheArrowHead) {
  ShowPage();
  PenStyle pen;  // 6 points wide
  std::vector<PagePoint> line = {{100, 400}, {100 + 10 * kCm, 400}};
  FPDF_PAGEOBJECT polyline = AddPagePath(line, false, pen, u"线工具图形已添加");
  ASSERT_NE(polyline, nullptr);
  FPDF_PAGEOBJECT scaled = SetTotalLength(CurrentOps(), g_session.currentPage, polyline, 1);
  ASSERT_EQ(scaled, polyline);
  EXPECT_NEAR(MeasurePolyline(scaled, CurrentOps())->total, kCm, 1e-2);
  RenderAgain();
  // Still a 6-point line on screen: count the red rows across its middle.
  ScreenPoint middle = Screen(100 + kCm / 2, 400);
  int rows = 0;
  for (int dy = -12; dy <= 12; ++dy) rows += GreenAt({middle.x, middle.y + dy}) < 128 ? 1 : 0;
  float pixelsPerPoint = float(g_view.pageRect.Width()) / g_session.pageWidth;
  EXPECT_NEAR(rows, 6 * pixelsPerPoint, 1.5);

  // An arrow is measured along its shaft, and its head keeps its size.
  PenStyle thin{0, 2};
  FPDF_PAGEOBJECT arrow = AddPagePath({{100, 200}, {100 + 10 * kCm, 200}}, true, thin, u"箭头已添加");
  ASSERT_TRUE(EnsureSegmentLabels(CurrentOps(), CurrentLabelContext(), arrow, Screen(100, 200),
                                  Screen(100 + 10 * kCm, 200)).ok);
  std::string name = *FindMark(arrow, CurrentOps(), MarkKind::Line);
  EXPECT_NEAR(MeasurePolyline(arrow, CurrentOps())->total, 10 * kCm, 1e-2);
  int index = 0;
  while (g_engine.FPDFPage_GetObject(g_session.currentPage, index) != arrow) ++index;
  FPDF_PAGEOBJECT shorter = SetTotalLength(CurrentOps(), g_session.currentPage, arrow, 5);
  ASSERT_NE(shorter, nullptr);
  EXPECT_EQ(g_engine.FPDFPage_GetObject(g_session.currentPage, index), shorter);  // same place in the page
  auto recognised = RecogniseStraightSegment(shorter, CurrentOps());
  ASSERT_TRUE(recognised && recognised->arrow);
  EXPECT_NEAR(recognised->start.x, 100, 1e-3);
  EXPECT_NEAR(recognised->end.x - recognised->start.x, 5 * kCm, 1e-2);  // pointing the same way
  PagePoint wing;
  g_engine.FPDFPathSegment_GetPoint(g_engine.FPDFPath_GetPathSegment(shorter, 2), &wing.x, &wing.y);
  EXPECT_NEAR(recognised->end.x - wing.x, 10, 1e-3);  // head length min(max(10, 4 × 2), …)
  EXPECT_NEAR(std::fabs(wing.y - 200), 4.5, 1e-3);
  float width = 0;
  g_engine.FPDFPageObj_GetStrokeWidth(shorter, &width);
  EXPECT_FLOAT_EQ(width, 2);
  EXPECT_EQ(*FindMark(shorter, CurrentOps(), MarkKind::Line), name);
  auto labels = LabelsOfShape(g_session.currentPage, shorter, g_engine, MarkKind::Line, name);
  ASSERT_EQ(labels.size(), 2u);
  FS_MATRIX m;
  g_engine.FPDFPageObj_GetMatrix(labels[1], &m);
  EXPECT_LT(m.e, 100 + 5 * kCm + 12);  // label b followed the end point
}

}  // namespace
