// Opening the content dialog on a page of 5,000 text objects (the scan with its labels and
// the dialog filled with them) against a bare walk of the same objects' texts through PDFium:
// a text page, two text reads per object. Medians of paired runs.
#include <QApplication>
#include <QListWidget>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_setup.h"
#include "bench/bench_timing.h"
#include "content/object_list.h"
#include "document/open_document.h"
#include "document/session.h"
#include "engine/engine_loader.h"
#include "engine/engine_table.h"
#include "platform/text_encoding.h"
#include "support/text_pdf.h"
#include "widgets/object_list_dialog.h"

namespace {

constexpr int kTexts = 5000;
constexpr int kRuns = 7;

std::string ManyTexts() {
  std::string content;
  for (int i = 0; i < kTexts; ++i) {
    content += TextAt(float(20 + (i % 10) * 55), float(20 + (i / 10) % 400 * 2), 4, "Word " + std::to_string(i));
  }
  return content;
}

// What any reader of the page's texts must do at least.
double BareWalk(FPDF_PAGE page) {
  auto start = BenchClock::now();
  FPDF_TEXTPAGE textPage = g_engine.FPDFText_LoadPage(page);
  int count = g_engine.FPDFPage_CountObjects(page);
  std::vector<FPDF_WCHAR> buffer;
  size_t units = 0;
  for (int i = 0; i < count; ++i) {
    FPDF_PAGEOBJECT object = g_engine.FPDFPage_GetObject(page, i);
    unsigned long bytes = g_engine.FPDFTextObj_GetText(object, textPage, nullptr, 0);
    buffer.resize(bytes / 2 + 1);
    units += g_engine.FPDFTextObj_GetText(object, textPage, buffer.data(), bytes) / 2;
  }
  g_engine.FPDFText_ClosePage(textPage);
  double ms = MillisecondsSince(start);
  if (units == 0) std::fprintf(stderr, "no text read\n");
  return ms;
}

double OpenList(FPDF_PAGE page, size_t& listed) {
  auto start = BenchClock::now();
  PageObjectScan scan = ScanPageObjects(page, g_engine);
  ObjectListDialog dialog(nullptr, std::move(scan));
  double ms = MillisecondsSince(start);
  listed = size_t(dialog.list()->count());
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  std::string folder = MakeWindowBenchFolder();
  QApplication application(argc, argv);
  if (!LoadPdfEngine()) {
    std::fprintf(stderr, "libpdfium.so was not found; run scripts/setup.sh first\n");
    return 1;
  }
  std::string path = folder + "/texts-5000.pdf";
  WriteTextPdf(path, "/MediaBox [0 0 595 842]", ManyTexts());
  if (!OpenDocument(Utf8ToUtf16(path))) return 1;
  std::vector<double> list, bare;
  size_t listed = 0;
  for (int run = 0; run < kRuns; ++run) {
    list.push_back(OpenList(g_session.currentPage, listed));
    bare.push_back(BareWalk(g_session.currentPage));
  }
  if (listed != size_t(kTexts)) std::fprintf(stderr, "listed %zu of %d\n", listed, kTexts);
  std::printf("BENCH object_list_5000_texts ratio=%.2f target=2 (open list %.1f ms, bare text walk %.1f ms, %zu entries)\n",
              MedianPairedRatio(list, bare), Median(list), Median(bare), listed);
  CloseSessionDocument();
  UnloadPdfEngine();
  return 0;
}
