// The rendered page: window bands, the page bitmap, zoom and fit, scrolling, panning and the
// mapping between client pixels and page points. No toolkit code: the window paints
// `pixels` at `pageRect` and feeds input into these functions.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "engine/engine_handles.h"
#include "engine/pdfium_types.h"
#include "geometry/points.h"
#include "geometry/screen_mapping.h"

enum class FitMode { FitPage, FitWidth };

// Leaves new elements unset: a page bitmap is filled by the engine before it is shown, and
// zeroing megabytes first only costs the page turn time.
template <class T>
struct UnsetAllocator : std::allocator<T> {
  UnsetAllocator() = default;
  template <class U>
  UnsetAllocator(const UnsetAllocator<U>&) noexcept {}
  template <class U>
  struct rebind {
    using other = UnsetAllocator<U>;
  };
  template <class U>
  void construct(U* at) noexcept {
    ::new (static_cast<void*>(at)) U;
  }
};
using PixelBuffer = std::vector<uint8_t, UnsetAllocator<uint8_t>>;

struct PageView {
  ScopedBitmap bitmap;          // draws into `pixels`
  PixelBuffer pixels;           // top-down BGRx rows, stride pixelWidth * 4; the window paints these
  int bitmapWidth = 0;          // the page's size on screen, in client pixels
  int bitmapHeight = 0;
  float deviceScale = 1.0f;     // device pixels per client pixel of the screen showing the page
  int pixelWidth = 0;           // the bitmap's size in device pixels (bitmap size × deviceScale)
  int pixelHeight = 0;
  IntRect pageRect;
  bool valid = false;
  bool keepPosition = false;
  // The zoom changed and the page's current pixels may stand in, stretched, until the render
  // at the new size is ready (ShowScaledPicture).
  bool scaledStandIn = false;
  bool standInShown = false;  // stretched pixels are shown; the sharp render is owed
  // How far a page narrower than the view sits right of the centre: a panel opening or
  // closing beside it leaves it where it was. Back to 0 when the page is placed afresh.
  int fitShift = 0;
  // How far a page wider than the view may stand off the view's edges for the same reason.
  int edgeSlack = 0;
  float zoom = 1.0f;
  FitMode fitMode = FitMode::FitPage;
  uint32_t background = 0xFFFFFF;  // red in the lowest byte
  int wheelRemainder = 0;
};

// The client area's state that decides the bands.
struct WindowLayout {
  int clientWidth = 1100;
  int clientHeight = 800;
  bool fullScreen = false;
  bool navigatorShown = false;
  bool shapePanelShown = false;
  bool imagePanelShown = false;  // the image property panel takes the same band
};

struct ScrollBarState {
  int maximum = 0;  // range 0 … maximum
  int page = 0;
  int position = 0;
  bool enabled = false;
};

struct PanState {
  bool active = false;
  bool middleButton = false;
  ScreenPoint start;
  int startLeft = 0;
  int startTop = 0;
};

extern PageView g_view;
extern WindowLayout g_layout;
extern ScrollBarState g_scrollBar;
extern PanState g_pan;

constexpr int kToolbarHeight = 40;
constexpr int kStatusLineHeight = 36;
constexpr int kNavigatorWidth = 160;
constexpr int kScrollBarWidth = 20;
constexpr float kMinZoom = 0.35f;
constexpr float kMaxZoom = 4.0f;
constexpr int kMaxBitmapSide = 2800;
constexpr int kMaxBitmapPixels = 12000000;

int ToolbarBandHeight();
int StatusLineBandHeight();
IntRect ViewArea();
// Opens or closes the shape and image panels beside the page. The page keeps its size and
// place on screen (the zoom absorbs the changed fit), so what is under the pointer stays.
void SetSidePanelsShown(bool shapePanel, bool imagePanel);
IntRect ScrollBarRect();

// A page's size on screen (client pixels) and its bitmap's size (device pixels).
struct RenderSize {
  int width = 0, height = 0;
  int pixelWidth = 0, pixelHeight = 0;
  bool operator==(const RenderSize&) const = default;
};
// The size a page of `pageWidth` × `pageHeight` points (as displayed) is rendered at with the
// current layout, zoom and screen density; nothing when there is no room or it is too large.
std::optional<RenderSize> RenderSizeFor(float pageWidth, float pageHeight);

// Rotation of the current page in quarter turns (0 when unreadable).
int PageRotation();
// Builds the bitmap of the current page when the view is not valid.
void Render();
void ClampPosition();
void InvalidateRender(bool keepPosition);
// The same after a change of zoom or fit: the current pixels may stand in meanwhile.
void InvalidateZoom(bool keepPosition);
// Places the page at its new size with the pixels it has, stretched, when a zoom left the
// view waiting for a render; the view stays not valid, so the next paint renders it sharp.
// False when there is nothing to stretch.
bool ShowScaledPicture();
// Drops the bitmap (page change, document replaced, exit).
void DestroyRenderCache();

// The current page's frame; all zero without a page.
PageFrame CurrentPageFrame();
// The current page as shown: its frame and its rectangle on screen.
ScreenMapping CurrentScreenMapping();

std::optional<PagePoint> ScreenToPage(int x, int y);
// The same mapping without the inside-the-page test (for points that came from the page and
// may round to just outside it); nothing only when no page is shown.
std::optional<PagePoint> ScreenToPageUnclamped(float x, float y);
// Client pixels as floats; callers round where they need integers.
void PageToScreen(float px, float py, float& x, float& y);
// The same with the page's frame read once by the caller (walks over many objects).
inline void PageToScreen(const PageFrame& frame, float px, float py, float& x, float& y) {
  MapToScreen(ScreenMapping{frame, g_view.pageRect}, px, py, x, y);
}

bool CanZoomIn();
bool CanZoomOut();
bool ZoomIn();
bool ZoomOut();
void FitToWidth();
void FitToPage();
// A pinch: the zoom factor set directly (clamped); true when it changed.
bool SetZoomKeepingPosition(float zoom);

int ScrollOffset();
int MaxScrollOffset();
void ScrollTo(int offset);
// Wheel delta in 1/120 notches; `linesPerNotch` −1 means one page per notch.
bool ScrollByWheel(int delta, int linesPerNotch);

void BeginPan(int x, int y, bool middleButton);
void PanTo(int x, int y);
void EndPan();

int StrokePixels(float widthPt);
// The engine fill colour (0xAARRGGBB) of the page background.
FPDF_DWORD BackgroundFillColour();
