// Turning the pages of a scanned document (six 300-dpi A4 pages, 2480 × 3508 colour JPEGs of
// noisy paper, 45 MB) in the window on Qt's offscreen platform: a turn to a page the window
// prepared while idle, against a bare render of that page; how long a key press waits while
// pages are being prepared, beside the longest step the engine cannot pause; and the resident
// memory with the scan open, after 20 pen strokes and after 20 force-erase strokes, with the
// undo files those leave on disk.
#include <QApplication>
#include <QInputDevice>
#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <malloc.h>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/command_router.h"
#include "app/corvan_application.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "bench/bench_documents.h"
#include "bench/bench_setup.h"
#include "bench/bench_timing.h"
#include "bench/scan_view_bench.h"
#include "bench/window_bench_start.h"
#include "content/image_file.h"
#include "document/open_document.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "engine/engine_loader.h"
#include "engine/engine_table.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"
#include "view/command_ids.h"
#include "view/page_view.h"
#include "view/prepared_pages.h"
#include "view/tool_modes.h"
#include "widgets/page_canvas.h"
#include "widgets/qt_image_codec.h"

namespace {

constexpr int kScanWidth = 2480, kScanHeight = 3508;

PageCanvas* Canvas() { return g_mainWindow->canvas(); }

// Paper with per-pixel colour noise and dark rows of "text": it compresses about as poorly as
// a real colour scan does.
std::vector<uint8_t> ScanJpeg(unsigned seed) {
  std::vector<uint8_t> pixels(size_t(kScanWidth) * kScanHeight * 4);
  std::mt19937 random(seed);
  for (int row = 0; row < kScanHeight; ++row) {
    bool text = row % 60 < 18;
    for (int column = 0; column < kScanWidth; ++column) {
      uint32_t noise = random();
      uint8_t* p = pixels.data() + (size_t(row) * kScanWidth + size_t(column)) * 4;
      uint8_t ink = text && (column / 23) % 5 != 0 ? 4 : 1;  // text rows darker
      p[0] = uint8_t((noise & 255) / ink);
      p[1] = uint8_t(((noise >> 8) & 255) / ink);
      p[2] = uint8_t(((noise >> 16) & 255) / ink);
    }
  }
  return EncodeJpegWithQt(pixels.data(), kScanWidth, kScanHeight, kScanWidth * 4, false);
}

bool MakeScanDocument(const std::string& path, int pages) {
  FPDF_DOCUMENT document = g_engine.FPDF_CreateNewDocument();
  for (int index = 0; index < pages; ++index) {
    FPDF_PAGE page = g_engine.FPDFPage_New(document, index, 595, 842);
    FPDF_PAGEOBJECT image = g_engine.FPDFPageObj_NewImageObj(document);
    if (!LoadJpegBytes(g_engine, nullptr, 0, image, ScanJpeg(unsigned(index + 1)))) return false;
    g_engine.FPDFImageObj_SetMatrix(image, 595, 0, 0, 842, 0, 0);
    g_engine.FPDFPage_InsertObject(page, image);
    g_engine.FPDFPage_GenerateContent(page);
    g_engine.FPDF_ClosePage(page);
  }
  SaveToFile(document, path);
  g_engine.FPDF_CloseDocument(document);
  return std::filesystem::file_size(path) > 0;
}

// The engine loading, filling and rendering the same page into a bitmap of the same size.
double BareRender(FPDF_DOCUMENT document, int index) {
  auto start = BenchClock::now();
  FPDF_PAGE page = g_engine.FPDF_LoadPage(document, index);
  FPDF_BITMAP bitmap = g_engine.FPDFBitmap_CreateEx(g_view.pixelWidth, g_view.pixelHeight, kBitmapBgrx, nullptr, 0);
  g_engine.FPDFBitmap_FillRect(bitmap, 0, 0, g_view.pixelWidth, g_view.pixelHeight, 0xFFFFFFFF);
  g_engine.FPDF_RenderPageBitmap(bitmap, page, 0, 0, g_view.pixelWidth, g_view.pixelHeight, 0, 0x01);
  g_engine.FPDFBitmap_Destroy(bitmap);
  g_engine.FPDF_ClosePage(page);
  return MillisecondsSince(start);
}

FPDF_BOOL AlwaysPause(IFSDK_PAUSE*) { return 1; }

// The longest step of a progressive render of the page that the engine cannot pause: each
// call is asked to hand back at its first chance. On a scan that is the whole picture's
// decoding, which the engine does in one go before it draws.
double LongestUnpausableStep(FPDF_DOCUMENT document, int index) {
  FPDF_PAGE page = g_engine.FPDF_LoadPage(document, index);
  FPDF_BITMAP bitmap = g_engine.FPDFBitmap_CreateEx(g_view.pixelWidth, g_view.pixelHeight, kBitmapBgrx, nullptr, 0);
  g_engine.FPDFBitmap_FillRect(bitmap, 0, 0, g_view.pixelWidth, g_view.pixelHeight, 0xFFFFFFFF);
  IFSDK_PAUSE pause{1, AlwaysPause, nullptr};
  auto start = BenchClock::now();
  int status = g_engine.FPDF_RenderPageBitmap_Start(bitmap, page, 0, 0, g_view.pixelWidth, g_view.pixelHeight, 0, 0x01,
                                                    &pause);
  double longest = MillisecondsSince(start);
  while (status == kRenderToBeContinued) {
    start = BenchClock::now();
    status = g_engine.FPDF_RenderPage_Continue(page, &pause);
    longest = std::max(longest, MillisecondsSince(start));
  }
  g_engine.FPDF_RenderPage_Close(page);
  g_engine.FPDFBitmap_Destroy(bitmap);
  g_engine.FPDF_ClosePage(page);
  return longest;
}

// Presses the space key (the hand tool while held) from another thread every 7 ms, as key
// presses arrive from the system whatever the window is doing, and records how long each
// press waited before the window handled it.
class KeyWatch : public QObject {
 public:
  std::vector<double> waits;

  void Start() {
    QInputDevice::primaryKeyboard();  // made once here: key events made on the other thread use it
    running_ = true;
    presser_ = std::thread([this] {
      while (running_) {
        auto* press = new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier);
        press->setTimestamp(ulong(++sent_));
        {
          std::lock_guard<std::mutex> lock(mutex_);
          posted_[sent_] = BenchClock::now();
        }
        QCoreApplication::postEvent(Canvas(), press);
        QCoreApplication::postEvent(Canvas(), new QKeyEvent(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier));
        std::this_thread::sleep_for(std::chrono::milliseconds(7));
      }
    });
  }
  void Stop() {
    running_ = false;
    if (presser_.joinable()) presser_.join();
    QApplication::processEvents();  // the last presses
  }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = posted_.find(static_cast<QKeyEvent*>(event)->timestamp());
    if (found != posted_.end()) {
      waits.push_back(MillisecondsSince(found->second));
      posted_.erase(found);
    }
    return false;
  }

 private:
  std::thread presser_;
  std::atomic<bool> running_{false};
  unsigned long sent_ = 0;
  std::mutex mutex_;
  std::map<unsigned long, BenchClock::time_point> posted_;
};

bool NeighboursPrepared() {
  int index = g_session.currentPageIndex;
  return (index + 1 >= g_session.pageCount || IsPagePrepared(index + 1)) && (index == 0 || IsPagePrepared(index - 1));
}

// Lets the window idle until both neighbours of the current page are prepared, keys being
// pressed meanwhile; false after 30 s.
bool IdleUntilPrepared(KeyWatch& keys) {
  auto start = BenchClock::now();
  keys.Start();
  while (!NeighboursPrepared() && MillisecondsSince(start) < 30000) {
    QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  keys.Stop();
  return NeighboursPrepared();
}

double ResidentMegabytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  }
  return 0;
}

void Mouse(QEvent::Type type, QPoint at) {
  Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, at, Canvas()->mapToGlobal(at), button, held, Qt::NoModifier);
  QApplication::sendEvent(Canvas(), &event);
}

// Twenty handwriting-like pen strokes across the page, each painted and added.
void DrawStrokes() {
  RouteCommand(kCmdPenTool);
  const IntRect& page = g_view.pageRect;
  for (int stroke = 0; stroke < 20; ++stroke) {
    int y = page.top + 40 + stroke * 30, x = page.left + 40;
    Mouse(QEvent::MouseButtonPress, QPoint(x, y));
    for (int step = 1; step < 60; ++step) Mouse(QEvent::MouseMove, QPoint(x + step * 8, y + (step % 4) * 3));
    Mouse(QEvent::MouseButtonRelease, QPoint(x + 480, y));
    QApplication::processEvents();
  }
}

// Twenty force-erase strokes across the scan, each one undo step, as a teacher cleans a page.
std::vector<double> EraseStrokes() {
  auto confirm = g_platform.showMessageBox;
  g_platform.showMessageBox = [](const MessageBoxRequest&) { return MessageAnswer::Ok; };  // the warning first
  EnterForceErase();
  g_platform.showMessageBox = confirm;
  const IntRect& page = g_view.pageRect;
  std::vector<double> strokes;
  for (int stroke = 0; stroke < 20; ++stroke) {
    int y = page.top + 30 + stroke * 25, x = page.left + 30;
    auto start = BenchClock::now();
    Mouse(QEvent::MouseButtonPress, QPoint(x, y));
    for (int step = 1; step < 40; ++step) Mouse(QEvent::MouseMove, QPoint(x + step * 10, y + (step % 4) * 2));
    Mouse(QEvent::MouseButtonRelease, QPoint(x + 400, y));
    QApplication::processEvents();
    strokes.push_back(MillisecondsSince(start));
  }
  return strokes;
}

// The undo files in the benchmark's temporary folder: how many, and their bytes.
std::pair<int, double> UndoFiles(const std::string& folder) {
  int count = 0;
  double bytes = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::string name = entry.path().filename().string();
    if (name.rfind("cvn", 0) == 0 && entry.path().extension() == ".tmp") {
      ++count;
      bytes += double(entry.file_size());
    }
  }
  return {count, bytes};
}

int Run(const std::string& folder) {
  std::string path = folder + "/scan-45mb.pdf";
  if (!MakeScanDocument(path, 6)) return 1;
  double fileMb = double(std::filesystem::file_size(path)) / (1 << 20);
  OpenDocument(Utf8ToUtf16(path));
  g_mainWindow->RefreshAll();
  Canvas()->repaint();
  FPDF_DOCUMENT bare = g_engine.FPDF_LoadDocument(path.c_str(), nullptr);
  KeyWatch keys;
  Canvas()->installEventFilter(&keys);
  std::vector<double> turns, renders;
  bool forward = true;
  for (int round = 0; round < 9; ++round) {
    if (!IdleUntilPrepared(keys)) {
      std::printf("the neighbouring pages were not prepared within 30 s\n");
      return 1;
    }
    if (g_session.currentPageIndex + 1 >= g_session.pageCount) forward = false;
    if (g_session.currentPageIndex == 0) forward = true;
    auto start = BenchClock::now();
    RouteCommand(forward ? kCmdNextPage : kCmdPreviousPage);
    Canvas()->repaint();
    turns.push_back(MillisecondsSince(start));
    renders.push_back(BareRender(bare, g_session.currentPageIndex));
  }
  std::printf("BENCH page_turn_scan_prepared ratio=%.3f target=0.10 (turn to a page prepared while idle + paint "
              "%.2f ms, bare render of that page %.2f ms, medians of %zu paired runs; %d × %d device pixels; "
              "%.1f MB scan of 2480 × 3508 JPEG pages)\n",
              MedianPairedRatio(turns, renders), Median(turns), Median(renders), turns.size(), g_view.pixelWidth,
              g_view.pixelHeight, fileMb);
  double longest = *std::max_element(keys.waits.begin(), keys.waits.end());
  std::vector<double> steps;
  for (int index = 0; index < 3; ++index) steps.push_back(LongestUnpausableStep(bare, index));
  std::printf("BENCH key_press_while_preparing_pages ratio=%.3f target=1.0 (longest wait of a key press %.2f ms "
              "against 50 ms, median %.2f ms, %zu presses while neighbouring pages were rendered; the engine's "
              "longest step it cannot pause on such a page, its picture decoded in one go: %.2f ms, median of 3 "
              "pages)\n",
              longest / 50.0, longest, Median(keys.waits), keys.waits.size(), Median(steps));
  Canvas()->removeEventFilter(&keys);
  RunScanViewBenches(Canvas(), bare);

  IdleUntilPrepared(keys);
  double open = ResidentMegabytes();
  double prepared = double(PreparedPagesBytes()) / (1 << 20);
  DrawStrokes();
  IdleUntilPrepared(keys);
  double afterStrokes = ResidentMegabytes();
  malloc_trim(0);
  std::printf("MEMORY scan_6_pages resident %.1f MB with the %.1f MB scan open and its neighbours prepared (%.1f MB "
              "of prepared pages), %.1f MB after 20 pen strokes, %.1f MB of that still in use once the allocator "
              "returns what it keeps\n",
              open, fileMb, prepared, afterStrokes, ResidentMegabytes());
  std::vector<double> erases = EraseStrokes();
  IdleUntilPrepared(keys);
  double afterErasing = ResidentMegabytes();
  malloc_trim(0);
  auto [undoFiles, undoBytes] = UndoFiles(folder);
  uint64_t budget = UndoDiskBudget(g_tempFolderFreeSpace());
  std::printf("MEMORY scan_force_erase resident %.1f MB after 20 force-erase strokes on the scan (%.1f MB once the "
              "allocator returns what it keeps), a stroke %.0f ms median, the first %.0f ms; %d undo files of "
              "%.1f MB on disk in all, within the budget of %.1f MB: %s\n",
              afterErasing, ResidentMegabytes(), Median(erases), erases.front(), undoFiles, undoBytes / (1 << 20),
              double(budget) / (1 << 20), undoBytes <= double(budget) ? "yes" : "NO");
  g_engine.FPDF_CloseDocument(bare);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder = BeginWindowBench();
  CorvanApplication application(argc, argv);
  if (!FinishWindowBenchStart()) return 1;
  MainWindow* window = StartEditorWindow({QStringLiteral("corvan-pdf")});
  QApplication::processEvents();
  int result = Run(folder);
  delete window;
  ShutdownEditor();
  std::filesystem::remove_all(folder);
  return result;
}
