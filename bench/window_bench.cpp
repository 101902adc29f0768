// The window's costs against the engine's bare work, in the same run, on Qt's offscreen
// platform: turning a page, re-rendering after a zoom, opening a long document to its first
// painted page, one pen move on a long stroke, and which thumbnails a long document renders.
#include <QApplication>
#include <QObject>
#include <QListWidget>
#include <QMouseEvent>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/command_router.h"
#include "app/corvan_application.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "bench/bench_documents.h"
#include "bench/bench_setup.h"
#include "bench/bench_timing.h"
#include "bench/window_bench_start.h"
#include "document/open_document.h"
#include "document/session.h"
#include "editing/pointer_input.h"
#include "engine/engine_loader.h"
#include "engine/engine_table.h"
#include "platform/text_encoding.h"
#include "view/command_ids.h"
#include "view/navigator_model.h"
#include "view/page_view.h"
#include "view/tool_state.h"
#include "widgets/navigator_panel.h"
#include "widgets/page_canvas.h"

namespace {

PageCanvas* Canvas() { return g_mainWindow->canvas(); }

// Counts the canvas' paints, to show that every timed move was painted.
class PaintCounter : public QObject {
 public:
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    paints += event->type() == QEvent::Paint;
    return false;
  }
};

// What the window's path is measured against: the engine loading (when asked), filling and
// rendering the same page into a bitmap of the same pixel size.
double BareRender(FPDF_DOCUMENT document, int index, FPDF_PAGE loaded = nullptr) {
  auto start = BenchClock::now();
  FPDF_PAGE page = loaded != nullptr ? loaded : g_engine.FPDF_LoadPage(document, index);
  FPDF_BITMAP bitmap = g_engine.FPDFBitmap_CreateEx(g_view.pixelWidth, g_view.pixelHeight, kBitmapBgrx, nullptr, 0);
  g_engine.FPDFBitmap_FillRect(bitmap, 0, 0, g_view.pixelWidth, g_view.pixelHeight, 0xFFFFFFFF);
  g_engine.FPDF_RenderPageBitmap(bitmap, page, 0, 0, g_view.pixelWidth, g_view.pixelHeight, 0, 0x01);
  g_engine.FPDFBitmap_Destroy(bitmap);
  if (loaded == nullptr) g_engine.FPDF_ClosePage(page);
  return MillisecondsSince(start);
}

// Both sides are timed in process CPU time, what the work costs, as well as in wall time: on a
// machine shared with busy programs the wall time mostly measures when the scheduler lets
// this process run.
struct Timing {
  std::vector<double> cpu, wall;
};

template <typename Work>
void Timed(Timing& timing, Work work) {
  auto start = BenchClock::now();
  double cpu = CpuMillisecondsNow();
  work();
  timing.cpu.push_back(CpuMillisecondsNow() - cpu);
  timing.wall.push_back(MillisecondsSince(start));
}

// What a paint of the window costs when the page is already rendered: the page's pixels and
// the window's own parts (toolbar, status line, scroll bar, buttons) put on screen. The
// window's path can come no closer to the bare render than this.
double PaintAloneCpu() {
  Canvas()->repaint();
  std::vector<double> paints;
  for (int round = 0; round < 15; ++round) {
    double cpu = CpuMillisecondsNow();
    Canvas()->repaint();
    paints.push_back(CpuMillisecondsNow() - cpu);
  }
  return Median(paints);
}

void Report(const char* name, const Timing& window, const Timing& bare, double target, const char* what,
            int pixelWidth, int pixelHeight, double paintAlone) {
  double bareMedian = Median(bare.cpu);
  std::printf("BENCH %s ratio=%.3f target=%.2f (%s %.2f ms CPU, bare render %.2f ms CPU, medians of %zu paired runs; "
              "wall %.2f / %.2f ms; %d × %d device pixels; a paint of the rendered page alone %.2f ms CPU, so the "
              "floor of bare render + paint is %.3f)\n",
              name, MedianPairedRatio(window.cpu, bare.cpu), target, what, Median(window.cpu), bareMedian,
              window.cpu.size(), Median(window.wall), Median(bare.wall), pixelWidth, pixelHeight, paintAlone,
              (bareMedian + paintAlone) / bareMedian);
}

void PageTurn(const std::string& path) {
  OpenDocument(Utf8ToUtf16(path));
  g_mainWindow->RefreshAll();
  Canvas()->repaint();
  FPDF_DOCUMENT bare = g_engine.FPDF_LoadDocument(path.c_str(), nullptr);
  Timing window, engine;
  for (int round = 0; round < 30; ++round) {
    bool forward = (round / 10) % 2 == 0;  // ten pages on, ten back, ten on
    Timed(window, [&] {
      RouteCommand(forward ? kCmdNextPage : kCmdPreviousPage);
      Canvas()->repaint();
    });
    Timed(engine, [&] { BareRender(bare, g_session.currentPageIndex); });
  }
  Report("page_turn_fit_width", window, engine, 1.1, "next/previous page + render + paint", g_view.pixelWidth,
         g_view.pixelHeight, PaintAloneCpu());

  window = engine = Timing{};
  FPDF_PAGE page = g_engine.FPDF_LoadPage(bare, g_session.currentPageIndex);
  int zoomedWidth = 0, zoomedHeight = 0;
  double zoomedPaint = 0;
  for (int round = 0; round < 15; ++round) {
    Timed(window, [&] {
      RouteCommand(kCmdZoomIn);
      Canvas()->repaint();
    });
    Timed(engine, [&] { BareRender(bare, 0, page); });
    zoomedWidth = g_view.pixelWidth;
    zoomedHeight = g_view.pixelHeight;
    if (round == 14) zoomedPaint = PaintAloneCpu();
    RouteCommand(kCmdZoomOut);
    Canvas()->repaint();
  }
  Report("zoom_in_rerender", window, engine, 1.1, "zoom in + render + paint", zoomedWidth, zoomedHeight, zoomedPaint);
  g_engine.FPDF_ClosePage(page);
  g_engine.FPDF_CloseDocument(bare);
}

// Two documents in turn, so that every opening also records a new first recent document.
void OpenLongDocument(const std::string& first, const std::string& second) {
  Timing window, engine;
  for (int round = 0; round < 15; ++round) {
    const std::string& path = round % 2 == 0 ? first : second;
    Timed(window, [&] {
      OpenDocument(Utf8ToUtf16(path));
      g_mainWindow->RefreshAll();
      Canvas()->repaint();
    });
    Timed(engine, [&] {
      FPDF_DOCUMENT bare = g_engine.FPDF_LoadDocument(path.c_str(), nullptr);
      FPDF_PAGE page = g_engine.FPDF_LoadPage(bare, 0);
      BareRender(bare, 0, page);
      g_engine.FPDF_ClosePage(page);
      g_engine.FPDF_CloseDocument(bare);
    });
  }
  double paintAlone = PaintAloneCpu(), bareMedian = Median(engine.cpu);
  std::printf("BENCH open_1000_pages_first_paint ratio=%.3f target=1.5 (open + first paint %.2f ms CPU, bare load + "
              "render of page 1 %.2f ms CPU, medians of %zu paired runs; wall %.2f / %.2f ms; a paint of the rendered "
              "page alone %.2f ms CPU, so the floor of bare load + render + paint is %.3f)\n",
              MedianPairedRatio(window.cpu, engine.cpu), Median(window.cpu), bareMedian, window.cpu.size(),
              Median(window.wall), Median(engine.wall), paintAlone, (bareMedian + paintAlone) / bareMedian);
}

void Move(QPoint at, QEvent::Type type = QEvent::MouseMove) {
  Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, at, Canvas()->mapToGlobal(at), button, held, Qt::NoModifier);
  QApplication::sendEvent(Canvas(), &event);
}

// Per-move cost (event, smoothing, repaint of the rubber band) once the stroke holds `points`.
double MoveCost(int points, std::vector<double>& perMove) {
  RouteCommand(kCmdPenTool);  // undoing the previous stroke may have left the mode
  Canvas()->repaint();
  const IntRect& page = g_view.pageRect;
  int left = page.left + 20, right = page.right - 20, top = page.top + 20;
  int perRow = (right - left) / 3;
  auto position = [&](int i) {
    int row = i / perRow, column = i % perRow;
    int x = row % 2 == 0 ? left + 3 * column : right - 3 * column;  // back and forth
    return QPoint(x, top + 30 * row);  // rows apart, as lines of handwriting are
  };
  Move(position(0), QEvent::MouseButtonPress);
  for (int i = 1; i < points; ++i) OnMouseMove(position(i).x(), position(i).y(), true);  // built, not timed
  QApplication::processEvents();
  size_t strokePoints = g_tool.stroke.points.size();  // before the timed moves
  perMove.clear();
  PaintCounter counter;
  Canvas()->installEventFilter(&counter);
  for (int i = points; i < points + 200; ++i) {
    auto start = BenchClock::now();
    Move(position(i));
    QApplication::processEvents();  // the repaint
    perMove.push_back(MillisecondsSince(start));
  }
  Canvas()->removeEventFilter(&counter);
  if (counter.paints < 200) std::printf("only %d of 200 moves were painted\n", counter.paints);
  Move(position(points + 200), QEvent::MouseButtonRelease);
  QApplication::processEvents();
  RouteCommand(kCmdUndo);  // keep the page light for the next run
  return double(strokePoints);
}

void PenPreview(const std::string& path) {
  OpenDocument(Utf8ToUtf16(path));
  std::vector<double> shortStroke, longStroke;
  double shortPoints = MoveCost(100, shortStroke);
  double longPoints = MoveCost(10000, longStroke);
  std::printf("BENCH pen_preview_move_10000_vs_100_points ratio=%.3f target=2.0 (%.3f ms per move on a stroke of %.0f "
              "points, %.3f ms on one of %.0f, median of %zu moves each; slowest move at the long stroke %.3f ms)\n",
              Median(longStroke) / Median(shortStroke), Median(longStroke), longPoints, Median(shortStroke),
              shortPoints, longStroke.size(), *std::max_element(longStroke.begin(), longStroke.end()));
}

// Rows of the list that can be seen, i.e. that a paint draws.
int VisibleItems(QListWidget* list) {
  int visible = 0;
  for (int row = 0; row < list->count(); ++row) {
    visible += list->visualItemRect(list->item(row)).intersects(list->viewport()->rect());
  }
  return visible;
}

void ThumbnailFill(const std::string& path) {
  OpenDocument(Utf8ToUtf16(path));
  g_mainWindow->RefreshAll();
  auto start = BenchClock::now();
  RouteCommand(kCmdToggleNavigator);
  QListWidget* list = Canvas()->navigator()->list();
  list->repaint();
  QApplication::processEvents();
  double fill = MillisecondsSince(start);
  int shown = VisibleItems(list);
  int rendered = g_navigator.renderCount;
  // Scrolling to the middle renders the rows that come into view, and only those.
  list->scrollToItem(list->item(250), QAbstractItemView::PositionAtCenter);
  list->repaint();
  QApplication::processEvents();
  shown += VisibleItems(list);
  rendered = g_navigator.renderCount;
  std::printf("BENCH navigator_thumbnails_500_pages ratio=%.3f target=1.0 (%d thumbnails rendered for %d items painted "
              "at the top and after scrolling to page 250, of %d pages; first fill %.2f ms)\n",
              double(rendered) / shown, rendered, shown, g_session.pageCount, fill);
  RouteCommand(kCmdToggleNavigator);
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder = BeginWindowBench();
  CorvanApplication application(argc, argv);
  if (!FinishWindowBenchStart()) return 1;
  // One measure alone when named ("page", "open", "pen", "thumbnails"), e.g. for a profiler.
  QString only = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
  auto wanted = [&only](const char* name) { return only.isEmpty() || only == QLatin1String(name); };
  if (wanted("page") || wanted("pen")) MakeTextDocument(folder + "/lesson-40.pdf", 40);
  if (wanted("open")) {
    MakeTextDocument(folder + "/long-1000.pdf", 1000, 4);
    MakeTextDocument(folder + "/long-1000-b.pdf", 1000, 4);
  }
  if (wanted("thumbnails")) MakeTextDocument(folder + "/long-500.pdf", 500, 4);
  MainWindow* window = StartEditorWindow({QStringLiteral("corvan-pdf")});
  QApplication::processEvents();
  if (wanted("page")) PageTurn(folder + "/lesson-40.pdf");
  if (wanted("open")) OpenLongDocument(folder + "/long-1000.pdf", folder + "/long-1000-b.pdf");
  if (wanted("pen")) PenPreview(folder + "/lesson-40.pdf");
  if (wanted("thumbnails")) ThumbnailFill(folder + "/long-500.pdf");
  delete window;
  ShutdownEditor();
  std::filesystem::remove_all(folder);
  return 0;
}
