// The on-screen keyboard's window on a real X server (run under xvfb-run): a stand-in
// keyboard window of the class "onboard" (xmessage named so) is found with its real size,
// unmapped and shown again, and moved beside a text input by the placement rules.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <QTest>

#include "view/keyboard_placement.h"
#include "widgets/keyboard_window_x11.h"
#include "widgets/on_screen_keyboard.h"

namespace {

class KeyboardX11Test : public ::testing::Test {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != QStringLiteral("xcb")) GTEST_SKIP() << "needs an X server";
    keyboard_.start(QStringLiteral("xmessage"),
                    {QStringLiteral("-name"), QStringLiteral("onboard"), QStringLiteral("-geometry"),
                     QStringLiteral("500x180+10+10"), QStringLiteral("键盘")});
    ASSERT_TRUE(keyboard_.waitForStarted(5000));
    system_ = X11KeyboardWindows();
    ASSERT_TRUE(QTest::qWaitFor([this] { return Find().shown; }, 5000)) << "the stand-in never appeared";
  }
  void TearDown() override {
    keyboard_.kill();
    keyboard_.waitForFinished(2000);
  }
  KeyboardFrame Find() const {
    KeyboardFrame frame;
    if (!system_.find(frame)) return {};
    return frame;
  }
  QProcess keyboard_;
  KeyboardWindowSystem system_;
};

TEST_F(KeyboardX11Test, TheKeyboardWindowIsFoundByClassWithItsRealSizeAndMoved) {
  KeyboardFrame frame = Find();
  EXPECT_EQ(frame.width, 502);  // xmessage's window has a 1-pixel border
  EXPECT_EQ(frame.height, 182);
  EXPECT_EQ(frame.left, 10);
  EXPECT_EQ(frame.top, 10);
  ASSERT_TRUE(system_.moveTo(300, 420));
  ASSERT_TRUE(QTest::qWaitFor([this] { return Find().left == 300; }, 3000));
  EXPECT_EQ(Find().top, 420);
  EXPECT_EQ(Find().width, 502);  // moved, not resized
}

TEST_F(KeyboardX11Test, AnInputGetsTheOpenKeyboardBesideIt) {
  KeyboardWindowSystem saved = g_keyboardWindows;
  g_keyboardWindows = system_;
  QLineEdit input;
  input.setGeometry(200, 150, 240, 28);
  input.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&input));
  ASSERT_TRUE(ShowOnScreenKeyboard(&input));
  ASSERT_TRUE(QTest::qWaitFor([] { return !KeyboardPlacementPending(); }, 3000));
  QPoint origin = input.mapToGlobal(QPoint(0, 0));
  QRect work = input.screen()->availableGeometry();
  ScreenPoint expected = KeyboardPlacement({origin.x(), origin.y(), origin.x() + input.width(), origin.y() + input.height()},
                                           502, 182, {work.left(), work.top(), work.right() + 1, work.bottom() + 1});
  EXPECT_TRUE(QTest::qWaitFor([&] { return Find().left == expected.x && Find().top == expected.y; }, 3000))
      << Find().left << "," << Find().top << " instead of " << expected.x << "," << expected.y;
  EXPECT_EQ(expected.y, origin.y() + input.height() + 8);  // below the input
  g_keyboardWindows = saved;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
