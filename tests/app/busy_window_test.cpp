#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <filesystem>

#include "../external/external_test.h"
#include "app/command_router.h"
#include "app/gui_test.h"
#include "app/main_window.h"
#include "document/open_document.h"
#include "document/session.h"
#include "platform/text_encoding.h"
#include "view/command_ids.h"
#include "view/ocr_selection.h"
#include "view/page_view.h"
#include "view/tool_state.h"
#include "widgets/page_canvas.h"
#include "widgets/qt_platform.h"

namespace {

class BusyWindowTest : public GuiTest {};

TEST_F(BusyWindowTest, ProgressBoxBlocksTheWindowAndItsCancelEndsTheChild) {
  StartWindow();
  InstallQtBusyBox();
  std::string fakes = root_ + "/fakes";
  std::filesystem::create_directories(fakes);
  WriteFakeProgram(fakes, "soffice", "/bin/sleep 60");
  SearchPathOverride path(fakes);
  WriteBytes(WorkPath("slow.docx"), "x");

  bool sawBox = false, windowBlocked = false, busyCursor = false;
  QString label;
  QTimer::singleShot(400, [&] {
    auto* box = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    sawBox = true;
    label = box->labelText();
    windowBlocked = box->windowModality() == Qt::ApplicationModal && box->isVisible();
    busyCursor = QApplication::overrideCursor() != nullptr &&
                 QApplication::overrideCursor()->shape() == Qt::BusyCursor;
    Screenshot(QStringLiteral("busy-office-conversion"));
    box->grab().save(QStringLiteral(CORVAN_ARTEFACTS "/busy-office-conversion-box.png"));
    for (QPushButton* button : box->findChildren<QPushButton*>()) {
      if (button->text() == QStringLiteral("取消")) button->click();
    }
  });
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(OpenDocument(WorkPath16("slow.docx")));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_TRUE(sawBox);
  EXPECT_TRUE(windowBlocked);
  EXPECT_TRUE(busyCursor);
  EXPECT_EQ(label, QStringLiteral("正在用 LibreOffice 将 Office 文档转换为 PDF..."));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  EXPECT_TRUE(TempFiles().empty());
  EXPECT_TRUE(g_session.createdInMemory);  // the blank document is still the open one
}

}  // namespace

namespace {

class OcrWindowTest : public GuiTest {
 protected:
  QPoint PagePoint(double fx, double fy) const {
    const IntRect& page = g_view.pageRect;
    return QPoint(page.left + int(fx * page.Width()), page.top + int(fy * page.Height()));
  }
};

TEST_F(OcrWindowTest, EscapeDuringTheDragCancelsAndLeavesTheViewAsItWas) {
  StartWindow();
  RouteCommand(kCmdOcr);
  ASSERT_TRUE(g_tool.ocrRegion);
  EXPECT_EQ(StatusLine().contains(QStringLiteral("请在页面上拖动鼠标框选 OCR 识别区域；按 Esc 取消")), true);
  IntRect pageBefore = g_view.pageRect;
  float zoomBefore = g_view.zoom;
  QTest::mousePress(Canvas(), Qt::LeftButton, Qt::NoModifier, PagePoint(0.2, 0.2));
  QMouseEvent move(QEvent::MouseMove, PagePoint(0.5, 0.4), Canvas()->mapToGlobal(PagePoint(0.5, 0.4)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(Canvas(), &move);
  EXPECT_TRUE(g_ocrDrag.dragging);
  Screenshot(QStringLiteral("ocr-drag"));
  QTest::keyClick(Canvas(), Qt::Key_Escape);
  QTest::mouseRelease(Canvas(), Qt::LeftButton, Qt::NoModifier, PagePoint(0.5, 0.4));
  QApplication::processEvents();
  EXPECT_FALSE(g_tool.ocrRegion);
  EXPECT_EQ(g_session.statusText, u"已取消 OCR 区域选择");
  EXPECT_TRUE(g_script.ocrResults.empty());
  EXPECT_EQ(g_view.pageRect.left, pageBefore.left);
  EXPECT_EQ(g_view.pageRect.top, pageBefore.top);
  EXPECT_EQ(g_view.zoom, zoomBefore);
  EXPECT_FALSE(g_session.modified);
}

TEST_F(OcrWindowTest, ATinyFrameIsRefusedAndADragPastThePageIsClampedAndRecognised) {
  StartWindow();
  RouteCommand(kCmdOcr);
  Drag(PagePoint(0.3, 0.3), PagePoint(0.3, 0.3) + QPoint(2, 2));
  EXPECT_EQ(g_session.statusText, u"选区过小或页面位置已改变，请重新框选");
  EXPECT_TRUE(g_tool.ocrRegion);  // still armed for another try
  // From inside the page to far below and right of it: clamped to the visible page.
  Drag(PagePoint(0.8, 0.05), QPoint(window_->width() + 50, window_->height() + 50));
  EXPECT_FALSE(g_tool.ocrRegion);
  IntRect frame = OcrDragRect();
  IntRect area = OcrSelectableArea();
  EXPECT_EQ(frame.right, area.right);
  EXPECT_EQ(frame.bottom, area.bottom);
  ASSERT_EQ(g_script.ocrResults.size(), 1u) << RecordedBoxesText();
  EXPECT_EQ(g_script.ocrResults[0], u"未识别到文字。");  // a blank page
  EXPECT_EQ(g_session.statusText, u"OCR 识别已完成");
  EXPECT_TRUE(TempFiles().empty());
}

}  // namespace
