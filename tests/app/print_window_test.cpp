#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>

#include <sys/resource.h>
#include <unistd.h>

#include "app/gui_test.h"
#include "document/session.h"
#include "engine/engine_table.h"
#include "external/printing.h"
#include "platform/text_encoding.h"
#include "widgets/qt_printer.h"

namespace {

PrintChoice g_choice;
std::vector<DuplexMode> g_duplexSet;

struct PrintedImage {
  float left, bottom, right, top;
};

// The images placed on each sheet of a printed PDF, in points, as one box per sheet.
std::vector<PrintedImage> PrintedImages(const std::string& path) {
  std::vector<PrintedImage> images;
  FPDF_DOCUMENT document = g_engine.FPDF_LoadDocument(path.c_str(), nullptr);
  if (document == nullptr) return images;
  for (int i = 0; i < g_engine.FPDF_GetPageCount(document); ++i) {
    FPDF_PAGE page = g_engine.FPDF_LoadPage(document, i);
    PrintedImage sheet{1e9f, 1e9f, -1e9f, -1e9f};
    for (int k = 0; k < g_engine.FPDFPage_CountObjects(page); ++k) {
      FPDF_PAGEOBJECT object = g_engine.FPDFPage_GetObject(page, k);
      PrintedImage image{0, 0, 0, 0};
      if (g_engine.FPDFPageObj_GetType(object) != 3) continue;
      g_engine.FPDFPageObj_GetBounds(object, &image.left, &image.bottom, &image.right, &image.top);
      sheet = {std::min(sheet.left, image.left), std::min(sheet.bottom, image.bottom), std::max(sheet.right, image.right),
               std::max(sheet.top, image.top)};
    }
    images.push_back(sheet);
    g_engine.FPDF_ClosePage(page);
  }
  g_engine.FPDF_CloseDocument(document);
  return images;
}

// How many images each sheet of a printed PDF holds.
std::vector<int> ImagesPerSheet(const std::string& path) {
  std::vector<int> counts;
  FPDF_DOCUMENT document = g_engine.FPDF_LoadDocument(path.c_str(), nullptr);
  if (document == nullptr) return counts;
  for (int i = 0; i < g_engine.FPDF_GetPageCount(document); ++i) {
    FPDF_PAGE page = g_engine.FPDF_LoadPage(document, i);
    counts.push_back(g_engine.FPDFPage_CountObjects(page));
    g_engine.FPDF_ClosePage(page);
  }
  g_engine.FPDF_CloseDocument(document);
  return counts;
}

class PrintTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    // Pages told apart by width; the last one is landscape.
    WriteTestPdf(WorkPath("four.pdf"), {PageSpec{200, 842}, PageSpec{300, 842}, PageSpec{400, 842}, PageSpec{842, 595}});
    StartWindow({QString::fromStdString(WorkPath("four.pdf"))});
    InstallQtPrinter(nullptr);
    output_ = WorkPath("打印 \"输出\".pdf");
    PrintIntoPdfFile(QString::fromStdString(output_), 72);
    g_choice = PrintChoice{};
    g_duplexSet.clear();
    g_printer.showPrintDialog = [](int) -> std::optional<PrintChoice> { return g_choice; };
  }

  std::vector<float> PrintedWidths() {
    std::vector<float> widths;
    for (const PrintedImage& image : PrintedImages(output_)) widths.push_back(std::round(image.right - image.left));
    return widths;
  }

  std::string output_;
};

TEST_F(PrintTest, CopiesOfARangeComeOutUncollatedOrCollatedScaledAndCentred) {
  g_choice.copies = 2;
  g_choice.ranges = {PageSpan{2, 3}};
  PrintDocument();
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  // A4 at 72 dpi: height-bound pages 300 and 400 wide keep 842 points of height.
  EXPECT_EQ(PrintedWidths(), (std::vector<float>{300, 300, 400, 400}));
  for (const PrintedImage& image : PrintedImages(output_)) {
    EXPECT_NEAR(image.left, 595 - image.right, 1.0);  // centred across the sheet
  }
  g_choice.collate = true;
  PrintDocument();
  EXPECT_EQ(PrintedWidths(), (std::vector<float>{300, 400, 300, 400}));
  std::filesystem::create_directories(CORVAN_ARTEFACTS);
  std::filesystem::copy_file(output_, CORVAN_ARTEFACTS "/printed-collated.pdf",
                             std::filesystem::copy_options::overwrite_existing);
}

TEST_F(PrintTest, ALandscapePageShrinksToTheSheetWidthCentredNotTurned) {
  g_choice.ranges = {PageSpan{4, 4}};
  PrintDocument();
  std::vector<PrintedImage> images = PrintedImages(output_);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_NEAR(images[0].right - images[0].left, 595, 1.0);
  EXPECT_NEAR(images[0].top - images[0].bottom, 595 * 595 / 842.0, 1.0);  // wider than tall: not turned
  EXPECT_NEAR(images[0].bottom, 842 - images[0].top, 1.0);
}

TEST_F(PrintTest, ABackwardRangeIsRefusedAndNothingIsPrinted) {
  g_choice.ranges = {PageSpan{3, 2}};
  PrintDocument();
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"打印失败");
  EXPECT_EQ(g_script.boxes[0].text, u"打印页码范围无效。");
  EXPECT_FALSE(Exists(output_));
}

TEST_F(PrintTest, DuplexDecisionKeepsShortEdgeAndAsksWhenThePrinterCannot) {
  EXPECT_EQ(DuplexToApply(true, true, DuplexMode::ShortEdge), DuplexMode::ShortEdge);
  EXPECT_EQ(DuplexToApply(true, true, DuplexMode::Simplex), DuplexMode::LongEdge);
  EXPECT_EQ(DuplexToApply(false, true, DuplexMode::LongEdge), DuplexMode::Simplex);
  EXPECT_EQ(DuplexToApply(true, false, DuplexMode::Simplex), std::nullopt);

  g_choice.duplexRequested = true;
  g_printer.supportsDuplex = [] { return true; };
  g_printer.duplex = [] { return DuplexMode::ShortEdge; };
  g_printer.setDuplex = [](DuplexMode mode) {
    g_duplexSet.push_back(mode);
    return true;
  };
  PrintDocument();
  EXPECT_EQ(g_duplexSet, std::vector<DuplexMode>{DuplexMode::ShortEdge});
  EXPECT_EQ(PrintedWidths().size(), 4u);

  // The PDF file cannot print both sides: the question, and No prints nothing.
  InstallQtPrinter(nullptr);
  g_printer.showPrintDialog = [](int) -> std::optional<PrintChoice> { return g_choice; };
  std::remove(output_.c_str());
  g_script.answers = {MessageAnswer::No};
  PrintDocument();
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"双面打印不可用");
  EXPECT_EQ(g_script.boxes[0].text, u"所选打印机不支持双面打印，是否以单面方式继续？");
  EXPECT_FALSE(Exists(output_));
}

// The address space this process uses now, in bytes.
size_t AddressSpaceInUse() {
  std::string statm = ReadBytes("/proc/self/statm");
  return size_t(std::stoull(statm)) * size_t(sysconf(_SC_PAGESIZE));
}

// Runs `work` with the address space limited to what is in use now plus `headroom` bytes.
template <typename Work>
void WithAddressSpaceHeadroom(size_t headroom, Work work) {
  rlimit before{};
  getrlimit(RLIMIT_AS, &before);
  rlimit tight = before;
  tight.rlim_cur = AddressSpaceInUse() + headroom;
  ASSERT_EQ(setrlimit(RLIMIT_AS, &tight), 0);
  work();
  setrlimit(RLIMIT_AS, &before);
}

TEST_F(PrintTest, ASheetAt1200DpiPrintsInBandsWithinAMemoryLimit) {
  PrintIntoPdfFile(QString::fromStdString(output_), 1200);
  // The landscape page fills 9921 x 7010 pixels: 278 MB as one bitmap, more than the limit.
  g_choice.ranges = {PageSpan{4, 4}};
  WithAddressSpaceHeadroom(size_t(200) << 20, [] { PrintDocument(); });
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  std::vector<PrintedImage> images = PrintedImages(output_);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_NEAR(images[0].right - images[0].left, 595, 1.0);
  EXPECT_NEAR(images[0].top - images[0].bottom, 595 * 595 / 842.0, 1.0);
  EXPECT_NEAR(images[0].bottom, 842 - images[0].top, 1.0);
  // 7010 rows in bands of 422.
  EXPECT_EQ(ImagesPerSheet(output_), std::vector<int>{17});
}

TEST_F(PrintTest, CancellingAFileJobKeepsTheEarlierFileAndLeavesNoPartOfTheNewOne) {
  WriteBytes(output_, "earlier print");
  std::vector<std::string> before = FolderEntries(WorkPath(""));
  g_script.cancelAtPump = 2;
  PrintDocument();
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  EXPECT_EQ(g_script.busyTexts, std::vector<std::u16string>{u"正在打印..."});
  EXPECT_FALSE(g_script.busyShown);
  EXPECT_EQ(ReadBytes(output_), "earlier print");
  EXPECT_EQ(FolderEntries(WorkPath("")), before);
  // Printed again to the end, the file is replaced.
  g_script.cancelAtPump = -1;
  PrintDocument();
  EXPECT_EQ(PrintedWidths().size(), 4u);
  EXPECT_EQ(FolderEntries(WorkPath("")), before);
}

// Runs the print command with Qt's real dialog; once it is up, `key` is pressed in it.
void PrintPressingInTheDialog(Qt::Key key) {
  bool shown = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || shown) return;
    shown = true;
    QTest::keyClick(dialog, key);
  });
  poll.start(20);
  PrintDocument();
  EXPECT_TRUE(shown) << "the print dialog did not come up";
}

TEST_F(PrintTest, TheRealDialogPrintsOnEnterAndNothingOnEsc) {
  InstallQtPrinter(nullptr);  // the real dialog, still printing into the file
  PrintPressingInTheDialog(Qt::Key_Escape);
  EXPECT_FALSE(Exists(output_));
  PrintPressingInTheDialog(Qt::Key_Return);
  EXPECT_EQ(PrintedWidths(), (std::vector<float>{200, 300, 400, 595}));
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
}

// Runs the print command with Qt's real dialog; once it is up, `use` works its fields with the
// mouse and keyboard (the options part opened first), and the dialog's answer ends it.
void PrintUsingTheDialog(const std::function<void(QPrintDialog&)>& use) {
  bool shown = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || shown) return;
    shown = true;
    auto* buttons = dialog->findChild<QDialogButtonBox*>();
    for (QAbstractButton* button : buttons->buttons()) {
      if (buttons->buttonRole(button) == QDialogButtonBox::ResetRole) QTest::mouseClick(button, Qt::LeftButton);
    }
    use(*dialog);
    if (dialog->isVisible()) {
      ADD_FAILURE() << "the dialog stayed open";
      dialog->reject();
    }
  });
  poll.start(20);
  PrintDocument();
  EXPECT_TRUE(shown) << "the print dialog did not come up";
}

// Types ASCII as keys and anything else as an input method's committed text, as it arrives.
void TypeText(QWidget* field, const QString& text) {
  for (QChar c : text) {
    if (c.unicode() < 0x80) {
      QTest::keyClicks(field, QString(c));
    } else {
      QInputMethodEvent commit;
      commit.setCommitString(QString(c));
      QApplication::sendEvent(field, &commit);
    }
  }
}

// Chooses 页数 with the mouse, types `list` into its field and presses Enter there.
void TypePageList(QPrintDialog& dialog, const QString& list) {
  auto* radio = dialog.findChild<QRadioButton*>(QStringLiteral("pagesRadioButton"));
  auto* field = dialog.findChild<QLineEdit*>(QStringLiteral("pagesLineEdit"));
  ASSERT_TRUE(radio != nullptr && field != nullptr);
  ASSERT_TRUE(radio->isEnabled()) << "the page list is greyed out";
  QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(4, radio->height() / 2));
  QTest::mouseClick(field, Qt::LeftButton);
  QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
  TypeText(field, list);
  QTest::keyClick(field, Qt::Key_Return);
}

// Chooses 从 ... 到 ... with the mouse and types both numbers over the boxes' own.
void TypeFromTo(QPrintDialog& dialog, int from, int to) {
  auto* radio = dialog.findChild<QRadioButton*>(QStringLiteral("printRange"));
  QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(4, radio->height() / 2));
  for (auto [name, value] : {std::pair{"from", from}, std::pair{"to", to}}) {
    auto* box = dialog.findChild<QSpinBox*>(QLatin1String(name));
    QTest::mouseClick(box, Qt::LeftButton);
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(box, QString::number(value));
  }
  QTest::keyClick(dialog.findChild<QSpinBox*>(QStringLiteral("to")), Qt::Key_Return);
}

TEST_F(PrintTest, ThePageListTypedIntoTheRealDialogIsReadByTheEditor) {
  InstallQtPrinter(nullptr);
  PrintUsingTheDialog([](QPrintDialog& dialog) { TypePageList(dialog, QStringLiteral(" 1， 3 - 4")); });
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  EXPECT_EQ(PrintedWidths(), (std::vector<float>{200, 400, 595}));
  // Qt's dialog asks before replacing a file: each job goes to a fresh one.
  std::remove(output_.c_str());
  PrintUsingTheDialog([](QPrintDialog& dialog) { TypePageList(dialog, QStringLiteral("4,2")); });
  EXPECT_EQ(PrintedWidths(), (std::vector<float>{595, 300}));
  std::remove(output_.c_str());
  PrintUsingTheDialog([](QPrintDialog& dialog) { TypeFromTo(dialog, 2, 3); });
  EXPECT_EQ(PrintedWidths(), (std::vector<float>{300, 400}));
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
}

TEST_F(PrintTest, ABackwardZeroOrUnreadablePageChoiceInTheRealDialogPrintsNothing) {
  InstallQtPrinter(nullptr);
  for (const QString& list : {QStringLiteral("3-2"), QStringLiteral("0"), QStringLiteral("2,5"), QStringLiteral("1;2"),
                              QStringLiteral("二")}) {
    g_script.boxes.clear();
    PrintUsingTheDialog([&](QPrintDialog& dialog) { TypePageList(dialog, list); });
    ASSERT_EQ(g_script.boxes.size(), 1u) << list.toStdString();
    EXPECT_EQ(g_script.boxes[0].caption, u"打印失败");
    EXPECT_EQ(g_script.boxes[0].text, u"打印页码范围无效。");
    EXPECT_FALSE(Exists(output_)) << list.toStdString();
  }
  g_script.boxes.clear();
  PrintUsingTheDialog([](QPrintDialog& dialog) { TypeFromTo(dialog, 3, 2); });
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].text, u"打印页码范围无效。");
  EXPECT_FALSE(Exists(output_));
}

TEST_F(PrintTest, OddAndEvenPagesCanBeChosenForAFile) {
  InstallQtPrinter(nullptr);
  PrintUsingTheDialog([](QPrintDialog& dialog) {
    auto* pageSet = dialog.findChild<QComboBox*>(QStringLiteral("pageSetCombo"));
    ASSERT_TRUE(pageSet->isEnabled()) << "odd and even pages are greyed out";
    // All, odd, even: two steps down.
    QTest::keyClick(pageSet, Qt::Key_Down);
    QTest::keyClick(pageSet, Qt::Key_Down);
    ASSERT_EQ(pageSet->currentIndex(), 2) << pageSet->count() << " entries";
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
  });
  EXPECT_EQ(PrintedWidths(), (std::vector<float>{300, 595}));
}

}  // namespace
