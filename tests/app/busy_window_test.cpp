#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <filesystem>

#include "app/gui_test.h"
#include "document/open_document.h"
#include "document/session.h"
#include "platform/qt_platform.h"
#include "platform/text_encoding.h"
#include "../external/external_test.h"

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
