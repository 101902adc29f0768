// One mouse move of an image drag in the window (the new matrix, the page re-rendered and
// painted with the selection frame) against a bare engine render of the same page at the
// same pixel size, in the same run, on Qt's offscreen platform.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/corvan_application.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "bench/bench_documents.h"
#include "bench/bench_timing.h"
#include "document/open_document.h"
#include "document/session.h"
#include "editing/image_commands.h"
#include "editing/image_drag.h"
#include "editing/image_objects.h"
#include "editing/selection.h"
#include "engine/engine_loader.h"
#include "engine/engine_table.h"
#include "platform/text_encoding.h"
#include "view/page_canvas.h"
#include "view/page_view.h"
#include "view/pointer_input.h"
#include "view/tool_modes.h"

namespace {

double BareRender(FPDF_PAGE page) {
  auto start = BenchClock::now();
  FPDF_BITMAP bitmap = g_engine.FPDFBitmap_CreateEx(g_view.pixelWidth, g_view.pixelHeight, kBitmapBgrx, nullptr, 0);
  g_engine.FPDFBitmap_FillRect(bitmap, 0, 0, g_view.pixelWidth, g_view.pixelHeight, 0xFFFFFFFF);
  g_engine.FPDF_RenderPageBitmap(bitmap, page, 0, 0, g_view.pixelWidth, g_view.pixelHeight, 0, 0x01);
  g_engine.FPDFBitmap_Destroy(bitmap);
  return MillisecondsSince(start);
}

// A photograph-like picture: smooth gradients with some detail.
bool WritePhoto(const std::string& path) {
  QImage image(1200, 900, QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(x * 255 / 1200, y * 255 / 900, (x * y / 97) % 256));
  }
  return image.save(QString::fromStdString(path), "JPG", 85);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" CORVAN_OFFSCREEN_CONFIG);
  }
  char pattern[] = "/tmp/corvan-bench-XXXXXX";
  std::string folder = mkdtemp(pattern);
  setenv("TMPDIR", folder.c_str(), 1);
  setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
  CorvanApplication application(argc, argv);
  PrepareApplication();
  if (!LoadPdfEngine()) {
    std::fprintf(stderr, "libpdfium.so was not found; run scripts/setup.sh first\n");
    return 1;
  }
  MakeTextDocument(folder + "/worksheet.pdf", 1);
  if (!WritePhoto(folder + "/photo.jpg")) return 1;
  MainWindow* window = StartEditorWindow({QStringLiteral("corvan-pdf")});
  QApplication::processEvents();
  OpenDocument(Utf8ToUtf16(folder + "/worksheet.pdf"));
  PageCanvas* canvas = window->canvas();
  canvas->repaint();
  const IntRect& r = g_view.pageRect;
  ScreenPoint at{r.left + r.Width() / 2, r.top + r.Height() / 2};
  if (!InsertImageAtPoint(at, Utf8ToUtf16(folder + "/photo.jpg"))) return 1;
  window->RefreshAll();
  canvas->repaint();
  ScreenPointF centre = UnitToScreen(CurrentPageFrame(), *ReadImageMatrix(g_selection.selectedImage), 0.5, 0.5);
  ScreenPoint start{int(centre.x), int(centre.y)};
  OnLeftPress(start.x, start.y);
  if (!ImageDragRunning()) return 1;
  std::vector<double> moves, bare;
  for (int i = 1; i <= 40; ++i) {
    auto begin = BenchClock::now();
    OnMouseMove(start.x + 3 * (i % 7), start.y + 2 * (i % 5), true);
    canvas->repaint();
    moves.push_back(MillisecondsSince(begin));
    bare.push_back(BareRender(g_session.currentPage));
  }
  OnLeftRelease(start.x, start.y);
  std::printf("BENCH image_drag_move ratio=%.3f target=1.3 (one move: matrix, render and paint %.2f ms; bare render "
              "%.2f ms; medians of %zu paired runs; %d × %d device pixels)\n",
              MedianPairedRatio(moves, bare), Median(moves), Median(bare), moves.size(), g_view.pixelWidth,
              g_view.pixelHeight);
  delete window;
  ShutdownEditor();
  std::filesystem::remove_all(folder);
  return 0;
}
