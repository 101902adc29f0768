// Undo from the keyboard at any moment: the zoom stays as it is when the shape panel goes with
// an undo, and Ctrl+Z/Ctrl+Y answer after a first-step Delete and with the page box focused.
#include <gtest/gtest.h>

#include <QLineEdit>

#include "app/own_ink_test_page.h"
#include "editing/selection.h"
#include "view/tool_state.h"
#include "widgets/page_number_controls.h"

namespace {

// A pen stroke as a saved copy carries it: opening the file leaves no undo step.
constexpr const char* kSavedStroke =
    "/PDFEditorInk_00001234_0000000000001000_00000001 BMC 0.902 0.137 0.137 RG 2 w 100 150 m 150 170 l 200 150 l "
    "250 170 l S EMC\n";

class UndoKeysTest : public OwnInkWindowTest {
 protected:
  static double PixelsPerPoint() { return double(g_view.pageRect.Width()) / g_session.pageWidth; }
  void CtrlKey(QWidget* target, Qt::Key key) {
    QTest::keyClick(target, key, Qt::ControlModifier);
    QApplication::processEvents();
  }
};

TEST_F(UndoKeysTest, UndoAndRedoWithTheShapePanelOpenKeepThePixelsPerPoint) {
  OpenFigurePage();
  Menu(QStringLiteral("线段"));
  Drag(OnScreen(60, 200), OnScreen(250, 200));
  Menu(QStringLiteral("选择工具"));
  Canvas()->repaint();
  double before = PixelsPerPoint();
  Click(OnScreen(150, 200));
  ASSERT_NE(g_selection.object, nullptr);
  ASSERT_TRUE(g_layout.shapePanelShown);
  Canvas()->repaint();
  EXPECT_NEAR(PixelsPerPoint(), before, before * 0.005) << "the panel opens without zooming";
  Canvas()->setFocus();
  CtrlKey(Canvas(), Qt::Key_Z);
  Canvas()->repaint();
  EXPECT_EQ(CurrentObjectCount(), 9) << "the segment and its labels are undone";
  EXPECT_FALSE(g_layout.shapePanelShown);
  EXPECT_NEAR(PixelsPerPoint(), before, before * 0.005);
  CtrlKey(Canvas(), Qt::Key_Y);
  Canvas()->repaint();
  EXPECT_EQ(CurrentObjectCount(), 12);
  EXPECT_NEAR(PixelsPerPoint(), before, before * 0.005);
  // Selected again and undone again: still the same size.
  Click(OnScreen(150, 200));
  ASSERT_TRUE(g_layout.shapePanelShown);
  CtrlKey(Canvas(), Qt::Key_Z);
  Canvas()->repaint();
  EXPECT_NEAR(PixelsPerPoint(), before, before * 0.005);
}

TEST_F(UndoKeysTest, ADeleteAsTheFirstStepIsUndoneByCtrlZAndRedoneByCtrlY) {
  OpenFigurePage(kSavedStroke);
  ASSERT_TRUE(g_history.undo.empty());
  EXPECT_FALSE(window_->action(kCmdUndo)->isEnabled());
  Menu(QStringLiteral("选择工具"));
  Click(OnScreen(125, 160));
  ASSERT_NE(g_selection.object, nullptr);
  ASSERT_TRUE(g_history.undo.empty()) << "selecting the stroke changed nothing";
  Canvas()->setFocus();
  QTest::keyClick(Canvas(), Qt::Key_Delete);
  QApplication::processEvents();
  ASSERT_EQ(CurrentObjectCount(), 9);
  EXPECT_TRUE(window_->action(kCmdUndo)->isEnabled()) << "the shortcut follows the record made by the key";
  CtrlKey(Canvas(), Qt::Key_Z);
  EXPECT_EQ(CurrentObjectCount(), 10);
  EXPECT_FALSE(window_->action(kCmdUndo)->isEnabled());
  EXPECT_TRUE(window_->action(kCmdRedo)->isEnabled());
  CtrlKey(Canvas(), Qt::Key_Y);
  EXPECT_EQ(CurrentObjectCount(), 9);
}

TEST_F(UndoKeysTest, WithTheFocusLeftInThePageBoxTheShortcutsReachTheDocument) {
  OpenFigurePage();
  Menu(QStringLiteral("线段"));
  Drag(OnScreen(60, 200), OnScreen(250, 200));
  ASSERT_EQ(CurrentObjectCount(), 12);
  QLineEdit* box = Canvas()->pageControls()->pageEdit();
  box->setFocus();
  QApplication::processEvents();
  box->selectAll();
  QTest::keyClicks(box, "1");
  QTest::keyClick(box, Qt::Key_Return);
  QApplication::processEvents();
  // The typing is undone first, then the document.
  for (int i = 0; i < 3 && CurrentObjectCount() == 12; ++i) CtrlKey(box, Qt::Key_Z);
  EXPECT_EQ(CurrentObjectCount(), 9);
  EXPECT_TRUE(window_->action(kCmdRedo)->isEnabled());
  for (int i = 0; i < 3 && CurrentObjectCount() == 9; ++i) CtrlKey(box, Qt::Key_Y);
  EXPECT_EQ(CurrentObjectCount(), 12);
}

}  // namespace
