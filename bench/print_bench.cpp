// Printing 100 pages into a PDF file at 150 dpi against rendering the same pages at the same
// size into bitmaps (the bare engine work), in one run.
#include <QApplication>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "document/open_document.h"
#include "document/session.h"
#include "engine/engine_loader.h"
#include "engine/engine_table.h"
#include "external/printing.h"
#include "platform/qt_printer.h"
#include "platform/text_encoding.h"

namespace {

constexpr int kPages = 100;
constexpr int kDpi = 150;

void BuildDocument() {
  NewBlankDocument();
  for (int i = 1; i < kPages; ++i) {
    FPDF_PAGE page = g_engine.FPDFPage_New(g_session.document, i, 595, 842);
    for (int k = 0; k < 40; ++k) {
      FPDF_PAGEOBJECT path = g_engine.FPDFPageObj_CreateNewPath(40 + k * 12, 60);
      g_engine.FPDFPath_LineTo(path, 40 + k * 12, 780);
      g_engine.FPDFPageObj_SetStrokeColor(path, 200, 30, 30, 255);
      g_engine.FPDFPath_SetDrawMode(path, 0, 1);
      g_engine.FPDFPage_InsertObject(page, path);
    }
    g_engine.FPDFPage_GenerateContent(page);
    g_engine.FPDF_ClosePage(page);
  }
  g_session.pageCount = kPages;
}

double BareRendering() {
  PrintPlacement place = PlacePageOnSheet(595, 842, 595 * kDpi / 72, 842 * kDpi / 72);
  auto start = BenchClock::now();
  for (int i = 0; i < kPages; ++i) {
    FPDF_PAGE page = g_engine.FPDF_LoadPage(g_session.document, i);
    std::vector<uint8_t> pixels(size_t(place.width) * place.height * 4);
    FPDF_BITMAP bitmap = g_engine.FPDFBitmap_CreateEx(place.width, place.height, kBitmapBgra, pixels.data(), place.width * 4);
    g_engine.FPDFBitmap_FillRect(bitmap, 0, 0, place.width, place.height, 0xFFFFFFFF);
    g_engine.FPDF_RenderPageBitmap(bitmap, page, 0, 0, place.width, place.height, 0, 0x01 | 0x800);
    g_engine.FPDFBitmap_Destroy(bitmap);
    g_engine.FPDF_ClosePage(page);
  }
  return MillisecondsSince(start);
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication application(argc, argv);
  if (!LoadPdfEngine()) return 1;
  char pattern[] = "/tmp/corvan-print-bench-XXXXXX";
  std::string work = mkdtemp(pattern);
  BuildDocument();
  InstallQtPrinter(nullptr);
  g_printer.showPrintDialog = [](int) -> std::optional<PrintChoice> { return PrintChoice{}; };
  std::vector<double> measured, baseline;
  for (int i = 0; i < 3; ++i) {
    PrintIntoPdfFile(QString::fromStdString(work + "/out.pdf"), kDpi);
    auto start = BenchClock::now();
    PrintDocument();
    measured.push_back(MillisecondsSince(start));
    baseline.push_back(BareRendering());
  }
  std::printf("BENCH print_100_pages_vs_bare_rendering ratio=%.3f target=1.5 (printing %.0f ms, rendering %.0f ms, %d dpi)\n",
              MedianPairedRatio(measured, baseline), Median(measured), Median(baseline), kDpi);
  CloseSessionDocument();
  std::filesystem::remove_all(work);
  UnloadPdfEngine();
  return 0;
}
