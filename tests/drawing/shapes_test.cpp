#include <gtest/gtest.h>

#include <cmath>

#include "content/font_table.h"
#include "document/save_copy.h"
#include "document/session.h"
#include "drawing/drawing_test.h"
#include "drawing/shapes.h"
#include "engine/engine_loader.h"
#include "engine/engine_table.h"
#include "view/page_view.h"

namespace {

class ShapesTest : public DrawingTest {
 protected:
  float Distance(PagePoint a, PagePoint b) { return std::hypot(a.x - b.x, a.y - b.y); }
  PagePoint SegmentPoint(FPDF_PAGEOBJECT path, int index) {
    PagePoint p;
    g_engine.FPDFPathSegment_GetPoint(g_engine.FPDFPath_GetPathSegment(path, index), &p.x, &p.y);
    return p;
  }
};

TEST_F(ShapesTest, OutlinesRefuseSmallDragsAndHaveTheirPointCounts) {
  EXPECT_FALSE(BuildOutline(GeometryKind::Rectangle, {10, 10}, {12, 40}).has_value());
  auto square = BuildOutline(GeometryKind::Rectangle, {10, 10}, {13, 13});
  ASSERT_TRUE(square.has_value());
  EXPECT_EQ(square->points.size(), 4u);
  EXPECT_TRUE(square->closed);
  EXPECT_FALSE(BuildOutline(GeometryKind::Segment, {0, 0}, {2, 2}).has_value());  // 2.83 pixels
  EXPECT_TRUE(BuildOutline(GeometryKind::Segment, {0, 0}, {3, 0}).has_value());
  auto triangle = BuildOutline(GeometryKind::Triangle, {10, 10}, {21, 40});
  ASSERT_TRUE(triangle.has_value());
  EXPECT_EQ(triangle->points[0].x, 15);  // apex: integer middle, at the top
  EXPECT_EQ(triangle->points[0].y, 10);
  auto ellipse = BuildOutline(GeometryKind::Ellipse, {0, 0}, {100, 60});
  ASSERT_TRUE(ellipse.has_value());
  EXPECT_EQ(ellipse->points.size(), 48u);
  EXPECT_EQ(ellipse->points[0].x, 100);
  EXPECT_EQ(ellipse->points[12].y, 60);
}

TEST_F(ShapesTest, GeometryShapesArePathsWithTheirOutlineAndPen) {
  ShowPage();
  PdfOps ops = CurrentOps();
  PenStyle pen{30u | 60u << 8 | 90u << 16, 3};
  ShapeAdd ellipse = AddGeometryShape(ops, g_session.currentPage, CurrentScreenMapping(), GeometryKind::Ellipse, Screen(100, 700),
                                      Screen(300, 600), pen);
  ASSERT_EQ(ellipse.result, kShapeAdded);
  EXPECT_EQ(SegmentCount(ellipse.object), 49);  // 48 outline points and the closing line
  EXPECT_LT(Distance(SegmentPoint(ellipse.object, 48), SegmentPoint(ellipse.object, 0)), 0.001f);
  unsigned r, g, b, a;
  g_engine.FPDFPageObj_GetStrokeColor(ellipse.object, &r, &g, &b, &a);
  EXPECT_EQ(r, 30u);
  EXPECT_EQ(b, 90u);
  float width = 0;
  g_engine.FPDFPageObj_GetStrokeWidth(ellipse.object, &width);
  EXPECT_FLOAT_EQ(width, 3);
  EXPECT_EQ(AddGeometryShape(ops, g_session.currentPage, CurrentScreenMapping(), GeometryKind::Rectangle, {100, 100}, {101, 200}, pen).result,
            kShapeTooSmall);
  EXPECT_EQ(AddGeometryShape(ops, g_session.currentPage, CurrentScreenMapping(), GeometryKind::Point, {100, 100}, {200, 200}, pen).result,
            kShapeFailed);
  EXPECT_EQ(g_engine.FPDFPage_CountObjects(g_session.currentPage), 1);
}

TEST_F(ShapesTest, PointsAreFilledCirclesWithClampedDiameters) {
  ShowPage();
  PdfOps ops = CurrentOps();
  PointAdd small = AddPoint(ops, g_session.currentPage, {200, 200}, std::clamp(0.3f, 1.0f, 100.0f), 0x0000FF);
  ASSERT_TRUE(small.added);
  EXPECT_TRUE(small.committed);
  EXPECT_EQ(SegmentCount(small.object), 48);
  EXPECT_TRUE(LastSegmentCloses(small.object));
  EXPECT_NEAR(Distance(SegmentPoint(small.object, 0), {200, 200}), 1.0f, 1e-4);  // diameter 2
  EXPECT_TRUE(FindMark(small.object, ops, MarkKind::Point).has_value());
  PointAdd large = AddPoint(ops, g_session.currentPage, {300, 300}, 80, 0x0000FF);
  EXPECT_NEAR(Distance(SegmentPoint(large.object, 0), {300, 300}), 50.0f, 1e-3);  // diameter 100
}

TEST_F(ShapesTest, ArrowHeadsAreHalfAShortSegment) {
  ShowPage();
  PdfOps ops = CurrentOps();
  FPDF_PAGEOBJECT path = g_engine.FPDFPageObj_CreateNewPath(100, 100);
  g_engine.FPDFPath_LineTo(path, 112, 100);
  ASSERT_TRUE(AppendArrowHead(ops, path, {100, 100}, {112, 100}, 6));
  PagePoint wing = SegmentPoint(path, 2);
  EXPECT_NEAR(wing.x, 106, 1e-4);  // base 6 points back from the tip
  EXPECT_NEAR(std::fabs(wing.y - 100), 0.45 * 6, 1e-4);
  g_engine.FPDFPageObj_Destroy(path);
}

TEST_F(ShapesTest, ALengthTargetFixesTheSegmentLength) {
  ShowPage();
  PenStyle pen;
  FPDF_PAGEOBJECT segment = AddSegment(CurrentScreenMapping(), Screen(100, 100), Screen(130, 140), false, pen, 5);
  ASSERT_NE(segment, nullptr);
  auto line = RecogniseStraightSegment(segment, CurrentOps());
  ASSERT_TRUE(line.has_value());
  EXPECT_NEAR(Distance(line->start, line->end), 141.73f, 0.01f);
  EXPECT_EQ(g_session.statusText, u"划线已添加");
  EXPECT_TRUE(g_session.modified);
  // Without a target a tiny drag adds nothing.
  EXPECT_EQ(AddSegment(CurrentScreenMapping(), Screen(300, 300), Screen(300, 300), true, pen, 0), nullptr);
}

TEST_F(ShapesTest, FreehandStrokesAreSmoothedAndRound) {
  ShowPage();
  std::vector<ScreenPoint> raw = {Screen(100, 100), Screen(150, 160), Screen(220, 150), Screen(260, 90)};
  auto smoothed = SmoothStroke(raw);
  ASSERT_GT(smoothed.size(), raw.size());
  EXPECT_FLOAT_EQ(smoothed.front().x, float(raw.front().x));
  EXPECT_FLOAT_EQ(smoothed.back().x, float(raw.back().x));  // the provisional tail
  EXPECT_EQ(AddFreehandCurve(CurrentScreenMapping(), {Screen(100, 100)}, PenStyle{}), nullptr);
  FPDF_PAGEOBJECT curve = AddFreehandCurve(CurrentScreenMapping(), raw, PenStyle{});
  ASSERT_NE(curve, nullptr);
  EXPECT_EQ(SegmentCount(curve), int(smoothed.size()));
  EXPECT_EQ(g_session.statusText, u"曲线已添加");
}

TEST_F(ShapesTest, AMissingEntryPointLeavesThePageUntouched) {
  ShowPage();
  SaveAndReopen("reopened.pdf");  // without the label font the page is as the file has it
  g_session.fullRewrite = true;
  g_script.dialogAnswers = {WorkPath16("before.pdf")};
  ASSERT_TRUE(SavePdfCopy(u"", u""));
  PdfOps ops = CurrentOps();
  ops.FPDFPath_SetDrawMode = nullptr;
  EXPECT_EQ(AddGeometryShape(ops, g_session.currentPage, CurrentScreenMapping(), GeometryKind::Triangle, Screen(100, 700), Screen(300, 500),
                             PenStyle{}).result,
            kShapeFailed);
  PdfOps noMark = CurrentOps();
  noMark.FPDFPageObj_AddMark = nullptr;
  EXPECT_FALSE(AddPoint(noMark, g_session.currentPage, {100, 100}, 5, 0).added);
  EXPECT_EQ(g_engine.FPDFPage_CountObjects(g_session.currentPage), 0);
  g_script.dialogAnswers = {WorkPath16("after.pdf")};
  ASSERT_TRUE(SavePdfCopy(u"", u""));
  EXPECT_EQ(ReadBytes(WorkPath("after.pdf")), ReadBytes(WorkPath("before.pdf")));
  EXPECT_EQ(g_fontCache.loadCount, 0);
}

TEST_F(ShapesTest, SmoothingBendsTowardsThePreviousPointThroughMidpoints) {
  // From (0, 0) the curve heads for the midpoint (10, 5) pulled towards the corner (10, 0):
  // n = ceil(sqrt(|P0 − 2C + P2|)) = 4 steps, then the raw point as provisional tail.
  auto smoothed = SmoothStroke({{0, 0}, {10, 0}, {10, 10}});
  std::vector<std::pair<float, float>> expected = {{0, 0},    {4.375f, 0.3125f}, {7.5f, 1.25f},
                                                   {9.375f, 2.8125f}, {10, 5}, {10, 10}};
  ASSERT_EQ(smoothed.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_FLOAT_EQ(smoothed[i].x, expected[i].first) << i;
    EXPECT_FLOAT_EQ(smoothed[i].y, expected[i].second) << i;
  }
}

TEST_F(ShapesTest, CurvesKeepRoundCapsAndJoinsThroughSaving) {
  ShowPage(595, 842, 2);
  using GetStyle = int (*)(FPDF_PAGEOBJECT);
  auto cap = reinterpret_cast<GetStyle>(ResolveEngineSymbol("FPDFPageObj_GetLineCap"));
  auto join = reinterpret_cast<GetStyle>(ResolveEngineSymbol("FPDFPageObj_GetLineJoin"));
  ASSERT_TRUE(cap != nullptr && join != nullptr);
  FPDF_PAGEOBJECT curve = AddFreehandCurve(CurrentScreenMapping(), {Screen(100, 100), Screen(150, 160), Screen(220, 150)}, PenStyle{});
  ASSERT_NE(curve, nullptr);
  EXPECT_EQ(cap(curve), 1);
  EXPECT_EQ(join(curve), 1);
  SaveAndReopen("curve.pdf");
  FPDF_PAGEOBJECT reloaded = Objects().at(0);
  EXPECT_EQ(cap(reloaded), 1);
  EXPECT_EQ(join(reloaded), 1);
  // On a page turned upside down the curve still runs from where the stroke began.
  PagePoint first;
  g_engine.FPDFPathSegment_GetPoint(g_engine.FPDFPath_GetPathSegment(reloaded, 0), &first.x, &first.y);
  EXPECT_NEAR(first.x, 100, 1.5);
  EXPECT_NEAR(first.y, 100, 1.5);
}

}  // namespace

namespace {

// Page work takes the mapping it is handed, not the window's: a triangle drawn with a mapping
// of its own (the page shown elsewhere and turned) lands where that mapping puts it.
TEST_F(ShapesTest, AShapeLandsWhereTheMappingItIsHandedPutsIt) {
  ShowPage();
  ScreenMapping elsewhere;
  elsewhere.frame = PageFrame{0, 0, 595, 842, 1};  // as if shown turned a quarter
  elsewhere.pageRect = IntRect{1000, 1000, 1000 + 842, 1000 + 595};
  ScreenPoint a{1100, 1100}, b{1300, 1400};
  ShapeAdd triangle = AddGeometryShape(CurrentOps(), g_session.currentPage, elsewhere, GeometryKind::Triangle, a, b,
                                       PenStyle{});
  ASSERT_EQ(triangle.result, kShapeAdded);
  auto outline = BuildOutline(GeometryKind::Triangle, a, b);
  ASSERT_TRUE(outline.has_value());
  for (int i = 0; i < 3; ++i) {
    auto expected = MapToPage(elsewhere, float(outline->points[size_t(i)].x), float(outline->points[size_t(i)].y));
    ASSERT_TRUE(expected.has_value());
    PagePoint drawn = SegmentPoint(triangle.object, i);
    EXPECT_NEAR(drawn.x, expected->x, 1e-3) << i;
    EXPECT_NEAR(drawn.y, expected->y, 1e-3) << i;
  }
  // The apex is at the top on that screen: on a page turned a quarter that is its left edge.
  EXPECT_LT(SegmentPoint(triangle.object, 0).x, SegmentPoint(triangle.object, 1).x);
}

}  // namespace
