#include "view/prepared_pages.h"

#include <chrono>
#include <atomic>
#include <future>
#include <memory>
#include <vector>

#include "document/session.h"
#include "engine/engine_handles.h"
#include "engine/engine_table.h"
#include "view/picture_pages.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRenderAnnotations = 0x01;

struct PreparedPage {
  int index = -1;
  // What the pixels were rendered from; any change makes them stale.
  uint64_t document = 0;
  uint64_t generation = 0;
  FPDF_DWORD fill = 0;
  float pageWidth = 0, pageHeight = 0;  // as displayed, in points
  RenderSize size;
  PixelBuffer pixels;
  // Held while the render is under way.
  FPDF_PAGE page = nullptr;
  FPDF_BITMAP bitmap = nullptr;
  // A scan page decoded on a worker thread instead; its pixels, empty when it failed.
  std::future<PixelBuffer> decoding;
  size_t decodingBytes = 0;
  std::shared_ptr<std::atomic<bool>> stopDecoding;
  // Not ready and no render under way: the page could not be prepared (unreadable, over the
  // budget); not tried again until something it depends on changes.
  bool ready = false;
};

std::vector<PreparedPage> g_prepared;

bool CanRenderAhead() {
  return g_engine.FPDF_RenderPageBitmap_Start != nullptr && g_engine.FPDF_RenderPage_Continue != nullptr &&
         g_engine.FPDF_RenderPage_Close != nullptr;
}

FPDF_BOOL PastDeadline(IFSDK_PAUSE* pause) { return Clock::now() >= *static_cast<Clock::time_point*>(pause->user); }

// Decodings no longer wanted run out on their own: waiting for one would hold up the window.
std::vector<std::future<PixelBuffer>> g_abandoned;

void ForgetFinishedDecodings() {
  std::erase_if(g_abandoned, [](const std::future<PixelBuffer>& decoding) {
    return decoding.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
  });
}

void EndRender(PreparedPage& entry) {
  if (entry.decoding.valid()) {
    entry.stopDecoding->store(true);  // the zoom or turn that made it stale goes first
    g_abandoned.push_back(std::move(entry.decoding));
    entry.decodingBytes = 0;
  }
  if (entry.page == nullptr) return;
  g_engine.FPDF_RenderPage_Close(entry.page);
  g_engine.FPDF_ClosePage(entry.page);
  g_engine.FPDFBitmap_Destroy(entry.bitmap);
  entry.page = nullptr;
  entry.bitmap = nullptr;
}

bool Current(const PreparedPage& entry) {
  if (entry.document != DocumentSerial() || entry.generation != EditGeneration() ||
      entry.fill != BackgroundFillColour()) {
    return false;
  }
  std::optional<RenderSize> size = RenderSizeFor(entry.pageWidth, entry.pageHeight);
  return size && *size == entry.size;
}

void Settle(PreparedPage& entry, int status) {
  if (status == kRenderToBeContinued) return;
  entry.ready = status == kRenderDone;
  EndRender(entry);
  if (!entry.ready) PixelBuffer().swap(entry.pixels);
}

size_t BytesHeld() {
  size_t bytes = 0;
  for (const PreparedPage& entry : g_prepared) bytes += entry.pixels.size() + entry.decodingBytes;
  return bytes;
}

bool Decoding(const PreparedPage& entry) { return entry.decoding.valid(); }

// Takes the worker's pixels, waiting for them when `wait`; false while they are not there yet.
bool Collect(PreparedPage& entry, bool wait) {
  if (!wait && entry.decoding.wait_for(std::chrono::seconds(0)) != std::future_status::ready) return false;
  entry.pixels = entry.decoding.get();
  entry.decodingBytes = 0;
  entry.ready = !entry.pixels.empty();
  return true;
}

// A scan page goes to a worker thread: the engine thread only reads the picture's stream.
bool StartDecoding(PreparedPage& entry, FPDF_PAGE page, size_t bytes) {
  std::optional<PicturePage> picture = ScanPictureOf(page);
  if (!picture) return false;
  entry.decodingBytes = bytes;
  entry.stopDecoding = std::make_shared<std::atomic<bool>>(false);
  entry.decoding = std::async(std::launch::async, [picture = std::move(*picture), size = entry.size,
                                                   fill = uint32_t(entry.fill), bytes, stop = entry.stopDecoding] {
    PixelBuffer pixels(bytes);
    if (!ComposePicturePage(picture, size.pixelWidth, size.pixelHeight, fill, pixels.data(), stop.get())) {
      pixels = PixelBuffer();
    }
    return pixels;
  });
  return true;
}

// Loads the page and renders until `pause` asks to stop; the entry is then under way,
// ready, or marked as not to be prepared.
void Start(PreparedPage& entry, IFSDK_PAUSE* pause) {
  entry.document = DocumentSerial();
  entry.generation = EditGeneration();
  entry.fill = BackgroundFillColour();
  ScopedPage page(g_engine.FPDF_LoadPage(g_session.document, entry.index));
  if (page == nullptr) return;
  entry.pageWidth = g_engine.FPDF_GetPageWidthF(page.get());
  entry.pageHeight = g_engine.FPDF_GetPageHeightF(page.get());
  std::optional<RenderSize> size = RenderSizeFor(entry.pageWidth, entry.pageHeight);
  size_t bytes = size ? size_t(size->pixelWidth) * size->pixelHeight * 4 : 0;
  if (!size || BytesHeld() + bytes > kPreparedPagesBudget) {
    if (size) entry.size = *size;
    return;
  }
  entry.size = *size;
  if (StartDecoding(entry, page.get(), bytes)) return;
  entry.pixels.resize(bytes);
  ScopedBitmap bitmap(g_engine.FPDFBitmap_CreateEx(size->pixelWidth, size->pixelHeight, kBitmapBgrx,
                                                   entry.pixels.data(), size->pixelWidth * 4));
  if (bitmap == nullptr ||
      !g_engine.FPDFBitmap_FillRect(bitmap.get(), 0, 0, size->pixelWidth, size->pixelHeight, entry.fill)) {
    bitmap.reset();  // before its pixels go
    PixelBuffer().swap(entry.pixels);
    return;
  }
  // From here the entry holds both until EndRender closes them in the engine's order.
  entry.page = page.release();
  entry.bitmap = bitmap.release();
  Settle(entry, g_engine.FPDF_RenderPageBitmap_Start(entry.bitmap, entry.page, 0, 0, size->pixelWidth,
                                                     size->pixelHeight, 0, kRenderAnnotations, pause));
}

void Advance(PreparedPage& entry, IFSDK_PAUSE* pause) {
  Settle(entry, g_engine.FPDF_RenderPage_Continue(entry.page, pause));
}

bool IsNeighbour(int index) {
  int current = g_session.currentPageIndex;
  return index >= 0 && index < g_session.pageCount && (index == current + 1 || index == current - 1);
}

PreparedPage* Find(int index) {
  for (PreparedPage& entry : g_prepared) {
    if (entry.index == index) return &entry;
  }
  return nullptr;
}

// Forgets what is stale or no longer next to the current page.
void DropStale() {
  for (size_t i = 0; i < g_prepared.size();) {
    if (IsNeighbour(g_prepared[i].index) && Current(g_prepared[i])) {
      ++i;
      continue;
    }
    EndRender(g_prepared[i]);
    g_prepared.erase(g_prepared.begin() + std::ptrdiff_t(i));
  }
}

}  // namespace

bool PrepareNeighbourPages(double sliceMs) {
  if (!CanRenderAhead() || g_session.document == nullptr || g_session.currentPage == nullptr) {
    DropPreparedPages();
    return false;
  }
  ForgetFinishedDecodings();
  // A zoom shows a stretched stand-in until its sharp render: that render goes first.
  if (g_view.standInShown) return true;
  DropStale();
  Clock::time_point deadline =
      Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(sliceMs));
  IFSDK_PAUSE pause{1, PastDeadline, &deadline};
  // The next page first: most turns go forwards.
  int order[] = {g_session.currentPageIndex + 1, g_session.currentPageIndex - 1};
  for (int index : order) {
    if (!IsNeighbour(index)) continue;
    PreparedPage* entry = Find(index);
    if (entry == nullptr) {
      g_prepared.push_back(PreparedPage{});
      entry = &g_prepared.back();
      entry->index = index;
      Start(*entry, &pause);
    }
    if (Decoding(*entry) && !Collect(*entry, false)) return true;
    while (entry->page != nullptr && Clock::now() < deadline) Advance(*entry, &pause);
    if (entry->page != nullptr || Clock::now() >= deadline) return true;
  }
  return false;
}

bool TakePreparedPage(int index, const RenderSize& size, PixelBuffer& pixels) {
  PreparedPage* entry = Find(index);
  if (entry == nullptr) return false;
  bool usable = Current(*entry) && entry->size == size;
  if (usable && Decoding(*entry)) Collect(*entry, true);
  if (usable && entry->page != nullptr) {
    // Finishing a render under way costs less than starting the page again.
    Clock::time_point never = Clock::time_point::max();
    IFSDK_PAUSE pause{1, PastDeadline, &never};
    while (entry->page != nullptr) Advance(*entry, &pause);
  }
  usable = usable && entry->ready;
  if (usable) pixels.swap(entry->pixels);
  EndRender(*entry);
  g_prepared.erase(g_prepared.begin() + (entry - g_prepared.data()));
  return usable;
}

void DropStalePreparedPages() {
  DropStale();
  ForgetFinishedDecodings();
}

void DropPreparedPages() {
  for (PreparedPage& entry : g_prepared) EndRender(entry);
  g_prepared.clear();
}

bool IsPagePrepared(int index) {
  const PreparedPage* entry = Find(index);
  return entry != nullptr && entry->ready && Current(*entry);
}

size_t PreparedPagesBytes() { return BytesHeld(); }

bool PreparationWaiting() {
  if (g_view.standInShown) return true;
  for (const PreparedPage& entry : g_prepared) {
    if (Decoding(entry)) return true;
  }
  return false;
}
