// A watermark run over many pages goes page by page between turns of the event loop, with the
// progress box up: 取消 part-way leaves the document as it was (its saved copy the same bytes), and
// a finished run is one undo step, also the second and third run on the same document.
#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/command_router.h"
#include "app/gui_test.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "engine/engine_handles.h"
#include "engine/engine_table.h"
#include "platform/text_encoding.h"
#include "view/command_ids.h"
#include "widgets/qt_platform.h"

namespace {

class WatermarkProgressTest : public GuiTest {
 protected:
  void StartWithPages(int pages) {
    WriteTestPdf(WorkPath("handout.pdf"), std::vector<PageSpec>(size_t(pages)));
    StartWindow({QString::fromStdString(WorkPath("handout.pdf"))});
    ASSERT_EQ(g_session.pageCount, pages);
    g_platform.sliceMs = 0;  // a page per turn of the loop, so 取消 lands part-way
  }

  void AnswerWatermarkText() {
    TextDialogRequest answer;
    answer.watermark = true;
    answer.text = u"内部资料";
    answer.size = 60;
    g_script.textAnswers.push_back(answer);
  }

  std::string SaveCopy(const std::string& name) {
    g_script.dialogAnswers.push_back(WorkPath16(name));
    RouteCommand(kCmdSaveCopy);
    return ReadBytes(WorkPath(name));
  }

  // The document comes back from the snapshot taken before the run; writing that snapshot gave
  // the file a new second identifier in its trailer, as every undo step does. Everything else
  // must be the same bytes.
  static std::string WithoutSecondFileId(std::string bytes) {
    size_t id = bytes.rfind("/ID[<");
    size_t second = id == std::string::npos ? id : bytes.find("><", id);
    size_t end = second == std::string::npos ? second : bytes.find('>', second + 2);
    if (end != std::string::npos) bytes.replace(second + 2, end - second - 2, end - second - 2, '0');
    return bytes;
  }

  std::vector<int> ObjectCountsOfFile(const std::string& name) {
    ScopedDocument document(g_engine.FPDF_LoadDocument(WorkPath(name).c_str(), nullptr));
    std::vector<int> counts;
    for (int i = 0; document != nullptr && i < g_engine.FPDF_GetPageCount(document.get()); ++i) {
      counts.push_back(ObjectCountOnPage(document.get(), i));
    }
    return counts;
  }

  std::vector<int> ObjectCounts() {
    std::vector<int> counts;
    for (int i = 0; i < g_session.pageCount; ++i) counts.push_back(ObjectCountOnPage(g_session.document, i));
    return counts;
  }
};

TEST_F(WatermarkProgressTest, CancelPartWayLeavesTheDocumentAndItsSavedCopyAsTheyWereAndCountsPages) {
  StartWithPages(8);
  std::string before = SaveCopy("before.pdf");
  ASSERT_FALSE(before.empty());
  size_t undoBefore = g_history.undo.size();

  // 取消 after three pages were done: those pages already held the watermark then.
  int watermarkedAtCancel = 0;
  g_script.cancelWhen = [&] {
    if (g_script.busyProgress.size() < 4) return false;
    for (int i = 0; i < 8; ++i) watermarkedAtCancel += ObjectCountOnPage(g_session.document, i) == 2;
    return true;
  };
  AnswerWatermarkText();
  RouteCommand(kCmdAddWatermark);
  EXPECT_EQ(watermarkedAtCancel, 3);
  ASSERT_GE(g_script.busyProgress.size(), 4u);
  EXPECT_EQ(g_script.busyProgress[0], u"正在添加水印… 0 / 8 页");
  EXPECT_EQ(g_script.busyProgress[3], u"正在添加水印… 3 / 8 页");
  EXPECT_FALSE(g_script.busyShown);
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  EXPECT_TRUE(StatusLine().contains(QStringLiteral("已取消添加水印，文档未改变"))) << StatusLine().toStdString();
  EXPECT_EQ(ObjectCounts(), std::vector<int>(8, 1));
  EXPECT_EQ(g_history.undo.size(), undoBefore);  // nothing to undo
  EXPECT_FALSE(g_session.modified);
  EXPECT_EQ(WithoutSecondFileId(SaveCopy("after-cancel.pdf")), WithoutSecondFileId(before));

  // The same for removing: two runs are on the pages, 取消 on the fifth page keeps both.
  g_script.cancelWhen = nullptr;
  AnswerWatermarkText();
  RouteCommand(kCmdAddWatermark);
  AnswerWatermarkText();
  RouteCommand(kCmdAddWatermark);
  ASSERT_EQ(ObjectCounts(), std::vector<int>(8, 3));
  SaveCopy("marked.pdf");
  size_t undoMarked = g_history.undo.size();
  g_script.busyProgress.clear();
  g_script.cancelWhen = [] { return g_script.busyProgress.size() == 5; };
  RouteCommand(kCmdRemoveWatermark);
  EXPECT_EQ(g_script.busyProgress[4], u"正在删除水印… 4 / 8 页");
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  EXPECT_TRUE(StatusLine().contains(QStringLiteral("已取消删除水印，文档未改变"))) << StatusLine().toStdString();
  EXPECT_EQ(ObjectCounts(), std::vector<int>(8, 3));
  EXPECT_EQ(g_history.undo.size(), undoMarked);
  // Both runs' objects are still in the saved copy, on every page.
  SaveCopy("after-cancelled-removal.pdf");
  EXPECT_EQ(ObjectCountsOfFile("after-cancelled-removal.pdf"), ObjectCountsOfFile("marked.pdf"));
  EXPECT_EQ(ObjectCountsOfFile("after-cancelled-removal.pdf"), std::vector<int>(8, 3));
}

TEST_F(WatermarkProgressTest, EachFinishedRunIsOneUndoStepAlsoTheSecondAndTheRemoval) {
  StartWithPages(6);
  AnswerWatermarkText();
  RouteCommand(kCmdAddWatermark);
  EXPECT_TRUE(StatusLine().contains(QStringLiteral("已在 6 页添加半透明水印"))) << StatusLine().toStdString();
  EXPECT_EQ(g_script.busyProgress.back(), u"正在添加水印… 6 / 6 页");
  EXPECT_EQ(g_history.undo.size(), 1u);
  AnswerWatermarkText();
  RouteCommand(kCmdAddWatermark);
  EXPECT_EQ(g_history.undo.size(), 2u);
  EXPECT_EQ(ObjectCounts(), std::vector<int>(6, 3));

  RouteCommand(kCmdRemoveWatermark);
  EXPECT_TRUE(StatusLine().contains(QStringLiteral("已删除 12 个水印对象"))) << StatusLine().toStdString();
  EXPECT_EQ(g_script.busyProgress.back(), u"正在删除水印… 6 / 6 页");
  EXPECT_EQ(g_history.undo.size(), 3u);
  EXPECT_EQ(ObjectCounts(), std::vector<int>(6, 1));
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();

  // Each step back takes back one whole run.
  RouteCommand(kCmdUndo);
  EXPECT_EQ(ObjectCounts(), std::vector<int>(6, 3));
  RouteCommand(kCmdUndo);
  EXPECT_EQ(ObjectCounts(), std::vector<int>(6, 2));
  RouteCommand(kCmdUndo);
  EXPECT_EQ(ObjectCounts(), std::vector<int>(6, 1));
  RouteCommand(kCmdRemoveWatermark);  // nothing left: the information box, no undo step
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"删除水印");
  EXPECT_EQ(g_history.undo.size(), 0u);
}

TEST_F(WatermarkProgressTest, TheProgressBoxCountsPagesAndItsCancelButtonStopsTheRun) {
  StartWithPages(40);
  InstallQtBusyBox();
  std::vector<QString> labels;
  bool clicked = false, windowBlocked = false;
  QTimer watcher;
  watcher.setInterval(0);
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
    if (box == nullptr || clicked) return;
    if (labels.empty() || labels.back() != box->labelText()) labels.push_back(box->labelText());
    if (box->value() < 5) return;
    windowBlocked = box->windowModality() == Qt::ApplicationModal && box->isVisible();
    box->grab().save(QStringLiteral(CORVAN_ARTEFACTS "/watermark-progress-box.png"));
    for (QPushButton* button : box->findChildren<QPushButton*>()) {
      if (button->text() == QStringLiteral("取消")) {
        QTest::mouseClick(button, Qt::LeftButton);
        clicked = true;
      }
    }
  });
  watcher.start();
  AnswerWatermarkText();
  RouteCommand(kCmdAddWatermark);
  watcher.stop();
  ASSERT_TRUE(clicked);
  EXPECT_TRUE(windowBlocked);
  ASSERT_GE(labels.size(), 2u);
  EXPECT_EQ(labels.front(), QStringLiteral("正在添加水印… 0 / 40 页"));
  for (const QString& label : labels) {
    EXPECT_TRUE(label.startsWith(QStringLiteral("正在添加水印… ")) && label.endsWith(QStringLiteral(" / 40 页")))
        << label.toStdString();
  }
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(StatusLine().contains(QStringLiteral("已取消添加水印，文档未改变"))) << StatusLine().toStdString();
  EXPECT_EQ(ObjectCounts(), std::vector<int>(40, 1));
  EXPECT_TRUE(g_history.undo.empty());
}

}  // namespace
