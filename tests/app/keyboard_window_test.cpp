// The on-screen keyboard beside text entry. The desktop's keyboard window is stood in for by
// a window of the test's own (the offscreen platform has no other programs' windows): found,
// read, shown and moved through the same functions the X11 code fills.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPointingDevice>
#include <QScreen>
#include <QSpontaneKeyEvent>
#include <QTest>

#include "app/command_router.h"
#include "app/gui_test.h"
#include "app/main_window.h"
#include "view/command_ids.h"
#include "view/keyboard_placement.h"
#include "view/page_view.h"
#include "view/tool_state.h"
#include "widgets/on_screen_keyboard.h"
#include "widgets/page_canvas.h"
#include "widgets/page_text_box.h"
#include "widgets/qt_text_dialog.h"
#include "widgets/shape_panel.h"

namespace {

// The stand-in keyboard: a real top-level window of an odd size, absent until started.
QPointer<QWidget> g_keyboard;
int g_starts = 0;
bool g_startShows = true;  // false: the program starts but its window never appears

bool FindStandIn(KeyboardFrame& frame) {
  if (g_keyboard == nullptr) return false;
  QRect r = g_keyboard->geometry();
  frame = {r.x(), r.y(), r.width(), r.height(), g_keyboard->isVisible() && !g_keyboard->isMinimized()};
  return true;
}

bool StartStandIn() {
  ++g_starts;
  g_keyboard = new QWidget(nullptr, Qt::Tool);
  g_keyboard->setGeometry(10, 10, 500, 180);
  if (g_startShows) g_keyboard->show();
  return true;
}

class KeyboardWindowTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    saved_ = g_keyboardWindows;
    g_keyboardWindows.find = FindStandIn;
    g_keyboardWindows.show = [] {
      if (g_keyboard != nullptr) g_keyboard->show();
      return g_keyboard != nullptr;
    };
    g_keyboardWindows.start = StartStandIn;
    g_keyboardWindows.moveTo = [](int x, int y) {
      if (g_keyboard == nullptr) return false;
      g_keyboard->move(x, y);
      return true;
    };
    g_starts = 0;
    g_startShows = true;
    StartWindow();
  }
  void TearDown() override {
    delete g_keyboard.data();
    g_keyboardWindows = saved_;
    GuiTest::TearDown();
  }
  // Waits until the pending placement ended (placed, timed out or stopped).
  void WaitForPlacement(int limitMs = 2000) {
    (void)QTest::qWaitFor([] { return !KeyboardPlacementPending(); }, limitMs);
  }
  QPoint ExpectedPlace(QWidget* target) const {
    QRect work = target->screen()->availableGeometry();
    QPoint origin = target->mapToGlobal(QPoint(0, 0));
    ScreenPoint at = KeyboardPlacement({origin.x(), origin.y(), origin.x() + target->width(), origin.y() + target->height()},
                                       500, 180, {work.left(), work.top(), work.right() + 1, work.bottom() + 1});
    return {at.x, at.y};
  }
  // A left press and release delivered as a touch screen sends them.
  void Touch(QWidget* widget, QPoint at) {
    static QPointingDevice* screen = QTest::createTouchDevice(QInputDevice::DeviceType::TouchScreen);
    QPointF global = widget->mapToGlobal(QPointF(at));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier,
                      screen);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier,
                        screen);
    // Spontaneous, as from the window system: the press moves the focus like a real one.
    QSpontaneKeyEvent::setSpontaneous(&press);
    QSpontaneKeyEvent::setSpontaneous(&release);
    qApp->notify(widget, &press);
    qApp->notify(widget, &release);
    QApplication::processEvents();
  }
  KeyboardWindowSystem saved_;
};

TEST_F(KeyboardWindowTest, TheKeyboardIsStartedOnceThenMovedBesideEachInputByItsRealSize) {
  QWidget* first = Canvas()->findChild<QLineEdit*>();
  ASSERT_NE(first, nullptr);
  ASSERT_TRUE(ShowOnScreenKeyboard(first));
  EXPECT_EQ(g_starts, 1);
  WaitForPlacement();
  EXPECT_EQ(g_keyboard->pos(), ExpectedPlace(first));
  EXPECT_EQ(g_keyboard->size(), QSize(500, 180));  // moved, never resized

  // Already open: moved below the next input, not started again; hidden: shown again.
  QPlainTextEdit second(Canvas());
  second.setGeometry(300, 500, 200, 60);
  second.show();
  g_keyboard->hide();
  ASSERT_TRUE(ShowOnScreenKeyboard(&second));
  EXPECT_TRUE(g_keyboard->isVisible());
  WaitForPlacement();
  EXPECT_EQ(g_starts, 1);
  EXPECT_EQ(g_keyboard->pos(), ExpectedPlace(&second));
  EXPECT_NE(ExpectedPlace(&second), ExpectedPlace(first));
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
}

TEST_F(KeyboardWindowTest, AKeyboardThatNeverAppearsIsReportedAfterEightSeconds) {
  g_startShows = false;
  QWidget* target = Canvas()->findChild<QLineEdit*>();
  ASSERT_TRUE(ShowOnScreenKeyboard(target));
  QTest::qWait(kKeyboardTimeoutMs - 1000);
  EXPECT_TRUE(KeyboardPlacementPending());
  EXPECT_TRUE(g_script.boxes.empty());
  WaitForPlacement(3000);
  ASSERT_EQ(g_script.boxes.size(), 1u) << RecordedBoxesText();
  EXPECT_EQ(g_script.boxes[0].caption, u"软键盘不可用");
  EXPECT_EQ(g_script.boxes[0].text, u"屏幕键盘未能显示。");
  EXPECT_EQ(g_keyboard->pos(), QPoint(10, 10));  // a hidden keyboard is not moved
}

TEST_F(KeyboardWindowTest, TouchOnThePageOpensTheTextBoxWithTheKeyboardAMouseClickDoesNot) {
  RouteCommand(kCmdFitPage);
  Canvas()->repaint();
  RouteCommand(kCmdAddText);
  const IntRect& r = g_view.pageRect;
  Click(QPoint(r.left + 100, r.top + 100));
  ASSERT_NE(TextBoxEditor(), nullptr);
  EXPECT_EQ(g_starts, 0);
  EXPECT_FALSE(KeyboardPlacementPending());
  FinishTextBox(false);
  QApplication::processEvents();

  Touch(Canvas(), QPoint(r.left + 120, r.top + 300));
  ASSERT_NE(TextBoxEditor(), nullptr);
  EXPECT_EQ(g_starts, 1);
  WaitForPlacement();
  EXPECT_EQ(g_keyboard->pos(), ExpectedPlace(TextBoxEditor()));
  FinishTextBox(false);
}

TEST_F(KeyboardWindowTest, TheTextDialogOpenedByTouchBringsTheKeyboardBesideItsTextField) {
  TextDialogRequest request;
  QDialog* dialog = BuildTextDialog(window_, request);
  dialog->show();
  QApplication::processEvents();
  EXPECT_EQ(g_starts, 0) << "opened by mouse: no keyboard";
  delete dialog;

  Touch(Canvas(), QPoint(5, g_layout.clientHeight - 10));  // a touch on the status line
  dialog = BuildTextDialog(window_, request);
  dialog->show();
  QApplication::processEvents();
  EXPECT_EQ(g_starts, 1);
  QWidget* field = dialog->findChild<QWidget*>(kTextDialogTextName);
  WaitForPlacement();
  EXPECT_EQ(g_keyboard->pos(), ExpectedPlace(field));
  delete dialog;
}

TEST_F(KeyboardWindowTest, ClosingTheInputStopsItsPlacement) {
  auto* target = new QLineEdit(Canvas());
  target->show();
  g_startShows = false;
  ASSERT_TRUE(ShowOnScreenKeyboard(target));
  ASSERT_TRUE(KeyboardPlacementPending());
  delete target;
  EXPECT_TRUE(QTest::qWaitFor([] { return !KeyboardPlacementPending(); }, 3 * kKeyboardTickMs));
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
}

TEST_F(KeyboardWindowTest, TheShapePanelsNumberFieldsGetTheKeyboardOnTouch) {
  RouteCommand(kCmdArrowTool);  // the line layout: width and length fields
  QApplication::processEvents();
  ShapePanel* panel = CurrentShapePanel();
  ASSERT_NE(panel, nullptr);
  ASSERT_TRUE(panel->isVisible());
  QLineEdit* field = panel->widthEdit();
  QTest::mouseClick(field, Qt::LeftButton);
  EXPECT_EQ(g_starts, 0);
  Canvas()->setFocus();
  Touch(field, QPoint(5, 5));
  EXPECT_EQ(g_starts, 1);
}

}  // namespace
