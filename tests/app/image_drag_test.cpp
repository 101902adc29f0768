// Moving, turning and resizing the selected image with the mouse, and the rotation field, on
// pages turned by /Rotate and cropped away from the origin. Assertions are about what the
// user sees on screen: a mirrored or turned-the-wrong-way result fails.
#include <QCursor>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

#include "app/image_test_fixture.h"
#include "editing/image_commands.h"
#include "widgets/image_panel.h"

namespace {

constexpr const char* kTurnedCropped[] = {
    "/MediaBox [0 0 595 842] /CropBox [100 100 500 700]",
    "/MediaBox [0 0 595 842] /CropBox [100 100 500 700] /Rotate 90",
    "/MediaBox [0 0 595 842] /CropBox [100 100 500 700] /Rotate 180",
    "/MediaBox [0 0 595 842] /CropBox [100 100 500 700] /Rotate 270",
};

class ImageDragTest : public ImageWindowTest {
 protected:
  void SetUp() override {
    ImageWindowTest::SetUp();
    ASSERT_TRUE(WritePicture(WorkPath("photo.jpg"), 64, 48, "JPG"));
  }
  // A page with one inserted, selected image in the edit tool.
  FPDF_PAGEOBJECT PageWithImage(const std::string& entries) {
    Open(entries);
    InsertByClick(WorkPath("photo.jpg"), At(0.45f, 0.55f));
    EXPECT_EQ(Images().size(), 1u) << RecordedBoxesText();
    Canvas()->repaint();
    return Images().empty() ? nullptr : Images()[0];
  }
  static QPoint P(QPointF p) { return p.toPoint(); }
  static double Length(QPointF v) { return std::hypot(v.x(), v.y()); }
};

TEST_F(ImageDragTest, AMoveFollowsThePointerOnEveryTurnOfTheCroppedPage) {
  for (int turn = 0; turn < 4; ++turn) {
    SCOPED_TRACE(kTurnedCropped[turn]);
    FPDF_PAGEOBJECT image = PageWithImage(kTurnedCropped[turn]);
    ASSERT_NE(image, nullptr);
    size_t steps = Steps();
    QPointF before = Screen(image, 0.5, 0.5), corner = Screen(image, 0, 0);
    Drag(P(before), P(before) + QPoint(40, 25), 6);
    QPointF after = Screen(image, 0.5, 0.5);
    EXPECT_NEAR(after.x() - before.x(), 40, 1.5) << "right stays right";
    EXPECT_NEAR(after.y() - before.y(), 25, 1.5) << "down stays down";
    EXPECT_NEAR(Screen(image, 0, 0).x() - corner.x(), 40, 1.5) << "moved, not turned";
    EXPECT_EQ(Steps(), steps + 1) << "one drag, one undo step";
    EXPECT_EQ(g_session.statusText, u"图片位置已更新");
    EXPECT_TRUE(g_session.modified);
    EXPECT_EQ(g_selection.selectedImage, image);
  }
}

TEST_F(ImageDragTest, TheRotateHandleStandsAboveAndTurnsThePictureAboutItsCentreAsDragged) {
  for (int turn = 0; turn < 4; ++turn) {
    SCOPED_TRACE(kTurnedCropped[turn]);
    FPDF_PAGEOBJECT image = PageWithImage(kTurnedCropped[turn]);
    ASSERT_NE(image, nullptr);
    QPointF centre = Screen(image, 0.5, 0.5), top = Screen(image, 0.5, 1);
    ImageHandlePoints h = HandlePointsOf(CurrentPageFrame(), Matrix(image));
    ASSERT_TRUE(h.rotate);
    EXPECT_NEAR(h.rotate->x, top.x(), 1);
    EXPECT_NEAR(top.y() - h.rotate->y, 20, 1) << "20 pixels above the top edge";
    double radius = centre.y() - h.rotate->y;
    // A quarter turn clockwise on screen: the handle goes from above the centre to its right.
    QPoint start(int(std::lround(h.rotate->x)), int(std::lround(h.rotate->y)));
    QPoint end = P(centre + QPointF(radius, 0));
    size_t steps = Steps();
    Drag(start, end, 8);
    QPointF newCentre = Screen(image, 0.5, 0.5), newTop = Screen(image, 0.5, 1);
    EXPECT_NEAR(newCentre.x(), centre.x(), 1.5) << "turned about its centre";
    EXPECT_NEAR(newCentre.y(), centre.y(), 1.5);
    EXPECT_GT(newTop.x() - newCentre.x(), 0.9 * Length(top - centre)) << "its top now points right";
    EXPECT_NEAR(newTop.y(), newCentre.y(), 2);
    EXPECT_EQ(g_session.statusText, u"图片旋转已更新");
    EXPECT_EQ(Steps(), steps + 1);
    if (turn == 1) Screenshot("image-turned-on-turned-page");
  }
}

TEST_F(ImageDragTest, EdgesResizeOneSideAndNeverMirror) {
  for (int turn = 0; turn < 4; ++turn) {
    SCOPED_TRACE(kTurnedCropped[turn]);
    FPDF_PAGEOBJECT image = PageWithImage(kTurnedCropped[turn]);
    ASSERT_NE(image, nullptr);
    QPointF left = Screen(image, 0, 0.5), right = Screen(image, 1, 0.5), top = Screen(image, 0.5, 1),
            bottom = Screen(image, 0.5, 0);
    Drag(P(right), P(right) + QPoint(30, 0), 5);
    EXPECT_NEAR(Screen(image, 1, 0.5).x() - right.x(), 30, 1.5) << "the right edge follows";
    EXPECT_NEAR(Screen(image, 0, 0.5).x(), left.x(), 1) << "the left edge stays";
    EXPECT_NEAR(Screen(image, 0.5, 1).y() - Screen(image, 0.5, 0).y(), top.y() - bottom.y(), 1) << "height kept";
    EXPECT_EQ(g_session.statusText, u"图片大小已更新");
    top = Screen(image, 0.5, 1);  // the middle of the top edge moved with the right edge
    bottom = Screen(image, 0.5, 0);
    Drag(P(top), P(top) + QPoint(0, -20), 5);
    EXPECT_NEAR(Screen(image, 0.5, 1).y() - top.y(), -20, 1.5) << "the top edge goes up";
    EXPECT_NEAR(Screen(image, 0.5, 0).y(), bottom.y(), 1) << "the bottom stays";
    // The left edge dragged far past the right one: the picture stops at 2 pixels wide.
    right = Screen(image, 1, 0.5);
    left = Screen(image, 0, 0.5);
    Drag(P(left), P(right) + QPoint(80, 0), 6);
    QPointF newLeft = Screen(image, 0, 0.5), newRight = Screen(image, 1, 0.5);
    EXPECT_LT(newLeft.x(), newRight.x()) << "not mirrored";
    EXPECT_NEAR(newRight.x() - newLeft.x(), 2, 0.6);
    EXPECT_NEAR(newRight.x(), right.x(), 1) << "the right edge stays";
  }
}

TEST_F(ImageDragTest, ATurnedAndShearedPictureIsMovedAndResizedAsSeen) {
  FPDF_PAGEOBJECT image = PageWithImage(kTurnedCropped[3]);
  ASSERT_NE(image, nullptr);
  FS_MATRIX m = Matrix(image);
  // Turned by 30 degrees and sheared.
  ASSERT_TRUE(g_engine.FPDFImageObj_SetMatrix(image, 100 * 0.866, 100 * 0.5, -80 * 0.5 + 30, 80 * 0.866, m.e, m.f));
  InvalidateRender(true);
  Canvas()->repaint();
  QPointF centre = Screen(image, 0.5, 0.5);
  Drag(P(centre), P(centre) + QPoint(-30, 20), 5);
  EXPECT_NEAR(Screen(image, 0.5, 0.5).x() - centre.x(), -30, 1.5);
  EXPECT_NEAR(Screen(image, 0.5, 0.5).y() - centre.y(), 20, 1.5);
  // The right edge dragged outwards along its own axis grows the picture along that axis.
  QPointF left = Screen(image, 0, 0.5), right = Screen(image, 1, 0.5);
  QPointF axis = (right - left) / Length(right - left);
  Drag(P(right), P(right + 25 * axis), 5);
  EXPECT_NEAR(Length(Screen(image, 1, 0.5) - left), Length(right - left) + 25, 2);
  EXPECT_NEAR(Screen(image, 0, 0.5).x(), left.x(), 1);
  EXPECT_NEAR(Screen(image, 0, 0.5).y(), left.y(), 1);
}

// The engine refuses the matrix part-way through a drag: the picture goes back.
int g_setMatrixCalls = 0;
FPDF_BOOL (*g_realSetMatrix)(FPDF_PAGEOBJECT, double, double, double, double, double, double) = nullptr;
FPDF_BOOL SetMatrixFailingLater(FPDF_PAGEOBJECT o, double a, double b, double c, double d, double e, double f) {
  if (++g_setMatrixCalls == 3) return 0;
  return g_realSetMatrix(o, a, b, c, d, e, f);
}

TEST_F(ImageDragTest, ARefusedStepPutsThePictureBackAndLeavesNoUndoStep) {
  FPDF_PAGEOBJECT image = PageWithImage(kTurnedCropped[1]);
  ASSERT_NE(image, nullptr);
  FS_MATRIX m0 = Matrix(image);
  size_t steps = Steps();
  g_realSetMatrix = g_engine.FPDFImageObj_SetMatrix;
  g_setMatrixCalls = 0;
  g_engine.FPDFImageObj_SetMatrix = SetMatrixFailingLater;
  QPointF centre = Screen(image, 0.5, 0.5);
  Drag(P(centre), P(centre) + QPoint(50, 50), 6);
  g_engine.FPDFImageObj_SetMatrix = g_realSetMatrix;
  EXPECT_GE(g_setMatrixCalls, 3) << "two steps were applied before the refusal";
  ASSERT_FALSE(g_script.boxes.empty());
  EXPECT_EQ(g_script.boxes.back().caption, u"图片编辑失败");
  EXPECT_EQ(g_script.boxes.back().text, u"无法变换所选图片；已撤销本次拖动。");
  FS_MATRIX m = Matrix(image);
  EXPECT_FLOAT_EQ(m.e, m0.e);
  EXPECT_FLOAT_EQ(m.f, m0.f);
  EXPECT_EQ(Steps(), steps);
}

TEST_F(ImageDragTest, TheRotationFieldTurnsToTheTypedAngleAboutTheBoundsCentre) {
  FPDF_PAGEOBJECT image = PageWithImage(kTurnedCropped[0]);
  ASSERT_NE(image, nullptr);
  ImagePanel* panel = CurrentImagePanel();
  ASSERT_NE(panel, nullptr);
  EXPECT_TRUE(panel->isVisible());
  EXPECT_TRUE(panel->angleEdit()->isVisible());
  EXPECT_EQ(panel->angleEdit()->text(), QStringLiteral("0.00"));
  auto box0 = ReadAreaBounds(image);
  ASSERT_TRUE(box0);
  size_t steps = Steps();
  panel->angleEdit()->setText(QStringLiteral("90 "));
  panel->applyButton()->click();
  FS_MATRIX m = Matrix(image);
  EXPECT_NEAR(std::atan2(m.b, m.a) * 180 / M_PI, 90, 0.01) << "a trailing blank is accepted";
  EXPECT_EQ(panel->angleEdit()->text(), QStringLiteral("90.00"));
  EXPECT_EQ(g_session.statusText, u"图片旋转角度已更新");
  EXPECT_EQ(Steps(), steps + 1);
  auto box1 = ReadAreaBounds(image);
  EXPECT_NEAR((box1->left + box1->right) / 2, (box0->left + box0->right) / 2, 0.01);
  EXPECT_NEAR((box1->bottom + box1->top) / 2, (box0->bottom + box0->top) / 2, 0.01);
  EXPECT_NEAR(box1->right - box1->left, box0->top - box0->bottom, 0.1) << "now standing on its side";
  // Counter-clockwise on the page is counter-clockwise on screen: the top points left.
  EXPECT_LT(Screen(image, 0.5, 1).x(), Screen(image, 0.5, 0.5).x() - 10);

  panel->angleEdit()->setText(QStringLiteral("540"));
  panel->applyButton()->click();
  m = Matrix(image);
  EXPECT_LT(m.a, 0);
  EXPECT_NEAR(m.b, 0, 0.01);
  EXPECT_EQ(std::abs(panel->angleEdit()->text().toDouble()), 180.0);

  g_script.boxes.clear();
  panel->angleEdit()->setText(QStringLiteral("9O"));
  panel->applyButton()->click();
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"角度无效");
  EXPECT_EQ(g_script.boxes[0].text, u"请输入有效的旋转角度（度）。");
  EXPECT_EQ(Steps(), steps + 2) << "a refused angle changes nothing";
  Screenshot("image-panel");
}

// The pointer over each handle of the selected image: the canvas shows the cursor of that
// handle's drag. Edge arrows follow the axis as seen: a picture inserted on the turned page
// stands upright on screen, one laid along the page's own axes lies on its side there.
TEST_F(ImageDragTest, EachHandleShowsTheCursorOfItsDragAlongTheAxisSeenOnScreen) {
  auto cursorAt = [this](QPointF at) {
    QPoint p = P(at);
    QCursor::setPos(Canvas()->mapToGlobal(p));
    QMouseEvent move(QEvent::MouseMove, p, Canvas()->mapToGlobal(p), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(Canvas(), &move);
    return Canvas()->cursor().shape();
  };
  for (int turn : {0, 1}) {
    FPDF_PAGEOBJECT image = PageWithImage(kTurnedCropped[turn]);
    ASSERT_NE(image, nullptr);
    for (bool pageAxes : {false, true}) {
      SCOPED_TRACE(std::string(kTurnedCropped[turn]) + (pageAxes ? ", page axes" : ", upright as inserted"));
      if (pageAxes) {
        PagePoint centre = UnitToPage(Matrix(image), 0.5, 0.5);
        ASSERT_TRUE(g_engine.FPDFImageObj_SetMatrix(image, 120, 0, 0, 90, centre.x - 60, centre.y - 45));
        InvalidateRender(true);
        Canvas()->repaint();
      }
      QPointF centre = Screen(image, 0.5, 0.5), left = Screen(image, 0, 0.5), top = Screen(image, 0.5, 1);
      bool sideways = pageAxes && turn == 1;
      ASSERT_EQ(std::fabs(left.y() - centre.y()) > std::fabs(left.x() - centre.x()), sideways)
          << "the left edge handle shows above or below the centre only on its side";
      Qt::CursorShape acrossEdges = sideways ? Qt::SizeVerCursor : Qt::SizeHorCursor;
      Qt::CursorShape alongEdges = sideways ? Qt::SizeHorCursor : Qt::SizeVerCursor;
      EXPECT_EQ(cursorAt(left), acrossEdges) << "left";
      EXPECT_EQ(cursorAt(Screen(image, 1, 0.5)), acrossEdges) << "right";
      EXPECT_EQ(cursorAt(top), alongEdges) << "top";
      EXPECT_EQ(cursorAt(Screen(image, 0.5, 0) + QPointF(3, -3)), alongEdges) << "bottom, within reach";
      QPointF up = (top - centre) / Length(top - centre);
      EXPECT_EQ(cursorAt(top + 20 * up), Qt::CrossCursor) << "rotate";
      EXPECT_EQ(cursorAt((centre + Screen(image, 0, 0)) / 2), Qt::SizeAllCursor) << "on the picture";
      EXPECT_EQ(cursorAt(centre + 2 * (left - centre)), Qt::SizeAllCursor) << "off the picture, still selected";
      if (sideways) Screenshot("image-handles-on-turned-page");
    }
  }
  ClearDrawnSelection();
  EXPECT_EQ(cursorAt(Screen(Images()[0], 0, 0.5)), Qt::CrossCursor) << "nothing selected";
}

}  // namespace
