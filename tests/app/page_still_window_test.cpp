// The page stays where it is under the pointer when a panel opens beside it, and shapes
// dragged past the page's edge end on the page shown.
#include <gtest/gtest.h>

#include <QMouseEvent>
#include <cmath>

#include "app/editing_test_fixture.h"
#include "drawing/geometry_edits.h"
#include "editing/selection.h"
#include "engine/page_box.h"
#include "view/page_view.h"
#include "view/tool_state.h"

namespace {

class PageStillWindowTest : public EditingWindowTest {
 protected:
  void Send(QEvent::Type type, QPoint at) {
    Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, Canvas()->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(Canvas(), &event);
    QApplication::processEvents();
    Canvas()->repaint();  // the view is laid out again between the events, as on screen
  }
  // Every vertex of the path lies in the displayed box (within a tenth of a point).
  static void ExpectInsideShownBox(FPDF_PAGEOBJECT path, const char* what) {
    PageBox box = DisplayedPageBox(g_session.currentPage);
    int count = g_engine.FPDFPath_CountSegments(path);
    ASSERT_GT(count, 1) << what;
    for (int i = 0; i < count; ++i) {
      float x, y;
      ASSERT_TRUE(g_engine.FPDFPathSegment_GetPoint(g_engine.FPDFPath_GetPathSegment(path, i), &x, &y));
      EXPECT_GE(x, box.left - 0.1f) << what << " point " << i;
      EXPECT_LE(x, box.right + 0.1f) << what << " point " << i;
      EXPECT_GE(y, box.bottom - 0.1f) << what << " point " << i;
      EXPECT_LE(y, box.top + 0.1f) << what << " point " << i;
    }
  }
};

TEST_F(PageStillWindowTest, ADoubleClickLocksAPointWhileThePanelOpensAtFitWidth) {
  RouteCommand(kCmdSegmentTool);
  Drag(At(0.2f, 0.15f), At(0.6f, 0.15f));  // near the top: still in view at fit width
  RouteCommand(kCmdPointTool);
  Click(At(0.4f, 0.15f));
  FPDF_PAGEOBJECT point = Paths().back();
  RouteCommand(kCmdSelectTool);
  Click(At(0.9f, 0.9f));
  RouteCommand(kCmdFitWidth);
  Canvas()->repaint();
  ASSERT_EQ(g_selection.object, nullptr);
  ASSERT_FALSE(g_layout.shapePanelShown) << "the panel is hidden before the double-click";
  ASSERT_GT(g_view.pageRect.Width(), Canvas()->width() - 300) << "fit width";
  PagePoint centre = ReadPointGeometry(point, g_engine)->centre;
  QPoint at = OnScreen(centre);
  IntRect before = g_view.pageRect;

  Send(QEvent::MouseButtonPress, at);
  Send(QEvent::MouseButtonRelease, at);
  ASSERT_NE(g_selection.object, nullptr) << "the first click selects (the segment under the point)";
  ASSERT_TRUE(g_layout.shapePanelShown) << "and opens the panel";
  PagePoint under = OnPage(at);
  EXPECT_NEAR(under.x, centre.x, 1) << "the page did not move under the pointer";
  EXPECT_NEAR(under.y, centre.y, 1);
  EXPECT_EQ(g_view.pageRect.left, before.left);
  EXPECT_EQ(g_view.pageRect.top, before.top);
  Send(QEvent::MouseButtonPress, at);
  Send(QEvent::MouseButtonDblClick, at);
  Send(QEvent::MouseButtonRelease, at);
  ASSERT_TRUE(g_pointLock.has_value());
  EXPECT_EQ(g_pointLock->point, point);
  EXPECT_EQ(g_session.statusText, u"点已锁定在线段上；拖动时只能沿该线段移动");

  // Closing the panel leaves the page where it was too.
  Click(At(0.9f, 0.03f));  // empty page in view
  Canvas()->repaint();
  EXPECT_FALSE(g_layout.shapePanelShown);
  EXPECT_EQ(g_view.pageRect.left, before.left);
  EXPECT_EQ(g_view.pageRect.Width(), before.Width());
}

TEST_F(PageStillWindowTest, ShapesDraggedPastTheEdgeOfACroppedTurnedPageEndOnIt) {
  OpenHandMadePage("/MediaBox [0 0 595 842] /CropBox [100 100 495 742] /Rotate 90");
  ASSERT_EQ(PageRotation(), 1);
  const IntRect& page = g_view.pageRect;
  QPoint beyond(page.right + 60, page.bottom + 40);
  RouteCommand(kCmdRectangleTool);
  Drag(At(0.6f, 0.6f), beyond);
  ExpectInsideShownBox(Paths().back(), "rectangle");
  RouteCommand(kCmdTriangleTool);
  Drag(At(0.1f, 0.3f), QPoint(page.left - 80, page.top - 50));
  ExpectInsideShownBox(Paths().back(), "triangle");
  RouteCommand(kCmdArrowTool);
  Drag(At(0.5f, 0.2f), QPoint(page.right + 200, page.top + 30));
  auto arrow = RecogniseStraightSegment(Paths().back(), g_engine, CurrentScreenMapping());
  ASSERT_TRUE(arrow && arrow->arrow);
  EXPECT_LE(arrow->screenEnd.x, page.right) << "the tip stops at the page's right edge on screen";
  PageBox box = DisplayedPageBox(g_session.currentPage);
  EXPECT_LE(arrow->end.y, box.top + 0.1f) << "which on this turned page is its top";
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
}

}  // namespace
