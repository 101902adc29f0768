// Cost of watermarking a 500-page document (mark, turn, measure, centre, insert, generate, on
// every page) against the least such a run needs: a bare loop that creates, inserts and
// generates one text object per page, on an identical document, in the same run.
#include <cstdio>
#include <vector>

#include "bench/bench_setup.h"
#include "bench/bench_timing.h"
#include "content/font_table.h"
#include "content/watermarks.h"
#include "document/session.h"
#include "engine/engine_table.h"

namespace {

constexpr int kPages = 500;
const std::u16string kText = u"内部资料 DRAFT";

FPDF_DOCUMENT BlankDocument() {
  FPDF_DOCUMENT document = g_engine.FPDF_CreateNewDocument();
  for (int i = 0; i < kPages; ++i) g_engine.FPDF_ClosePage(g_engine.FPDFPage_New(document, i, 595, 842));
  return document;
}

// The document's default font cut to the text, as the command loads it.
FPDF_FONT LoadFont(FPDF_DOCUMENT document) {
  CloseDocumentFonts();
  g_session.document = document;
  return DefaultFontFor(kText);
}

double BareLoop(FPDF_DOCUMENT document, FPDF_FONT font) {
  auto start = BenchClock::now();
  for (int i = 0; i < kPages; ++i) {
    FPDF_PAGE page = g_engine.FPDF_LoadPage(document, i);
    FPDF_PAGEOBJECT text = g_engine.FPDFPageObj_CreateTextObj(document, font, 48);
    g_engine.FPDFText_SetText(text, reinterpret_cast<FPDF_WIDESTRING>(kText.c_str()));
    g_engine.FPDFPage_InsertObject(page, text);
    g_engine.FPDFPage_GenerateContent(page);
    g_engine.FPDF_ClosePage(page);
  }
  return MillisecondsSince(start);
}

double Watermark(FPDF_DOCUMENT document, FPDF_FONT font) {
  auto start = BenchClock::now();
  WatermarkOutcome outcome = AddWatermarkToAllPages(WatermarkOpsFromEngine(), document, nullptr, -1, font, kText, 48);
  double elapsed = MillisecondsSince(start);
  if (!outcome.ok || outcome.count != kPages) std::fprintf(stderr, "watermark run failed\n");
  return elapsed;
}

}  // namespace

int main() {
  if (!StartEngineBench()) return 1;
  std::vector<double> measured, baseline;
  for (int run = 0; run < 3; ++run) {
    FPDF_DOCUMENT bare = BlankDocument();
    baseline.push_back(BareLoop(bare, LoadFont(bare)));
    CloseDocumentFonts();
    g_engine.FPDF_CloseDocument(bare);
    FPDF_DOCUMENT marked = BlankDocument();
    measured.push_back(Watermark(marked, LoadFont(marked)));
    CloseDocumentFonts();
    g_engine.FPDF_CloseDocument(marked);
  }
  g_session.document = nullptr;
  std::printf("BENCH watermark_500_pages ratio=%.2f target=1.5 (watermark run %.1f ms, bare text loop %.1f ms, "
              "medians of 3 paired runs, %d pages)\n",
              MedianPairedRatio(measured, baseline), Median(measured), Median(baseline), kPages);
  return 0;
}
