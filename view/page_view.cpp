#include "view/page_view.h"

#include <algorithm>
#include <cmath>

#include "document/session.h"
#include "document/window_hooks.h"
#include "engine/engine_table.h"
#include "engine/page_box.h"
#include "view/picture_pages.h"
#include "view/prepared_pages.h"

PageView g_view;
WindowLayout g_layout;
ScrollBarState g_scrollBar;
PanState g_pan;

namespace {

constexpr int kRenderAnnotations = 0x01;

float PageWidthPt() { return g_session.pageWidth; }
float PageHeightPt() { return g_session.pageHeight; }

void DestroyBitmap() { g_view.bitmap.reset(); }

// The unrotated page size (W, H) for the displayed size and rotation.
void UnrotatedSize(int rotation, float& w, float& h) {
  bool odd = rotation % 2 == 1;
  w = odd ? PageHeightPt() : PageWidthPt();
  h = odd ? PageWidthPt() : PageHeightPt();
}

}  // namespace

int ToolbarBandHeight() { return g_layout.fullScreen ? 0 : kToolbarHeight; }
int StatusLineBandHeight() { return g_layout.fullScreen ? 0 : kStatusLineHeight; }

IntRect ViewArea() {
  IntRect area;
  area.left = g_layout.navigatorShown ? kNavigatorWidth : 0;
  area.top = ToolbarBandHeight();
  int rightMargin = g_layout.shapePanelShown || g_layout.imagePanelShown ? 260 : 20;
  area.right = std::max(area.left, g_layout.clientWidth - rightMargin);
  area.bottom = g_layout.clientHeight - StatusLineBandHeight();
  return area;
}

IntRect ScrollBarRect() {
  return {g_layout.clientWidth - kScrollBarWidth, ToolbarBandHeight(), g_layout.clientWidth,
          g_layout.clientHeight - StatusLineBandHeight()};
}

int PageRotation() {
  if (g_session.currentPage == nullptr) return 0;
  int r = g_engine.FPDFPage_GetRotation(g_session.currentPage);
  return (r >= 0 && r <= 3) ? r : 0;
}

namespace {

constexpr int kPageMargin = 16;  // around a page that fits the view

// Pixels per point at zoom 1 for this view area; 0 when there is no room.
float FitFactor(const IntRect& view, float pageWidth, float pageHeight) {
  float availW = float(view.Width() - 2 * kPageMargin), availH = float(view.Height() - 2 * kPageMargin);
  if (availW < 20 || availH < 20 || !(pageWidth > 0) || !(pageHeight > 0)) return 0;
  float fit = availW / pageWidth;
  if (g_view.fitMode == FitMode::FitPage) fit = std::min(fit, availH / pageHeight);
  return fit;
}

}  // namespace

void SetSidePanelsShown(bool shapePanel, bool imagePanel) {
  bool before = g_layout.shapePanelShown || g_layout.imagePanelShown;
  float oldFit = FitFactor(ViewArea(), PageWidthPt(), PageHeightPt());
  g_layout.shapePanelShown = shapePanel;
  g_layout.imagePanelShown = imagePanel;
  if (before == (shapePanel || imagePanel)) return;
  IntRect view = ViewArea();
  float newFit = FitFactor(view, PageWidthPt(), PageHeightPt());
  // The page keeps its pixels per point, also when the panel goes with an undo that has just
  // dropped the bitmap.
  if (oldFit > 0 && newFit > 0) g_view.zoom = std::clamp(g_view.zoom * oldFit / newFit, kMinZoom, kMaxZoom);
  if (g_view.bitmapWidth > 0 && oldFit > 0 && newFit > 0) {
    g_view.fitShift = g_view.pageRect.left - (view.left + (view.Width() - g_view.bitmapWidth) / 2);
    g_view.edgeSlack = std::max({0, g_view.pageRect.left - view.left, view.right - g_view.pageRect.right});
  }
  InvalidateRender(true);
}

namespace {

// A render that cannot produce a bitmap shows none: the previous page's bitmap must not be
// painted, nor hit, in its place. The next paint tries again.
void ShowNoBitmap() {
  DestroyRenderCache();
  ClampPosition();
}

// Where a bitmap of `width` × `height` goes: where the page was when its position is kept,
// centred otherwise; then clamped into the view.
void PlacePage(int width, int height, bool hadBitmap, const IntRect& old, const IntRect& view) {
  g_view.bitmapWidth = width;
  g_view.bitmapHeight = height;
  if (g_view.keepPosition && hadBitmap) {
    g_view.pageRect.left = old.left;
    g_view.pageRect.top = old.top;
  } else {
    g_view.fitShift = g_view.edgeSlack = 0;
    g_view.pageRect.left = width <= view.Width() ? view.left + (view.Width() - width) / 2 : view.left;
    g_view.pageRect.top = height <= view.Height() ? view.top + (view.Height() - height) / 2 : view.top;
  }
  g_view.pageRect.right = g_view.pageRect.left + width;
  g_view.pageRect.bottom = g_view.pageRect.top + height;
  ClampPosition();
  g_view.keepPosition = false;
}

}  // namespace

std::optional<RenderSize> RenderSizeFor(float pageWidth, float pageHeight) {
  if (!(pageWidth > 0) || !(pageHeight > 0)) return std::nullopt;
  IntRect view = ViewArea();
  float fit = FitFactor(view, pageWidth, pageHeight);
  if (!(fit * g_view.zoom > 0)) return std::nullopt;
  float scale = std::min({float(kMaxBitmapSide) / pageHeight, float(kMaxBitmapSide) / pageWidth, fit * g_view.zoom});
  RenderSize size;
  size.width = int(pageWidth * scale + 0.5f);
  size.height = int(pageHeight * scale + 0.5f);
  if (size.width < 1 || size.height < 1 || int64_t(size.width) * size.height > kMaxBitmapPixels) return std::nullopt;
  // On a high-density screen the page is rendered at device pixels, not enlarged afterwards.
  float deviceScale = g_view.deviceScale > 1 ? g_view.deviceScale : 1.0f;
  size.pixelWidth = int(float(size.width) * deviceScale + 0.5f);
  size.pixelHeight = int(float(size.height) * deviceScale + 0.5f);
  return size;
}

void Render() {
  if (g_session.currentPage == nullptr) return ShowNoBitmap();
  std::optional<RenderSize> size = RenderSizeFor(PageWidthPt(), PageHeightPt());
  if (!size) return ShowNoBitmap();
  int width = size->width, height = size->height;
  int pixelWidth = size->pixelWidth, pixelHeight = size->pixelHeight;

  bool hadBitmap = g_view.bitmapWidth > 0;
  IntRect view = ViewArea();
  IntRect old = g_view.pageRect;
  DestroyBitmap();
  // A neighbouring page rendered ahead arrives ready; otherwise the engine renders straight
  // into the buffer the window paints from, kept between turns of the same size.
  bool prepared = TakePreparedPage(g_session.currentPageIndex, *size, g_view.pixels);
  DropStalePreparedPages();  // pages prepared for another size stop decoding
  size_t bytes = size_t(pixelWidth) * pixelHeight * 4;
  if (!prepared) {
    if (g_view.pixels.capacity() > 2 * bytes) PixelBuffer().swap(g_view.pixels);
    g_view.pixels.resize(bytes);
  }
  g_view.bitmap.reset(
      g_engine.FPDFBitmap_CreateEx(pixelWidth, pixelHeight, kBitmapBgrx, g_view.pixels.data(), pixelWidth * 4));
  if (g_view.bitmap == nullptr) {
    g_view.pixels.clear();
    return ShowNoBitmap();
  }
  // A scan page is decoded at the size shown instead of in full by the engine.
  if (!prepared && !RenderScanPage(g_session.currentPage, pixelWidth, pixelHeight, BackgroundFillColour(),
                                   g_view.pixels.data())) {
    if (!g_engine.FPDFBitmap_FillRect(g_view.bitmap.get(), 0, 0, pixelWidth, pixelHeight, BackgroundFillColour())) {
      return ShowNoBitmap();
    }
    g_engine.FPDF_RenderPageBitmap(g_view.bitmap.get(), g_session.currentPage, 0, 0, pixelWidth, pixelHeight, 0,
                                   kRenderAnnotations);
  }
  g_view.pixelWidth = pixelWidth;
  g_view.pixelHeight = pixelHeight;
  PlacePage(width, height, hadBitmap, old, view);
  g_view.valid = true;
  g_view.scaledStandIn = g_view.standInShown = false;
}

bool ShowScaledPicture() {
  if (!g_view.scaledStandIn || g_view.valid || g_view.pixels.empty() || g_view.bitmapWidth <= 0) return false;
  g_view.scaledStandIn = false;
  if (g_session.currentPage == nullptr) return false;
  std::optional<RenderSize> size = RenderSizeFor(PageWidthPt(), PageHeightPt());
  if (!size) return false;
  DropStalePreparedPages();
  // The pixels stay as they are; the window stretches them over the page's new rectangle.
  PlacePage(size->width, size->height, true, g_view.pageRect, ViewArea());
  g_view.keepPosition = true;  // the sharp render lands where the stand-in is
  g_view.standInShown = true;
  return true;
}

void ClampPosition() {
  IntRect view = ViewArea();
  IntRect& page = g_view.pageRect;
  int width = g_view.bitmapWidth;
  int height = g_view.bitmapHeight;
  if (width > view.Width()) {
    int slack = g_view.edgeSlack;
    page.left = std::max(view.right - slack - width, std::min(view.left + slack, page.left));
  } else {
    int centred = view.left + (view.Width() - width) / 2;
    page.left = std::clamp(centred + g_view.fitShift, view.left, view.right - width);
  }
  if (height > view.Height()) {
    page.top = std::max(view.bottom - height, std::min(view.top, page.top));
  } else {
    page.top = view.top + (view.Height() - height) / 2;
  }
  page.right = page.left + width;
  page.bottom = page.top + height;
  g_scrollBar.maximum = std::max(view.Height(), height) - 1;
  g_scrollBar.page = view.Height();
  g_scrollBar.position = std::max(0, std::min(height - view.Height(), view.top - page.top));
  g_scrollBar.enabled = height > view.Height();
}

void InvalidateRender(bool keepPosition) {
  g_view.valid = false;
  g_view.keepPosition = keepPosition;
  g_view.scaledStandIn = g_view.standInShown = false;
  g_window.changed(Change::Status);
}

void InvalidateZoom(bool keepPosition) {
  InvalidateRender(keepPosition);
  g_view.scaledStandIn = g_view.bitmapWidth > 0;
}

void DestroyRenderCache() {
  DestroyBitmap();
  g_view.bitmapWidth = g_view.bitmapHeight = 0;
  g_view.pixelWidth = g_view.pixelHeight = 0;
  g_view.pageRect = IntRect{};
  g_view.valid = false;
  g_view.scaledStandIn = g_view.standInShown = false;
}

std::optional<PagePoint> ScreenToPage(int x, int y) {
  if (!g_view.pageRect.Contains(x, y)) return std::nullopt;
  return ScreenToPageUnclamped(float(x), float(y));
}

std::optional<PagePoint> ScreenToPageUnclamped(float x, float y) {
  if (g_session.document == nullptr) return std::nullopt;
  return MapToPage(CurrentScreenMapping(), x, y);
}

void PageToScreen(float px, float py, float& x, float& y) { PageToScreen(CurrentPageFrame(), px, py, x, y); }

PageFrame CurrentPageFrame() {
  PageFrame frame;
  if (g_session.currentPage == nullptr) return frame;
  frame.rotation = PageRotation();
  UnrotatedSize(frame.rotation, frame.width, frame.height);
  PageBox box = DisplayedPageBox(g_session.currentPage);
  frame.originX = box.left;
  frame.originY = box.bottom;
  return frame;
}

ScreenMapping CurrentScreenMapping() { return ScreenMapping{CurrentPageFrame(), g_view.pageRect}; }

bool CanZoomIn() { return g_session.document != nullptr && g_view.zoom < kMaxZoom; }
bool CanZoomOut() { return g_session.document != nullptr && g_view.zoom > kMinZoom; }

bool ZoomIn() {
  if (g_session.currentPage == nullptr || !CanZoomIn()) return false;
  g_view.zoom *= 1.2f;
  InvalidateZoom(true);
  return true;
}

bool ZoomOut() {
  if (g_session.currentPage == nullptr || !CanZoomOut()) return false;
  g_view.zoom /= 1.2f;
  InvalidateZoom(true);
  return true;
}

void FitToWidth() {
  g_view.fitMode = FitMode::FitWidth;
  g_view.zoom = 1.0f;
  InvalidateZoom(false);
}

void FitToPage() {
  g_view.fitMode = FitMode::FitPage;
  g_view.zoom = 1.0f;
  InvalidateZoom(false);
}

bool SetZoomKeepingPosition(float zoom) {
  zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
  if (std::fabs(zoom - g_view.zoom) < 0.001f) return false;
  g_view.zoom = zoom;
  InvalidateZoom(true);
  return true;
}

int ScrollOffset() { return std::max(0, ViewArea().top - g_view.pageRect.top); }

int MaxScrollOffset() { return std::max(0, g_view.bitmapHeight - ViewArea().Height()); }

void ScrollTo(int offset) {
  offset = std::clamp(offset, 0, MaxScrollOffset());
  g_view.pageRect.top = ViewArea().top - offset;
  g_view.pageRect.bottom = g_view.pageRect.top + g_view.bitmapHeight;
  ClampPosition();
  g_window.changed(Change::Status);
}

bool ScrollByWheel(int delta, int linesPerNotch) {
  g_view.wheelRemainder += delta;
  int notches = g_view.wheelRemainder / 120;
  g_view.wheelRemainder -= notches * 120;
  int viewHeight = ViewArea().Height();
  int step = linesPerNotch == -1 ? viewHeight : 40 * std::min(linesPerNotch, std::max(1, viewHeight / 40));
  int old = ScrollOffset();
  int target = std::clamp(old - notches * step, 0, MaxScrollOffset());
  if (target == old) return false;
  ScrollTo(target);
  return true;
}

void BeginPan(int x, int y, bool middleButton) {
  g_pan.active = true;
  g_pan.middleButton = middleButton;
  g_pan.start = {x, y};
  g_pan.startLeft = g_view.pageRect.left;
  g_pan.startTop = g_view.pageRect.top;
}

void PanTo(int x, int y) {
  if (!g_pan.active) return;
  g_view.pageRect.left = g_pan.startLeft + (x - g_pan.start.x);
  g_view.pageRect.top = g_pan.startTop + (y - g_pan.start.y);
  g_view.pageRect.right = g_view.pageRect.left + g_view.bitmapWidth;
  g_view.pageRect.bottom = g_view.pageRect.top + g_view.bitmapHeight;
  ClampPosition();
  g_window.changed(Change::Status);
}

void EndPan() { g_pan = PanState{}; }

int StrokePixels(float widthPt) {
  if (!(PageWidthPt() > 0)) return 1;
  return std::max(1, int(float(g_view.bitmapWidth) * widthPt / PageWidthPt() + 0.5f));
}

FPDF_DWORD BackgroundFillColour() {
  uint32_t rgb = g_view.background;
  return 0xFF000000u | (rgb & 0xFF) << 16 | ((rgb >> 8) & 0xFF) << 8 | ((rgb >> 16) & 0xFF);
}
