#include "external/scan_pages.h"

#include <cmath>

ScanOps ScanOpsFromEngine() {
  ScanOps ops;
#define CORVAN_SCAN_COPY(slot) ops.slot = g_engine.slot;
  CORVAN_SCAN_OPS(CORVAN_SCAN_COPY)
#undef CORVAN_SCAN_COPY
  return ops;
}

bool CanScanIntoPages(const ScanOps& ops) {
  return ops.FPDFPageObj_NewImageObj && ops.FPDFImageObj_SetBitmap && ops.FPDFImageObj_SetMatrix &&
         ops.FPDFPage_Delete && ops.FPDFPage_InsertObjectForImages;
}

bool IsUsableScanDpi(double dpi) { return std::isfinite(dpi) && dpi >= kMinScanDpi && dpi <= kMaxScanDpi; }

std::optional<PageSizePoints> ScannedPageSize(const ScannedImage& image) {
  if (image.width <= 0 || image.height <= 0) return std::nullopt;
  uint64_t rowBytes = uint64_t(image.width) * 4;
  if (rowBytes >= (1ull << 31) || rowBytes * uint64_t(image.height) > kMaxScanBytes) return std::nullopt;
  bool usable = IsUsableScanDpi(image.dpiX) && IsUsableScanDpi(image.dpiY);
  double dpiX = usable ? image.dpiX : kDefaultScanDpi;
  double dpiY = usable ? image.dpiY : kDefaultScanDpi;
  PageSizePoints size{image.width * 72.0 / dpiX, image.height * 72.0 / dpiY};
  if (size.width > kMaxPageSidePoints || size.height > kMaxPageSidePoints) return std::nullopt;
  return size;
}

ScanPageFailure AddScannedPage(const ScanOps& ops, FPDF_DOCUMENT document, int index, const ScannedImage& image) {
  std::optional<PageSizePoints> size = ScannedPageSize(image);
  if (!size || image.pixels.size() != size_t(image.width) * 4 * size_t(image.height)) {
    return ScanPageFailure::InvalidImage;
  }
  FPDF_PAGE page = ops.FPDFPage_New(document, index, size->width, size->height);
  if (page == nullptr) return ScanPageFailure::OutOfMemory;

  FPDF_PAGEOBJECT picture = ops.FPDFPageObj_NewImageObj(document);
  bool inserted = false;
  bool done = false;
  if (picture != nullptr) {
    // BGRx: the unused fourth byte keeps any alpha out of the page.
    FPDF_BITMAP bitmap = ops.FPDFBitmap_CreateEx(image.width, image.height, kBitmapBgrx,
                                                 const_cast<uint8_t*>(image.pixels.data()), image.width * 4);
    bool placed = bitmap != nullptr && ops.FPDFImageObj_SetBitmap(&page, 1, picture, bitmap) &&
                  ops.FPDFImageObj_SetMatrix(picture, size->width, 0, 0, size->height, 0, 0);
    if (bitmap != nullptr) ops.FPDFBitmap_Destroy(bitmap);
    if (placed) {
      ops.FPDFPage_InsertObjectForImages(page, picture);
      inserted = true;  // the page owns the picture now, whatever the count says
      done = ops.FPDFPage_CountObjects(page) == 1 && ops.FPDFPage_GenerateContent(page);
    }
  }
  if (done) {
    ops.FPDF_ClosePage(page);
    return ScanPageFailure::None;
  }
  if (picture != nullptr && !inserted) ops.FPDFPageObj_Destroy(picture);
  ops.FPDF_ClosePage(page);
  ops.FPDFPage_Delete(document, index);
  return ScanPageFailure::EngineFailed;
}
