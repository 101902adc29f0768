#include "bench/scan_view_bench.h"

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/command_router.h"
#include "bench/bench_timing.h"
#include "document/session.h"
#include "engine/engine_table.h"
#include "support/scan_fidelity.h"
#include "view/command_ids.h"
#include "view/navigator_model.h"
#include "view/page_view.h"
#include "view/prepared_pages.h"
#include "widgets/page_canvas.h"

namespace {

double BareRender(FPDF_DOCUMENT document, int index, int width, int height) {
  auto start = BenchClock::now();
  FPDF_PAGE page = g_engine.FPDF_LoadPage(document, index);
  FPDF_BITMAP bitmap = g_engine.FPDFBitmap_CreateEx(width, height, kBitmapBgrx, nullptr, 0);
  g_engine.FPDFBitmap_FillRect(bitmap, 0, 0, width, height, 0xFFFFFFFF);
  g_engine.FPDF_RenderPageBitmap(bitmap, page, 0, 0, width, height, 0, 0x01);
  g_engine.FPDFBitmap_Destroy(bitmap);
  g_engine.FPDF_ClosePage(page);
  return MillisecondsSince(start);
}

// Jumps between the first and the last page, nothing prepared, each against a bare render.
void UnpreparedTurns(PageCanvas* canvas, FPDF_DOCUMENT bare) {
  std::vector<double> turns, renders;
  for (int jump = 0; jump < 8; ++jump) {
    DropPreparedPages();
    auto start = BenchClock::now();
    RouteCommand(jump % 2 == 0 ? kCmdLastPage : kCmdFirstPage);
    canvas->repaint();
    turns.push_back(MillisecondsSince(start));
    renders.push_back(BareRender(bare, g_session.currentPageIndex, g_view.pixelWidth, g_view.pixelHeight));
  }
  std::printf("BENCH page_turn_scan_unprepared ratio=%.3f target=0.35 (a jump to a page not prepared + paint "
              "%.2f ms, bare engine render of it %.2f ms, medians of %zu paired runs)\n",
              MedianPairedRatio(turns, renders), Median(turns), Median(renders), turns.size());
}

void Thumbnails(FPDF_DOCUMENT bare) {
  std::vector<double> ours, engine;
  for (int round = 0; round < 5; ++round) {
    ResetThumbnails(g_session.pageCount);
    auto start = BenchClock::now();
    for (int index = 0; index < g_session.pageCount; ++index) ThumbnailFor(index);
    ours.push_back(MillisecondsSince(start));
    start = BenchClock::now();
    for (int index = 0; index < g_session.pageCount; ++index) BareRender(bare, index, 64, 90);
    engine.push_back(MillisecondsSince(start));
  }
  std::printf("BENCH scan_thumbnails_6_pages ratio=%.3f target=0.5 (the navigator's 6 thumbnails %.1f ms, the engine "
              "rendering them bare %.1f ms, medians of %zu paired runs)\n",
              MedianPairedRatio(ours, engine), Median(ours), Median(engine), ours.size());
}

void Fidelity() {
  double largest = 0;
  int compared = 0, failed = 0, offsets = 0;
  std::string folder = std::getenv("TMPDIR") != nullptr ? std::getenv("TMPDIR") : "/tmp";
  for (const ScanCase& scan : ScanFidelityCases()) {
    std::string path = folder + "/fidelity.pdf";
    WriteImagePagePdf(path, scan.spec);
    FPDF_DOCUMENT document = g_engine.FPDF_LoadDocument(path.c_str(), nullptr);
    FPDF_PAGE page = g_engine.FPDF_LoadPage(document, 0);
    for (const ShownSize& size : ShownSizesFor(g_engine.FPDF_GetPageWidthF(page), g_engine.FPDF_GetPageHeightF(page))) {
      ScanComparison result = CompareWithEngine(page, size.width, size.height);
      ++compared;
      failed += !result.composed;
      offsets += result.coverageMismatches;
      largest = std::max(largest, result.meanDifference);
    }
    g_engine.FPDF_ClosePage(page);
    g_engine.FPDF_CloseDocument(document);
  }
  // The noisy benchmark scan at the size the window shows it.
  ScanComparison noisy = CompareWithEngine(g_session.currentPage, g_view.pixelWidth, g_view.pixelHeight);
  std::printf("BENCH scan_fast_path_fidelity ratio=%.3f target=2.0 (largest mean difference %.3f levels per channel "
              "over %d renders of 5 test scans at fit width, fit page and 400 %%, %d not drawn, %d edge pixels "
              "covered differently; the benchmark's noisy 2480 × 3508 scan at %d × %d: %.3f levels)\n",
              largest, largest, compared, failed, offsets, noisy.width, noisy.height, noisy.meanDifference);
}

// Zooming in and back out, each answered by a stretched frame and then the sharp render; with a
// neighbour's preparation under way (started just before) or with the window idle.
struct ZoomTimes {
  std::vector<double> first, sharp, paint;
};

void ZoomOnce(PageCanvas* canvas, bool preparing, ZoomTimes& times) {
  for (int command : {kCmdZoomIn, kCmdZoomOut}) {
    DropPreparedPages();
    auto start = BenchClock::now();
    canvas->repaint();
    times.paint.push_back(MillisecondsSince(start));
    if (preparing) PrepareNeighbourPages(12.0);  // the next page's picture goes to the worker
    start = BenchClock::now();
    RouteCommand(command);
    canvas->repaint();
    times.first.push_back(MillisecondsSince(start));
    while (!g_view.valid) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    times.sharp.push_back(MillisecondsSince(start));
  }
}

void Zooms(PageCanvas* canvas) {
  ZoomTimes idle, preparing;
  for (int round = 0; round < 6; ++round) {
    ZoomOnce(canvas, false, idle);
    ZoomOnce(canvas, true, preparing);
  }
  double paint = Median(idle.paint);
  double first = Median(preparing.first);
  std::printf("BENCH zoom_first_response_while_preparing ratio=%.3f target=1.0 (command to the first changed frame "
              "while the next scan page is decoded %.2f ms, idle %.2f ms; a plain paint %.2f ms; ratio = (first "
              "frame - plain paint) / 20 ms, medians of %zu)\n",
              std::max(0.0, first - paint) / 20.0, first, Median(idle.first), paint, preparing.first.size());
  std::printf("BENCH zoom_sharp_while_preparing ratio=%.3f target=1.2 (command to the sharp render while the next "
              "scan page is decoded %.2f ms, idle %.2f ms, medians of %zu)\n",
              Median(preparing.sharp) / Median(idle.sharp), Median(preparing.sharp), Median(idle.sharp),
              preparing.sharp.size());
}

}  // namespace

void RunScanViewBenches(PageCanvas* canvas, FPDF_DOCUMENT bare) {
  UnpreparedTurns(canvas, bare);
  Thumbnails(bare);
  Fidelity();
  Zooms(canvas);
  DropPreparedPages();
}
