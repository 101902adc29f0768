// Drawing on pages as textbooks have them: turned by /Rotate and cropped to a box that does
// not start at (0, 0). Every assertion is about where things appear on screen and which
// way they face, so a mirrored, shifted or turned result fails.
#include <gtest/gtest.h>

#include <cmath>

#include "document/session.h"
#include "drawing/coordinate_system.h"
#include "drawing/drawing_test.h"
#include "drawing/find_remove.h"
#include "drawing/geometry_edits.h"
#include "drawing/labels.h"
#include "drawing/line_tools.h"
#include "drawing/shapes.h"
#include "editing/drawing_commands.h"
#include "engine/engine_table.h"
#include "view/current_context.h"
#include "view/page_view.h"

namespace {

constexpr float kCm = 72.0f / 2.54f;

class TurnedPagesTest : public DrawingTest {
 protected:
  // A drag box at fixed fractions of the shown page, away from its centre.
  ScreenPoint At(float fx, float fy) const {
    const IntRect& r = g_view.pageRect;
    return {r.left + int(float(r.Width()) * fx), r.top + int(float(r.Height()) * fy)};
  }
  ScreenPoint ScreenOf(PagePoint p) const { return Screen(p.x, p.y); }
  // Pixels per point on screen.
  float Scale() const { return float(g_view.pageRect.Width()) / g_session.pageWidth; }
  bool InsideShownBox(PagePoint p) const {
    PagePoint d = PageToDisplayed(CurrentPageFrame(), p.x, p.y);
    PageFrame f = CurrentPageFrame();
    return d.x >= -0.01f && d.y >= -0.01f && d.x <= f.DisplayedWidth() + 0.01f && d.y <= f.DisplayedHeight() + 0.01f;
  }
  // Pixels darker than mid-grey in the 7 × 7 square around a point.
  int DarkPixels(ScreenPoint centre) const {
    int count = 0;
    for (int dy = -3; dy <= 3; ++dy) {
      for (int dx = -3; dx <= 3; ++dx) count += GreenAt({centre.x + dx, centre.y + dy}) < 128 ? 1 : 0;
    }
    return count;
  }
  FS_MATRIX MatrixOf(FPDF_PAGEOBJECT object) const {
    FS_MATRIX m{};
    EXPECT_TRUE(g_engine.FPDFPageObj_GetMatrix(object, &m));
    return m;
  }
  // The first page point of a path, after its matrix.
  PagePoint Vertex(FPDF_PAGEOBJECT path, int index) const {
    PagePoint p;
    g_engine.FPDFPathSegment_GetPoint(g_engine.FPDFPath_GetPathSegment(path, index), &p.x, &p.y);
    return p;
  }
};

TEST_F(TurnedPagesTest, ShapesAppearWhereTheyWereDragged) {
  for (const PageCase& page : TurnedAndCroppedPages()) {
    SCOPED_TRACE(page.name);
    ShowHandMadePage(page.entries);
    ScreenPoint a = At(0.2f, 0.15f), b = At(0.55f, 0.45f);
    ShapeAdd triangle = AddGeometryShape(CurrentOps(), g_session.currentPage, CurrentScreenMapping(), GeometryKind::Triangle, a, b, PenStyle{});
    ASSERT_EQ(triangle.result, kShapeAdded);
    ShapeAdd rectangle = AddGeometryShape(CurrentOps(), g_session.currentPage, CurrentScreenMapping(), GeometryKind::Rectangle, At(0.3f, 0.6f),
                                          At(0.8f, 0.9f), PenStyle{});
    ASSERT_EQ(rectangle.result, kShapeAdded);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(InsideShownBox(Vertex(triangle.object, i))) << i;
    RenderAgain();
    // The pen is red (green 35): apex at the top middle, base along the bottom.
    EXPECT_LT(GreenAt({(a.x + b.x) / 2, a.y + 2}), 120);
    EXPECT_LT(GreenAt({(a.x + b.x) / 2, b.y}), 120);
    EXPECT_LT(GreenAt({a.x + 2, b.y}), 120);
    EXPECT_EQ(GreenAt({a.x + 2, a.y + 2}), 255);  // top-left corner of the box stays empty
    EXPECT_EQ(GreenAt({(a.x + b.x) / 2, (2 * b.y + a.y) / 3}), 255);
    EXPECT_LT(GreenAt(At(0.3f, 0.6f)), 120);
    EXPECT_LT(GreenAt(At(0.8f, 0.9f)), 120);
    EXPECT_EQ(GreenAt(At(0.55f, 0.75f)), 255);
  }
}

TEST_F(TurnedPagesTest, TheGridIsCentredOnTheShownPageAndItsAxesPointRightAndUp) {
  for (const PageCase& page : TurnedAndCroppedPages()) {
    SCOPED_TRACE(page.name);
    ShowHandMadePage(page.entries);
    CoordinateBuild build = BuildCoordinateSystem(g_session.currentPage, CurrentOps(), CurrentPageFrame());
    ASSERT_EQ(build.result, kGridAdded);
    EXPECT_EQ(FindCoordinateSystem(build.object, CurrentOps()),
              int(std::ceil(g_session.pageWidth / (2 * 28.346457))));
    auto points = ReadControlPoints(build.object, CurrentOps());
    ASSERT_TRUE(points.has_value());
    EXPECT_NEAR(points->origin.x, 297.5, 0.01);  // both boxes share their centre
    EXPECT_NEAR(points->origin.y, 421, 0.01);
    ScreenPoint origin = ScreenOf(points->origin), unit = ScreenOf(points->unit);
    const IntRect& r = g_view.pageRect;
    EXPECT_NEAR(origin.x, (r.left + r.right) / 2.0, 1.0);
    EXPECT_NEAR(origin.y, (r.top + r.bottom) / 2.0, 1.0);
    // The unit point lies one centimetre to the right on screen, not left, up or down.
    EXPECT_NEAR(unit.x - origin.x, kCm * Scale(), 1.0);
    EXPECT_NEAR(unit.y, origin.y, 1.0);
    RenderAgain();
    // Arrow heads darken the right and top ends of the axes; the left and bottom ends carry
    // only the axis line itself.
    int in = int(6 * Scale() + 0.5f);
    EXPECT_GT(DarkPixels({r.right - in, origin.y}), DarkPixels({r.left + in, origin.y}) + 8);
    EXPECT_GT(DarkPixels({origin.x, r.top + in}), DarkPixels({origin.x, r.bottom - in}) + 8);
  }
}

TEST_F(TurnedPagesTest, LabelsReadUprightBesideTheirVertices) {
  for (const PageCase& page : TurnedAndCroppedPages()) {
    SCOPED_TRACE(page.name);
    ShowHandMadePage(page.entries);
    ScreenPoint a = At(0.3f, 0.3f), b = At(0.7f, 0.6f);
    ShapeAdd triangle = AddGeometryShape(CurrentOps(), g_session.currentPage, CurrentScreenMapping(), GeometryKind::Triangle, a, b, PenStyle{});
    auto outline = BuildOutline(GeometryKind::Triangle, a, b);
    LabelSetResult labels = LabelNewTriangle(CurrentOps(), CurrentLabelContext(), triangle.object, outline->points);
    ASSERT_TRUE(labels.ok);
    ASSERT_EQ(labels.labels.size(), 3u);
    for (int j = 0; j < 3; ++j) {
      SCOPED_TRACE(j);
      FS_MATRIX m = MatrixOf(labels.labels[size_t(j)]);
      ScreenPoint at = ScreenOf({m.e, m.f});
      ScreenPoint along = ScreenOf({m.e + 10 * m.a, m.f + 10 * m.b});
      ScreenPoint up = ScreenOf({m.e + 10 * m.c, m.f + 10 * m.d});
      // Text runs to the right on screen and its glyphs stand up.
      EXPECT_NEAR(along.x - at.x, 10 * Scale(), 1.0);
      EXPECT_NEAR(along.y, at.y, 1.0);
      EXPECT_NEAR(at.y - up.y, 10 * Scale(), 1.0);
      EXPECT_NEAR(up.x, at.x, 1.0);
      float left, bottom, right, top;
      ASSERT_TRUE(g_engine.FPDFPageObj_GetBounds(labels.labels[size_t(j)], &left, &bottom, &right, &top));
      EXPECT_TRUE(InsideShownBox({left, bottom}) && InsideShownBox({right, top}));
    }
    // a above the apex, b right of the base, c left of it: each beside its own vertex.
    auto labelCentre = [&](int j) {
      FS_MATRIX m = MatrixOf(labels.labels[size_t(j)]);
      ScreenPoint at = ScreenOf({m.e, m.f});
      return ScreenPoint{at.x + int(5.5f * Scale()), at.y - int(3.5f * Scale())};
    };
    const std::vector<ScreenPoint>& v = outline->points;
    EXPECT_LT(labelCentre(0).y, v[0].y);
    EXPECT_NEAR(labelCentre(0).x, v[0].x, 4);
    EXPECT_GT(labelCentre(1).x, v[1].x);
    EXPECT_LT(labelCentre(2).x, v[2].x);
    for (int j = 0; j < 3; ++j) {
      ScreenPoint c = labelCentre(j);
      EXPECT_LT(std::hypot(c.x - v[size_t(j)].x, c.y - v[size_t(j)].y), 24 * Scale()) << j;
    }
  }
}

TEST_F(TurnedPagesTest, ARectangleSideKeepsItsFirstVertexAndMovesItsSecondOnScreen) {
  for (const PageCase& page : TurnedAndCroppedPages()) {
    SCOPED_TRACE(page.name);
    ShowHandMadePage(page.entries);
    PdfOps ops = CurrentOps();
    ScreenPoint from = At(0.25f, 0.3f), to = At(0.55f, 0.5f);
    ShapeAdd rectangle = AddGeometryShape(ops, g_session.currentPage, CurrentScreenMapping(), GeometryKind::Rectangle, from, to, PenStyle{});
    auto outline = BuildOutline(GeometryKind::Rectangle, from, to);
    ASSERT_TRUE(EnsureRectangleLabels(ops, CurrentLabelContext(), rectangle.object, outline->points).ok);
    auto before = *RectangleVertices(rectangle.object, ops, CurrentPageFrame());
    double top = (*RectangleSides(rectangle.object, ops, CurrentPageFrame()))[0];
    EditResult wider = SetRectangleSide(ops, CurrentLabelContext(), rectangle.object, 0, top + 1);
    ASSERT_TRUE(wider.ok);
    EXPECT_TRUE(wider.oldLabelsRemoved);
    auto after = *RectangleVertices(wider.newObject, ops, CurrentPageFrame());
    float cmPixels = kCm * Scale();
    // a and d stay; b and c move one centimetre to the right on screen.
    for (int i : {0, 3}) {
      EXPECT_NEAR(ScreenOf(after[size_t(i)]).x, ScreenOf(before[size_t(i)]).x, 1) << i;
      EXPECT_NEAR(ScreenOf(after[size_t(i)]).y, ScreenOf(before[size_t(i)]).y, 1) << i;
    }
    for (int i : {1, 2}) {
      EXPECT_NEAR(ScreenOf(after[size_t(i)]).x - ScreenOf(before[size_t(i)]).x, cmPixels, 1.5) << i;
      EXPECT_NEAR(ScreenOf(after[size_t(i)]).y, ScreenOf(before[size_t(i)]).y, 1) << i;
    }
    // Side b-c set shorter: b stays, c and d come up on screen.
    double right = (*RectangleSides(wider.newObject, ops, CurrentPageFrame()))[1];
    EditResult shorter = SetRectangleSide(ops, CurrentLabelContext(), wider.newObject, 1, right - 1);
    ASSERT_TRUE(shorter.ok);
    auto last = *RectangleVertices(shorter.newObject, ops, CurrentPageFrame());
    EXPECT_NEAR(ScreenOf(last[1]).y, ScreenOf(after[1]).y, 1);
    EXPECT_NEAR(ScreenOf(after[2]).y - ScreenOf(last[2]).y, cmPixels, 1.5);
    EXPECT_NEAR(ScreenOf(after[3]).y - ScreenOf(last[3]).y, cmPixels, 1.5);
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(InsideShownBox(last[size_t(i)])) << i;
    // Each label still stands by its own corner.
    std::string name = *FindMark(shorter.newObject, ops, MarkKind::Rectangle);
    auto labels = LabelsOfShape(g_session.currentPage, shorter.newObject, ops, MarkKind::Rectangle, name);
    ASSERT_EQ(labels.size(), 4u);
    for (int i = 0; i < 4; ++i) {
      FS_MATRIX m = MatrixOf(labels[size_t(i)]);
      ScreenPoint label = ScreenOf({m.e, m.f}), corner = ScreenOf(last[size_t(i)]);
      EXPECT_LT(std::hypot(label.x - corner.x, label.y - corner.y), 24 * Scale()) << i;
    }
    EXPECT_EQ(LabelTexts(name, MarkKind::Rectangle), (std::vector<std::u16string>{u"a1", u"b1", u"c1", u"d1"}));
  }
}

TEST_F(TurnedPagesTest, ATriangleSideKeepsTheOppositeVertexOnScreen) {
  for (const PageCase& page : TurnedAndCroppedPages()) {
    SCOPED_TRACE(page.name);
    ShowHandMadePage(page.entries);
    PdfOps ops = CurrentOps();
    ScreenPoint a = At(0.3f, 0.3f), b = At(0.6f, 0.5f);
    ShapeAdd triangle = AddGeometryShape(ops, g_session.currentPage, CurrentScreenMapping(), GeometryKind::Triangle, a, b, PenStyle{});
    auto outline = BuildOutline(GeometryKind::Triangle, a, b);
    ASSERT_TRUE(LabelNewTriangle(ops, CurrentLabelContext(), triangle.object, outline->points).ok);
    double base = (*TriangleSides(triangle.object, ops))[1];
    EditResult edit = SetTriangleSide(ops, CurrentLabelContext(), triangle.object, 1, base * 1.5);
    ASSERT_TRUE(edit.ok);
    auto v = *TriangleVertices(edit.newObject, ops);
    // Side b-c grows about a, the apex: b goes further right and c further left on screen.
    EXPECT_NEAR(ScreenOf(v[0]).x, outline->points[0].x, 1);
    EXPECT_NEAR(ScreenOf(v[0]).y, outline->points[0].y, 1);
    EXPECT_GT(ScreenOf(v[1]).x, outline->points[1].x + 5);
    EXPECT_LT(ScreenOf(v[2]).x, outline->points[2].x - 5);
    EXPECT_GT(ScreenOf(v[1]).y, outline->points[1].y + 5);  // and further down
  }
}

TEST_F(TurnedPagesTest, LineToolsHitTestsAndHandlesFollowTheScreen) {
  for (const PageCase& page : TurnedAndCroppedPages()) {
    SCOPED_TRACE(page.name);
    ShowHandMadePage(page.entries);
    const IntRect& r = g_view.pageRect;
    LineToolInput input;
    input.screen = CurrentScreenMapping();
    input.kind = LineToolKind::StraightLine;
    input.start = At(0.4f, 0.3f);
    input.end = At(0.5f, 0.3f);
    auto line = LineToolPoints(input);
    ASSERT_TRUE(line.has_value());
    // A horizontal drag gives a line from the left edge to the right edge of the shown page.
    EXPECT_NEAR(ScreenOf((*line)[0]).x, r.left, 1);
    EXPECT_NEAR(ScreenOf((*line)[1]).x, r.right - 1, 1);
    EXPECT_NEAR(ScreenOf((*line)[0]).y, input.start.y, 1);
    // A ray towards the upper left ends on the left or top edge, not behind its start.
    input.kind = LineToolKind::Ray;
    input.end = {input.start.x - 30, input.start.y - 20};
    auto ray = LineToolPoints(input);
    ASSERT_TRUE(ray.has_value());
    ScreenPoint rayStart = ScreenOf((*ray)[0]), rayEnd = ScreenOf((*ray)[1]);
    EXPECT_NEAR(rayStart.x, input.start.x, 1);
    EXPECT_TRUE(std::abs(rayEnd.x - r.left) <= 1 || std::abs(rayEnd.y - r.top) <= 1);
    EXPECT_LT(rayEnd.x, rayStart.x);
    // A fixed-length segment points the way it was dragged on screen.
    input.kind = LineToolKind::FixedLengthSegment;
    input.fixedLengthCm = 2;
    input.end = {input.start.x + 40, input.start.y + 30};
    auto fixed = LineToolPoints(input);
    ASSERT_TRUE(fixed.has_value());
    ScreenPoint a = ScreenOf((*fixed)[0]), b = ScreenOf((*fixed)[1]);
    EXPECT_NEAR(b.x - a.x, 2 * kCm * Scale() * 0.8, 1.5);
    EXPECT_NEAR(b.y - a.y, 2 * kCm * Scale() * 0.6, 1.5);

    // Segments are found where they are seen, and a point locks onto one 13 pixels away.
    FPDF_PAGEOBJECT segment = AddPagePath(*fixed, false, PenStyle{}, u"线工具图形已添加");
    ASSERT_NE(segment, nullptr);
    ScreenPoint middle{(a.x + b.x) / 2, (a.y + b.y) / 2};
    EXPECT_EQ(StraightSegmentAt(middle), segment);
    EXPECT_EQ(StraightSegmentAt({middle.x + 20, middle.y - 27}), nullptr);
    auto near = ScreenToPage(middle.x + 8, middle.y - 10);  // 12.8 pixels off the line
    ASSERT_TRUE(near.has_value());
    PointAdd point = AddPoint(CurrentOps(), g_session.currentPage, *near, 2, 0);
    auto lock = LockPointToSegment(CurrentOps(), g_session.currentPage, CurrentScreenMapping(), point.object);
    ASSERT_TRUE(lock.has_value());
    EXPECT_EQ(lock->segment, segment);

    // The grid's origin handle is hit where it is drawn and drags with the pointer.
    CoordinateBuild grid = BuildCoordinateSystem(g_session.currentPage, CurrentOps(), CurrentPageFrame());
    auto before = *ReadControlPoints(grid.object, CurrentOps());
    ScreenPoint origin = ScreenOf(before.origin);
    EXPECT_EQ(HitCoordinateHandle(grid.object, CurrentOps(), CurrentScreenMapping(), origin.x - 7, origin.y + 7), 1);
    ScreenPoint last = origin;
    bool changed = false;
    ASSERT_TRUE(DragCoordinateHandle(grid.object, CurrentOps(), CurrentScreenMapping(), 1, last, {origin.x + 40, origin.y - 25}, changed));
    ScreenPoint moved = ScreenOf(ReadControlPoints(grid.object, CurrentOps())->origin);
    EXPECT_NEAR(moved.x, origin.x + 40, 1);
    EXPECT_NEAR(moved.y, origin.y - 25, 1);
  }
}

}  // namespace
