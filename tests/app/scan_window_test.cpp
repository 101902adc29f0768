// Scanning with the real window: the acquisition dialog as the user sees it, and a slow page
// read off the window's thread while the window keeps painting behind the progress box.
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "app/command_router.h"
#include "app/gui_test.h"
#include "app/main_window.h"
#include "document/session.h"
#include "platform/text_encoding.h"
#include "support/sane_test_backend.h"
#include "view/command_ids.h"
#include "widgets/page_canvas.h"
#include "widgets/qt_platform.h"
#include "widgets/qt_scan_dialog.h"

namespace {

// Counts the canvas's paint events.
class PaintCounter : public QObject {
 public:
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

class ScanWindowTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    UseSaneTestBackendOnly();
  }
};

TEST_F(ScanWindowTest, TheAcquisitionDialogOffersDeviceResolutionAndColour) {
  StartWindow();
  ScanDialogRequest request;
  request.devices = {u"Noname frontend-tester (test:0)", u"Noname frontend-tester (test:1)"};
  request.pageNumber = 2;
  QString title;
  QTimer::singleShot(200, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    title = dialog->windowTitle();
    dialog->findChild<QComboBox*>(QStringLiteral("scanDevice"))->setCurrentIndex(1);
    dialog->findChild<QSpinBox*>(QStringLiteral("scanDpi"))->setValue(150);
    dialog->findChild<QComboBox*>(QStringLiteral("scanMode"))->setCurrentIndex(1);
    dialog->grab().save(QStringLiteral(CORVAN_ARTEFACTS "/scan-dialog.png"));
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
      if (button->text() == QStringLiteral("扫描")) button->click();
    }
  });
  ASSERT_TRUE(ShowScanAcquisitionDialog(window_, request));
  EXPECT_EQ(title, QStringLiteral("扫描 PDF"));
  EXPECT_EQ(request.device, 1);
  EXPECT_EQ(request.dpi, 150);
  ASSERT_EQ(request.deviceOptions.size(), 1u);
  EXPECT_EQ(request.deviceOptions[0].second, "Gray");
}

TEST_F(ScanWindowTest, TheWindowPaintsWhileAPageIsReadAndCancelStopsTheScanner) {
  StartWindow();
  InstallQtBusyBox();
  ScanDialogRequest slow;
  slow.dpi = 300;
  slow.deviceOptions = {{"read-limit", "yes"}, {"read-limit-size", "1"}, {"read-delay", "yes"},
                        {"read-delay-duration", "200000"}};
  g_script.scanAnswers.push_back(slow);
  std::u16string titleBefore = WindowTitle();

  PaintCounter counter;
  Canvas()->installEventFilter(&counter);
  int paintsWhileBusy = -1;
  QString label;
  std::function<void()> look = [&] {
    auto* box = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->labelText().startsWith(QStringLiteral("正在扫描"))) {
      QTimer::singleShot(50, look);
      return;
    }
    label = box->labelText();
    int before = counter.paints;
    Canvas()->update();
    QTimer::singleShot(300, [&, box, before] {
      paintsWhileBusy = counter.paints - before;
      Screenshot(QStringLiteral("scan-busy"));
      box->grab().save(QStringLiteral(CORVAN_ARTEFACTS "/scan-busy-box.png"));
      for (QPushButton* button : box->findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("取消")) button->click();
      }
    });
  };
  QTimer::singleShot(50, look);
  auto start = std::chrono::steady_clock::now();
  RouteCommand(kCmdScan);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
  EXPECT_EQ(label, QStringLiteral("正在扫描第 1 页..."));
  EXPECT_GT(paintsWhileBusy, 0);  // the window painted while the scanner was being read
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  EXPECT_EQ(WindowTitle(), titleBefore);  // the blank document stays
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  Canvas()->removeEventFilter(&counter);
}

}  // namespace
