// A rectangle's side names (a1-b1 …) keep naming the same sides on screen after its page was
// read again or the document saved and reopened, on pages turned every way.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <cmath>
#include <string>

#include "app/editing_test_fixture.h"
#include "drawing/geometry_edits.h"
#include "editing/selection.h"
#include "editing/shape_panel_model.h"
#include "support/pdf_fixtures.h"
#include "widgets/shape_panel.h"

namespace {

class RectangleSidesTurnedTest : public EditingWindowTest, public ::testing::WithParamInterface<int> {
 protected:
  void OpenTurned() {
    std::string entries = "/MediaBox [0 0 595 842] /Rotate " + std::to_string(GetParam());
    WritePdfObjects(WorkPath("turned.pdf"),
                    {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>",
                     "<< /Type /Page /Parent 2 0 R " + entries + " >>", "<< /Type /Page /Parent 2 0 R " + entries + " >>"});
    OpenOrFail(WorkPath("turned.pdf"));
    RouteCommand(kCmdFitPage);
    Canvas()->repaint();
  }
  // The rectangle's corners on screen, as its handles show them.
  static std::array<QPoint, 4> Corners() {
    auto v = RectangleVertices(g_selection.object, g_engine, CurrentPageFrame());
    EXPECT_TRUE(v);
    std::array<QPoint, 4> corners;
    for (size_t i = 0; v && i < 4; ++i) corners[i] = OnScreen((*v)[i]);
    return corners;
  }
  FPDF_PAGEOBJECT OnlyRectangle() const {
    for (FPDF_PAGEOBJECT path : Paths()) {
      if (RectangleVertices(path, g_engine, CurrentPageFrame())) return path;
    }
    return nullptr;
  }
  // Selects the rectangle by its top side and sets the side a1-b1 to 5 cm through the panel.
  void SelectAndSetTopSide(QPoint topMiddle) {
    RouteCommand(kCmdSelectTool);
    Click(topMiddle);
    ASSERT_EQ(g_selection.object, OnlyRectangle());
    auto rows = SelectedSideRows();
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->names[0], u"a1-b1");
    std::array<QPoint, 4> before = Corners();
    EXPECT_LT(before[0].x(), before[1].x()) << "a1 is top-left, b1 top-right";
    EXPECT_NEAR(before[0].y(), before[1].y(), 1);
    ShapePanel* panel = CurrentShapePanel();
    panel->BeginSideEdit(0);
    panel->sideEdit()->selectAll();
    QTest::keyClicks(panel->sideEdit(), QStringLiteral("5"));
    QTest::keyClick(panel->sideEdit(), Qt::Key_Return);
    ASSERT_EQ(g_session.statusText, u"矩形边长已更新") << RecordedBoxesText();
    std::array<QPoint, 4> after = Corners();
    EXPECT_NEAR(after[0].x(), before[0].x(), 1) << "a1 stays";
    EXPECT_NEAR(after[0].y(), before[0].y(), 1);
    EXPECT_NEAR(after[1].y(), before[1].y(), 1) << "b1 moves along the top side only";
    EXPECT_NEAR(after[3].x(), before[3].x(), 1) << "d1 stays";
    auto sides = RectangleSides(g_selection.object, g_engine, CurrentPageFrame());
    ASSERT_TRUE(sides);
    EXPECT_NEAR((*sides)[0], 5, 0.01);
  }
  QPoint topMiddle_;
  void Draw() {
    RouteCommand(kCmdRectangleTool);
    Drag(At(0.3f, 0.3f), At(0.6f, 0.5f));
    topMiddle_ = At(0.45f, 0.3f);
  }
};

TEST_P(RectangleSidesTurnedTest, SideNamesHoldAfterThePageIsReadAgain) {
  OpenTurned();
  Draw();
  RouteCommand(kCmdNextPage);
  RouteCommand(kCmdPreviousPage);
  Canvas()->repaint();
  SelectAndSetTopSide(topMiddle_);
}

TEST_P(RectangleSidesTurnedTest, SideNamesHoldAfterSavingAndReopening) {
  OpenTurned();
  Draw();
  ASSERT_TRUE(SaveDocumentToPath(g_session.document, WorkPath("saved.pdf")));
  g_script.answers.push_back(MessageAnswer::No);  // the drawing is in the saved copy
  OpenOrFail(WorkPath("saved.pdf"));
  RouteCommand(kCmdFitPage);
  Canvas()->repaint();
  SelectAndSetTopSide(topMiddle_);
}

INSTANTIATE_TEST_SUITE_P(EveryTurn, RectangleSidesTurnedTest, ::testing::Values(0, 90, 180, 270));

}  // namespace
