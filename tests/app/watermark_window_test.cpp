// The watermark commands through the real window: routed like the menu, one undo step per
// run, the status line, and what the page view shows.
#include <QImage>

#include "app/command_router.h"
#include "app/gui_test.h"
#include "document/open_document.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "platform/text_encoding.h"
#include "view/command_ids.h"

namespace {

class WatermarkWindowTest : public GuiTest {
 protected:
  // Pixels of the translucent grey (neither white paper nor black ink) in the window.
  int GreyPixels(const QImage& shot) {
    int count = 0;
    for (int y = 60; y < shot.height() - 40; y += 2) {
      for (int x = 0; x < shot.width(); x += 2) {
        QColor c = shot.pixelColor(x, y);
        if (c.red() == c.green() && c.green() == c.blue() && c.red() > 170 && c.red() < 235) ++count;
      }
    }
    return count;
  }
};

TEST_F(WatermarkWindowTest, AddingAndRemovingAreUndoableStepsAndShowOnThePage) {
  WriteTestPdf(WorkPath("handout.pdf"), {PageSpec{}, PageSpec{595, 842, 90, 1}, PageSpec{}});
  StartWindow({QString::fromStdString(WorkPath("handout.pdf"))});
  ASSERT_EQ(g_session.pageCount, 3);
  int greyBefore = GreyPixels(Screenshot(QStringLiteral("watermark-before")));

  TextDialogRequest answer;
  answer.watermark = true;
  answer.text = u"内部资料";
  answer.size = 72;
  g_script.textAnswers.push_back(answer);
  RouteCommand(kCmdAddWatermark);
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  EXPECT_TRUE(StatusLine().contains(QStringLiteral("已在 3 页添加半透明水印"))) << StatusLine().toStdString();
  EXPECT_EQ(g_history.undo.size(), 1u);
  int greyAfter = GreyPixels(Screenshot(QStringLiteral("watermark-added")));
  EXPECT_GT(greyAfter, greyBefore + 200);
  RouteCommand(kCmdNextPage);  // the turned page shows it too
  EXPECT_GT(GreyPixels(Screenshot(QStringLiteral("watermark-added-turned-page"))), greyBefore + 200);

  RouteCommand(kCmdUndo);
  EXPECT_EQ(ObjectCountOnPage(g_session.document, 0), 1);
  EXPECT_EQ(ObjectCountOnPage(g_session.document, 2), 1);
  RouteCommand(kCmdRedo);
  EXPECT_EQ(ObjectCountOnPage(g_session.document, 2), 2);

  RouteCommand(kCmdRemoveWatermark);
  EXPECT_TRUE(StatusLine().contains(QStringLiteral("已删除 3 个水印对象"))) << StatusLine().toStdString();
  EXPECT_EQ(g_history.undo.size(), 2u);
  EXPECT_LE(GreyPixels(Screenshot(QStringLiteral("watermark-removed"))), greyBefore + 20);
}

}  // namespace
