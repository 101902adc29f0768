// Recognising the part of the current page the user framed: rendered at up to 300 dpi and
// handed to Tesseract.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/pdfium_types.h"
#include "external/ocr_image.h"

struct OcrImage {
  std::vector<uint8_t> pixels;  // top-down BGRA, stride 4 × width
  int width = 0;
  int height = 0;
};

// The selection as Tesseract will see it: the page as displayed (its rotation and crop box
// applied), on white. Nothing (after the message) when it cannot be rendered.
std::optional<OcrImage> RenderOcrRegion(FPDF_PAGE page, float pageWidth, float pageHeight, OcrPixelRect pageOnScreen,
                                        OcrPixelRect selection);

// Renders the selection of the current page and runs OCR on it; the status line reports the
// outcome. True when the result dialog was shown.
bool RecogniseRegion(OcrPixelRect pageOnScreen, OcrPixelRect selection);
