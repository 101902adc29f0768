#include <QApplication>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "app/gui_test.h"
#include "document/session.h"
#include "engine/engine_table.h"
#include "external/printing.h"
#include "platform/qt_printer.h"
#include "platform/text_encoding.h"

namespace {

PrintChoice g_choice;
std::vector<DuplexMode> g_duplexSet;

struct PrintedImage {
  float left, bottom, right, top;
};

// The image placed on each sheet of a printed PDF, in points.
std::vector<PrintedImage> PrintedImages(const std::string& path) {
  std::vector<PrintedImage> images;
  FPDF_DOCUMENT document = g_engine.FPDF_LoadDocument(path.c_str(), nullptr);
  if (document == nullptr) return images;
  for (int i = 0; i < g_engine.FPDF_GetPageCount(document); ++i) {
    FPDF_PAGE page = g_engine.FPDF_LoadPage(document, i);
    PrintedImage image{0, 0, 0, 0};
    for (int k = 0; k < g_engine.FPDFPage_CountObjects(page); ++k) {
      FPDF_PAGEOBJECT object = g_engine.FPDFPage_GetObject(page, k);
      if (g_engine.FPDFPageObj_GetType(object) == 3) {
        g_engine.FPDFPageObj_GetBounds(object, &image.left, &image.bottom, &image.right, &image.top);
      }
    }
    images.push_back(image);
    g_engine.FPDF_ClosePage(page);
  }
  g_engine.FPDF_CloseDocument(document);
  return images;
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
  g_choice.hasRange = true;
  g_choice.from = 2;
  g_choice.to = 3;
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
  g_choice.hasRange = true;
  g_choice.from = 4;
  g_choice.to = 4;
  PrintDocument();
  std::vector<PrintedImage> images = PrintedImages(output_);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_NEAR(images[0].right - images[0].left, 595, 1.0);
  EXPECT_NEAR(images[0].top - images[0].bottom, 595 * 595 / 842.0, 1.0);  // wider than tall: not turned
  EXPECT_NEAR(images[0].bottom, 842 - images[0].top, 1.0);
}

TEST_F(PrintTest, ABackwardRangeIsRefusedAndNothingIsPrinted) {
  g_choice.hasRange = true;
  g_choice.from = 3;
  g_choice.to = 2;
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

// The real queue of tests/support/with_private_cups.sh (cups-pdf): the job goes through the
// scheduler, its filters and the cups-pdf backend, which writes it into the run's folder.
class PrintQueueTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    const char* queue = std::getenv("CORVAN_TEST_PRINTER");
    const char* folder = std::getenv("CORVAN_TEST_PRINT_FOLDER");
    if (queue == nullptr || folder == nullptr) GTEST_SKIP() << "runs in its own entry, against a private CUPS queue";
    queue_ = queue;
    outputFolder_ = folder;
  }

  // The file cups-pdf wrote after `since`, once it is complete (gs writes it as it goes).
  std::optional<std::filesystem::path> WaitForPrintedFile(std::filesystem::file_time_type since) {
    for (int tries = 0; tries < 600; ++tries) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      std::error_code error;
      for (const auto& entry : std::filesystem::directory_iterator(outputFolder_, error)) {
        if (entry.path().extension() != ".pdf" || entry.last_write_time() < since) continue;
        std::string bytes = ReadBytes(entry.path().string());
        if (bytes.size() > 16 && bytes.find("%%EOF", bytes.size() - 16) != std::string::npos) return entry.path();
      }
    }
    return std::nullopt;
  }

  std::string queue_;
  std::filesystem::path outputFolder_;
};

TEST_F(PrintQueueTest, CopiesReachARealCupsQueueInOrderScaledAndCentred) {
  WriteTestPdf(WorkPath("four.pdf"), {PageSpec{200, 842}, PageSpec{300, 842}, PageSpec{400, 842}, PageSpec{842, 595}});
  StartWindow({QString::fromStdString(WorkPath("four.pdf"))});
  InstallQtPrinter(nullptr);
  PrintOnQueue(QString::fromStdString(queue_));
  g_choice = PrintChoice{};
  g_choice.copies = 2;
  g_choice.hasRange = true;
  g_choice.from = 2;
  g_choice.to = 3;
  g_printer.showPrintDialog = [](int) -> std::optional<PrintChoice> { return g_choice; };
  auto before = std::filesystem::file_time_type::clock::now() - std::chrono::seconds(1);
  PrintDocument();
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  std::optional<std::filesystem::path> printed = WaitForPrintedFile(before);
  ASSERT_TRUE(printed) << "nothing arrived in " << outputFolder_;
  std::vector<PrintedImage> images = PrintedImages(printed->string());
  std::filesystem::remove(*printed);
  ASSERT_EQ(images.size(), 4u);
  // Uncollated 2, 2, 3, 3, each as tall as the queue's printable area (the PPD keeps a margin),
  // keeping its proportions and centred across the A4 sheet.
  float printedHeight = images[0].top - images[0].bottom;
  EXPECT_GT(printedHeight, 780);
  std::vector<float> pageWidths{300, 300, 400, 400};
  for (size_t i = 0; i < images.size(); ++i) {
    EXPECT_NEAR(images[i].top - images[i].bottom, printedHeight, 1.0) << "sheet " << i + 1;
    EXPECT_NEAR(images[i].right - images[i].left, pageWidths[i] * printedHeight / 842, 2.0) << "sheet " << i + 1;
    EXPECT_NEAR(images[i].left, 595 - images[i].right, 2.0) << "sheet " << i + 1;
  }
}

}  // namespace
