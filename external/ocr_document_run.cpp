#include "external/ocr_document_run.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "content/ocr_font.h"
#include "content/ocr_layer.h"
#include "document/session.h"
#include "engine/engine_handles.h"
#include "engine/engine_table.h"
#include "external/ocr_image.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kSlice = std::chrono::milliseconds(25);
constexpr size_t kRunsPerSlice = 150;

// Between the window thread and the worker.
struct Exchange {
  std::mutex mutex;
  std::condition_variable wake;
  std::deque<OcrPageImage> inbox;  // rendered, waiting for Tesseract
  std::deque<OcrPageText> outbox;  // recognised, waiting to be written
  bool inputClosed = false;
  bool working = false;            // the worker holds a page
  int recognising = -1;            // that page's index
  std::atomic<bool> stop{false};
};

void WorkerLoop(Exchange& exchange, const OcrTools& tools) {
  std::shared_ptr<OcrFontFiles> fonts = OpenOcrFontFiles();
  for (;;) {
    OcrPageImage image;
    {
      std::unique_lock<std::mutex> lock(exchange.mutex);
      exchange.wake.wait(lock, [&] { return exchange.stop || !exchange.inbox.empty() || exchange.inputClosed; });
      if (exchange.stop || exchange.inbox.empty()) return;
      image = std::move(exchange.inbox.front());
      exchange.inbox.pop_front();
      exchange.working = true;
      exchange.recognising = image.pageIndex;
    }
    OcrPageText text = RecognisePageImage(tools, image, *fonts, exchange.stop);
    std::lock_guard<std::mutex> lock(exchange.mutex);
    exchange.working = false;
    exchange.outbox.push_back(std::move(text));
  }
}

FPDF_BOOL PastDeadline(IFSDK_PAUSE* pause) { return Clock::now() >= *static_cast<Clock::time_point*>(pause->user); }

// A page being rendered for Tesseract.
struct Render {
  int pageIndex = -1;
  ScopedPage page;
  ScopedBitmap bitmap;
  OcrPageImage image;
  bool started = false;
};

// A recognised page being written into its layer.
struct Write {
  OcrPageText text;
  FPDF_PAGE page = nullptr;
  ScopedPage owned;  // when it is not the current page
  std::vector<OcrLayerRun> runs;
  size_t next = 0;
  int placed = 0;
};

FPDF_PAGE PageForEdit(int index, ScopedPage& owned) {
  if (index == g_session.currentPageIndex && g_session.currentPage != nullptr) return g_session.currentPage;
  owned.reset(g_engine.FPDF_LoadPage(g_session.document, index));
  return owned.get();
}

// Loads the page and its bitmap; false when the page cannot be rendered.
bool StartRender(Render& render, int index) {
  render = Render{};
  render.pageIndex = index;
  render.page.reset(g_engine.FPDF_LoadPage(g_session.document, index));
  if (render.page == nullptr) return false;
  PageFrame frame = DisplayedFrameOf(render.page.get());
  double scale = OcrPageScale(frame.DisplayedWidth(), frame.DisplayedHeight());
  if (!(scale > 0)) return false;
  int width = std::max(1, int(std::ceil(frame.DisplayedWidth() * scale)));
  int height = std::max(1, int(std::ceil(frame.DisplayedHeight() * scale)));
  render.image.pageIndex = index;
  render.image.width = width;
  render.image.height = height;
  render.image.bgra.assign(size_t(width) * size_t(height) * 4, 0);
  render.bitmap.reset(g_engine.FPDFBitmap_CreateEx(width, height, kBitmapBgrx, render.image.bgra.data(), width * 4));
  return render.bitmap != nullptr && g_engine.FPDFBitmap_FillRect(render.bitmap.get(), 0, 0, width, height, 0xFFFFFFFF);
}

// Renders until the slice ends; true once the picture is complete.
std::optional<bool> ContinueRender(Render& render, Clock::time_point deadline) {
  IFSDK_PAUSE pause{1, PastDeadline, &deadline};
  int status = render.started
                   ? g_engine.FPDF_RenderPage_Continue(render.page.get(), &pause)
                   : g_engine.FPDF_RenderPageBitmap_Start(render.bitmap.get(), render.page.get(), 0, 0,
                                                          render.image.width, render.image.height, 0, 0, &pause);
  render.started = true;
  if (status == kRenderToBeContinued) return false;
  g_engine.FPDF_RenderPage_Close(render.page.get());
  render.bitmap.reset();  // before its pixels move on
  render.page.reset();
  if (status != kRenderDone) return std::nullopt;
  return true;
}

void AbandonRender(std::optional<Render>& render) {
  if (render && render->started && render->page != nullptr) g_engine.FPDF_RenderPage_Close(render->page.get());
  render.reset();
}

// Fonts into the document, the old layer out, the runs in displayed points.
bool BeginWrite(Write& write) {
  write.page = PageForEdit(write.text.pageIndex, write.owned);
  if (write.page == nullptr) return false;
  std::vector<FPDF_FONT> loaded;
  for (const PreparedOcrFont& font : write.text.fonts.fonts) loaded.push_back(LoadPreparedOcrFont(font));
  if (!RemoveOcrLayer(write.page)) return false;
  PageFrame frame = DisplayedFrameOf(write.page);
  double kx = write.text.width / double(frame.DisplayedWidth());
  double ky = write.text.height / double(frame.DisplayedHeight());
  for (size_t i = 0; i < write.text.runs.size(); ++i) {
    int font = i < write.text.fonts.fontOfText.size() ? write.text.fonts.fontOfText[i] : -1;
    if (font < 0 || loaded[size_t(font)] == nullptr) continue;
    const OcrPixelBox& box = write.text.runs[i].box;
    float height = frame.DisplayedHeight();
    write.runs.push_back({float(box.left / kx), float(height - box.bottom / ky), float(box.right / kx),
                          float(height - box.top / ky), write.text.runs[i].text, loaded[size_t(font)]});
  }
  return true;
}

// Adds the next runs; true once the page is written and committed.
std::optional<bool> ContinueWrite(Write& write, bool all) {
  size_t end = all ? write.runs.size() : std::min(write.runs.size(), write.next + kRunsPerSlice);
  if (write.next < end) {
    std::vector<OcrLayerRun> part(write.runs.begin() + std::ptrdiff_t(write.next),
                                  write.runs.begin() + std::ptrdiff_t(end));
    int placed = AddOcrLayer(g_session.document, write.page, DisplayedFrameOf(write.page), part);
    if (placed < 0) return std::nullopt;
    write.placed += placed;
    write.next = end;
    if (write.next < write.runs.size()) return false;
  }
  if (!g_engine.FPDFPage_GenerateContent(write.page)) return std::nullopt;
  return true;
}

std::u16string ProgressText(int ordinal, int total) {
  return FillPlaceholders(u"正在识别第 %d / %d 页", {Num(ordinal), Num(total)});
}

}  // namespace

double OcrPageScale(float displayedWidth, float displayedHeight) {
  if (!std::isfinite(displayedWidth) || !std::isfinite(displayedHeight) || displayedWidth <= 0 || displayedHeight <= 0) {
    return 0;
  }
  double k = 300.0 / 72.0;
  k = std::min({k, (kOcrMaxSide - 2) / double(displayedWidth), (kOcrMaxSide - 2) / double(displayedHeight)});
  k = std::min(k, std::sqrt(23960000.0 / (double(displayedWidth) * displayedHeight)));
  return k;
}

OcrLoopResult RunOcrLoop(const OcrTools& tools, const std::vector<int>& pages) {
  OcrLoopResult result;
  const int total = int(pages.size());
  Exchange exchange;
  std::thread worker([&] { WorkerLoop(exchange, tools); });
  std::vector<int> ordinalOf(size_t(g_session.pageCount), 0);
  for (int i = 0; i < total; ++i) ordinalOf[size_t(pages[size_t(i)])] = i + 1;

  size_t nextRender = 0;
  std::optional<Render> render;
  std::optional<Write> write;
  int written = 0;
  int shown = 1;
  BeginBusy(ProgressText(1, total));
  for (;;) {
    if (PumpBusy() || ProgramEndRequested()) {
      result.cancelled = true;
      break;
    }
    Clock::time_point deadline = Clock::now() + kSlice;
    bool busy = false;
    std::optional<OcrPageText> arrived;
    bool workerIdle = false;
    int recognising = -1;
    {
      std::lock_guard<std::mutex> lock(exchange.mutex);
      if (!write && !exchange.outbox.empty()) {
        arrived = std::move(exchange.outbox.front());
        exchange.outbox.pop_front();
      }
      workerIdle = !exchange.working && exchange.inbox.empty() && exchange.outbox.empty();
      recognising = exchange.recognising;
      if (!exchange.working && !exchange.inbox.empty()) recognising = exchange.inbox.front().pageIndex;
    }
    if (arrived) {
      busy = true;
      if (arrived->end != OcrPageEnd::Recognised) {
        result.failed = arrived->end == OcrPageEnd::Failed;
        result.problem = arrived->problem;
        result.cancelled = !result.failed;
        break;
      }
      write.emplace();
      write->text = std::move(*arrived);
      if (!BeginWrite(*write)) {
        result.failed = true;
        result.problem = u"无法写入第 " + Num(write->text.pageIndex + 1) + u" 页的文字层。";
        write.reset();
        break;
      }
    } else if (write) {
      busy = true;
      std::optional<bool> done = ContinueWrite(*write, false);
      if (!done) {
        result.failed = true;
        result.problem = u"无法写入第 " + Num(write->text.pageIndex + 1) + u" 页的文字层。";
        write.reset();
        break;
      }
      if (*done) {
        result.words += write->placed;
        ++written;
        write.reset();
        MarkModified();
      }
    } else if (render) {
      busy = true;
      std::optional<bool> done = ContinueRender(*render, deadline);
      if (!done) {
        result.failed = true;
        result.problem = u"无法渲染第 " + Num(render->pageIndex + 1) + u" 页。";
        break;
      }
      if (*done) {
        std::lock_guard<std::mutex> lock(exchange.mutex);
        exchange.inbox.push_back(std::move(render->image));
        if (nextRender == pages.size()) exchange.inputClosed = true;
        exchange.wake.notify_one();
        render.reset();
      }
    } else if (nextRender < pages.size() && exchange.inbox.empty()) {
      // One page waits rendered while the worker recognises the one before.
      busy = true;
      int index = pages[nextRender++];
      render.emplace();
      if (!StartRender(*render, index)) {
        result.failed = true;
        result.problem = u"无法渲染第 " + Num(index + 1) + u" 页。";
        break;
      }
    } else if (nextRender == pages.size() && !render && workerIdle) {
      break;
    }
    if (recognising >= 0 && ordinalOf[size_t(recognising)] != shown) {
      shown = ordinalOf[size_t(recognising)];
      UpdateBusy(ProgressText(shown, total));
    }
    if (!busy) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  // A page half written is finished, so no page keeps only part of its layer.
  auto finish = [&](Write& page) {
    if (ContinueWrite(page, true).value_or(false)) {
      result.words += page.placed;
      ++written;
      MarkModified();
    }
  };
  if (write) finish(*write);
  write.reset();
  AbandonRender(render);
  {
    std::lock_guard<std::mutex> lock(exchange.mutex);
    exchange.stop = true;
    exchange.inputClosed = true;
  }
  exchange.wake.notify_all();
  worker.join();
  // 取消 keeps every page Tesseract had finished; a program being ended keeps its saved state.
  while (result.cancelled && !ProgramEndRequested() && !exchange.outbox.empty()) {
    Write page;
    page.text = std::move(exchange.outbox.front());
    exchange.outbox.pop_front();
    if (page.text.end == OcrPageEnd::Recognised && BeginWrite(page)) finish(page);
  }
  EndBusy();
  result.recognised = written;
  return result;
}
