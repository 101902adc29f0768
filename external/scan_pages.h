// Scanned pictures becoming pages of a new PDF: one picture fills one page whose size follows
// the picture's resolution. No device code here, so any picture (a synthetic one in tests)
// goes through exactly what a scanner's does.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/engine_table.h"

// The engine entry points the scan code uses, as a table of its own (handles it opens close
// through their owners, engine/engine_handles.h).
#define CORVAN_SCAN_OPS(X)                                                                        \
  X(FPDF_CreateNewDocument) X(FPDFPage_New) X(FPDFPage_Delete) X(FPDFPageObj_NewImageObj)         \
  X(FPDFBitmap_CreateEx) X(FPDFImageObj_SetBitmap) X(FPDFImageObj_SetMatrix)                      \
  X(FPDFPage_InsertObjectForImages) X(FPDFPage_CountObjects) X(FPDFPage_GenerateContent)

struct ScanOps {
#define CORVAN_SCAN_SLOT(slot) decltype(PdfEngine::slot) slot = nullptr;
  CORVAN_SCAN_OPS(CORVAN_SCAN_SLOT)
#undef CORVAN_SCAN_SLOT
};

ScanOps ScanOpsFromEngine();
// The optional entries scanning cannot do without.
bool CanScanIntoPages(const ScanOps& ops);

constexpr double kDefaultScanDpi = 300;
constexpr double kMinScanDpi = 10;
constexpr double kMaxScanDpi = 9600;
constexpr double kMaxPageSidePoints = 14400;
constexpr uint64_t kMaxScanBytes = 268435456;  // decoded 32-bit pixels, and raw device bytes

// One scanned picture: 32-bit pixels, blue, green, red, unused, rows top to bottom.
struct ScannedImage {
  int width = 0;
  int height = 0;
  double dpiX = 0;  // as the device reported it; 0 when it did not
  double dpiY = 0;
  std::vector<uint8_t> pixels;  // width × 4 × height bytes
};

// Whether a reported resolution is a finite number within 10 … 9,600 dpi. When either of a
// picture's two is not, the picture counts as scanned at 300 dpi both ways.
bool IsUsableScanDpi(double dpi);

struct PageSizePoints {
  double width = 0, height = 0;
};

// Why a picture could not become a page.
enum class ScanPageFailure { None, InvalidImage, OutOfMemory, EngineFailed };

// The page size of a picture (at 300 dpi when either resolution is unusable); nothing when the
// picture is empty, too large in memory or gives a side above 14,400 points.
std::optional<PageSizePoints> ScannedPageSize(const ScannedImage& image);

// Adds the picture as page `index` of `document`, the picture filling the page. On a failure
// nothing of the page is left in the document.
ScanPageFailure AddScannedPage(const ScanOps& ops, FPDF_DOCUMENT document, int index, const ScannedImage& image);
