#include "external/scan_pages.h"

#include <cmath>

#include "engine/engine_handles.h"

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

namespace {

// The picture as the page's one object, written into its content.
bool FillWithPicture(const ScanOps& ops, FPDF_DOCUMENT document, FPDF_PAGE page, const ScannedImage& image,
                     PageSizePoints size) {
  ScopedPageObject picture(ops.FPDFPageObj_NewImageObj(document));
  if (picture == nullptr) return false;
  // BGRx: the unused fourth byte keeps any alpha out of the page.
  ScopedBitmap bitmap(ops.FPDFBitmap_CreateEx(image.width, image.height, kBitmapBgrx,
                                              const_cast<uint8_t*>(image.pixels.data()), image.width * 4));
  bool placed = bitmap != nullptr && ops.FPDFImageObj_SetBitmap(&page, 1, picture.get(), bitmap.get()) &&
                ops.FPDFImageObj_SetMatrix(picture.get(), size.width, 0, 0, size.height, 0, 0);
  bitmap.reset();
  if (!placed) return false;
  // The page owns the picture from here, whatever the count says.
  ops.FPDFPage_InsertObjectForImages(page, picture.release());
  return ops.FPDFPage_CountObjects(page) == 1 && ops.FPDFPage_GenerateContent(page);
}

}  // namespace

ScanPageFailure AddScannedPage(const ScanOps& ops, FPDF_DOCUMENT document, int index, const ScannedImage& image) {
  std::optional<PageSizePoints> size = ScannedPageSize(image);
  if (!size || image.pixels.size() != size_t(image.width) * 4 * size_t(image.height)) {
    return ScanPageFailure::InvalidImage;
  }
  ScopedPage page(ops.FPDFPage_New(document, index, size->width, size->height));
  if (page == nullptr) return ScanPageFailure::OutOfMemory;
  if (FillWithPicture(ops, document, page.get(), image, *size)) return ScanPageFailure::None;
  page.reset();  // closed before it leaves the document
  ops.FPDFPage_Delete(document, index);
  return ScanPageFailure::EngineFailed;
}
