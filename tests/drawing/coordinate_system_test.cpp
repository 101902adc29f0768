#include <gtest/gtest.h>

#include <cmath>

#include "document/session.h"
#include "drawing/coordinate_system.h"
#include "drawing/drawing_test.h"
#include "engine/engine_table.h"
#include "view/page_view.h"

namespace {

class CoordinateSystemTest : public DrawingTest {
 protected:
  CoordinateBuild Build() {
    return BuildCoordinateSystem(g_session.currentPage, CurrentOps(), CurrentPageFrame());
  }
  double UnitLength(FPDF_PAGEOBJECT system) {
    auto points = ReadControlPoints(system, CurrentOps());
    return std::hypot(points->unit.x - points->origin.x, points->unit.y - points->origin.y);
  }
};

TEST_F(CoordinateSystemTest, AnA4PageGetsACentimetreGridOfElevenByFifteen) {
  GridMetrics m = ComputeGridMetrics(595.28, 841.89);
  EXPECT_NEAR(m.unit, 28.346457, 1e-6);
  EXPECT_EQ(m.nx, 11);
  EXPECT_EQ(m.ny, 15);
  EXPECT_NEAR(ComputeGridMetrics(8000, 300).unit, 2 * 28.346457, 1e-6);  // beyond 256 cm: whole centimetres
  ShowPage(595.28f, 841.89f);
  CoordinateBuild build = Build();
  ASSERT_EQ(build.result, kGridAdded);
  EXPECT_EQ(FindCoordinateSystem(build.object, CurrentOps()), 11);
  auto points = ReadControlPoints(build.object, CurrentOps());
  ASSERT_TRUE(points.has_value());
  EXPECT_NEAR(points->origin.x, 595.28 / 2, 0.01);
  EXPECT_NEAR(points->origin.y, 841.89 / 2, 0.01);
  EXPECT_NEAR(UnitLength(build.object), 28.346457, 0.01);
}

TEST_F(CoordinateSystemTest, TooSmallPagesAreRefused) {
  ShowPage(90, 300);
  EXPECT_EQ(Build().result, kGridPageTooSmall);
  EXPECT_EQ(g_engine.FPDFPage_CountObjects(g_session.currentPage), 0);
  ShowPage(93, 300);
  EXPECT_EQ(Build().result, kGridAdded);
}

TEST_F(CoordinateSystemTest, TheUnitScalesUpToItsLimit) {
  ShowPage();
  FPDF_PAGEOBJECT system = Build().object;
  ASSERT_EQ(SetUnitLength(system, CurrentOps(), 4900), kUnitChanged);
  EXPECT_NEAR(UnitLength(system), 4900, 0.5);
  EXPECT_EQ(SetUnitLength(system, CurrentOps(), 4900 * 1.2), kUnitChanged);
  EXPECT_NEAR(UnitLength(system), 5000, 0.5);
  EXPECT_EQ(SetUnitLength(system, CurrentOps(), 5000 * 1.2), kUnitAtLimit);
  EXPECT_EQ(SetUnitLength(system, CurrentOps(), 1), kUnitChanged);
  EXPECT_NEAR(UnitLength(system), 2, 0.01);
}

TEST_F(CoordinateSystemTest, DraggingTheOriginMovesTheWholeSystem) {
  ShowPage();
  FPDF_PAGEOBJECT system = Build().object;
  auto before = *ReadControlPoints(system, CurrentOps());
  ScreenPoint origin = Screen(before.origin.x, before.origin.y);
  EXPECT_EQ(HitCoordinateHandle(system, CurrentOps(), CurrentScreenMapping(), origin.x + 7, origin.y - 7), 1);
  ScreenPoint unit = Screen(before.unit.x, before.unit.y);
  EXPECT_EQ(HitCoordinateHandle(system, CurrentOps(), CurrentScreenMapping(), unit.x, unit.y + 8), 2);
  EXPECT_EQ(HitCoordinateHandle(system, CurrentOps(), CurrentScreenMapping(), origin.x, origin.y + 30), 0);
  ScreenPoint last = origin;
  ScreenPoint target = Screen(before.origin.x + 10, before.origin.y + 5);
  bool changed = false;
  ASSERT_TRUE(DragCoordinateHandle(system, CurrentOps(), CurrentScreenMapping(), 1, last, target, changed));
  EXPECT_TRUE(changed);
  auto after = *ReadControlPoints(system, CurrentOps());
  EXPECT_NEAR(after.origin.x - before.origin.x, 10, 1.0);  // a screen pixel is about 0.8 points here
  EXPECT_NEAR(after.origin.y - before.origin.y, 5, 1.0);
  EXPECT_NEAR(UnitLength(system), 28.346457, 0.01);
}

TEST_F(CoordinateSystemTest, ARotatedPageKeepsItsGridCentredAndSurvivesSaving) {
  ShowPage(400, 600, 1);  // displayed 600 × 400
  CoordinateBuild build = Build();
  ASSERT_EQ(build.result, kGridAdded);
  EXPECT_EQ(FindCoordinateSystem(build.object, CurrentOps()), int(std::ceil(600 / (2 * 28.346457))));
  auto points = *ReadControlPoints(build.object, CurrentOps());
  EXPECT_NEAR(points.origin.x, 200, 0.01);  // page space: the centre of the 400 × 600 page
  EXPECT_NEAR(points.origin.y, 300, 0.01);
  // The x axis runs to the right as displayed: up the page's y axis (a quarter turn clockwise
  // shows the page's bottom edge on the left).
  EXPECT_NEAR(points.unit.x, 200, 0.01);
  EXPECT_NEAR(points.unit.y - 300, 28.346457, 0.01);
  MarkModified();
  SaveAndReopen("grid.pdf");
  FPDF_PAGEOBJECT reloaded = g_engine.FPDFPage_GetObject(g_session.currentPage, 0);
  EXPECT_EQ(FindCoordinateSystem(reloaded, CurrentOps()), 11);
  auto again = ReadControlPoints(reloaded, CurrentOps());
  ASSERT_TRUE(again.has_value());
  EXPECT_NEAR(again->origin.x, 200, 0.01);
}

}  // namespace
