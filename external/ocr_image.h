// The page region handed to Tesseract: how large to render it, and the 24-bit BMP file it
// reads (it refuses 32-bit compressed bitmaps).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Pixels of a rectangle in client coordinates; right and bottom excluded.
struct OcrPixelRect {
  int left = 0, top = 0, right = 0, bottom = 0;
};

// Where the selection lands when the whole page is rendered at `scale` pixels per point.
struct OcrRenderPlan {
  double scale = 0;
  int pageWidth = 0, pageHeight = 0;  // the whole page in pixels
  int x0 = 0, y0 = 0;                 // the selection's top-left corner in those pixels
  int width = 0, height = 0;          // the selection in pixels
};

constexpr long long kOcrMaxPixels = 24000000;
constexpr int kOcrMaxSide = 8000;

// At most 300 dpi, at most 7998 pixels a side before rounding and 23,960,000 in area, and the
// whole page at most a million pixels a side. On failure `problem` holds the user's text.
std::optional<OcrRenderPlan> PlanOcrRender(float pageWidth, float pageHeight, OcrPixelRect pageOnScreen,
                                           OcrPixelRect selection, std::u16string& problem);

// Writes a bottom-up 24-bit BMP of top-down BGRA pixels; false (and no file) when the size
// is out of range or writing failed.
bool WriteBmp24(const std::u16string& path, const uint8_t* bgra, int width, int height, int stride);
