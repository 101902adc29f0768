#include "content/image_copy.h"

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "content/image_file.h"
#include "content/image_pixels.h"

namespace {

bool HasCopyEntries(const PdfOps& ops) {
  return ops.FPDFPageObj_NewImageObj && ops.FPDFPageObj_Destroy && ops.FPDFImageObj_SetMatrix &&
         ops.FPDFPageObj_GetMatrix && ops.FPDFImageObj_GetImagePixelSize && ops.FPDFImageObj_GetRenderedBitmap &&
         ops.FPDFImageObj_SetBitmap && ops.FPDFBitmap_CreateEx && ops.FPDFBitmap_GetWidth && ops.FPDFBitmap_GetHeight &&
         ops.FPDFBitmap_GetFormat && ops.FPDFBitmap_GetBuffer && ops.FPDFBitmap_GetStride && ops.FPDFBitmap_Destroy &&
         ops.FPDFPageObj_GetClipPath && ops.FPDFClipPath_CountPaths && ops.FPDFPageObj_HasTransparency;
}

// An own-size BGRA render, checked.
struct Pixels {
  ScopedBitmap bitmap;
  int stride = 0;
  const uint8_t* buffer = nullptr;
  bool opaque = true;
};

Pixels ReadPixels(const PdfOps& ops, FPDF_DOCUMENT document, FPDF_PAGE page, FPDF_PAGEOBJECT image, const FS_MATRIX& own,
                  unsigned w, unsigned h) {
  OwnSizeRender render = RenderImageAtOwnSize(ops, document, page, image, own, w, h);
  ScopedBitmap bitmap(render.bitmap);
  if (bitmap == nullptr || render.format != kBitmapBgra) return {};
  return {std::move(bitmap), render.stride, render.buffer, FullyOpaque(render.buffer, size_t(render.stride), int(w), int(h))};
}

bool SamePixels(const Pixels& a, const Pixels& b, unsigned w, unsigned h) {
  for (unsigned row = 0; row < h; ++row) {
    if (std::memcmp(a.buffer + size_t(row) * a.stride, b.buffer + size_t(row) * b.stride, size_t(w) * 4) != 0) {
      return false;
    }
  }
  return true;
}

// The JPEG carried over into `copy`, kept only when the copy renders exactly like the
// original (a colour space or decode array the JPEG alone cannot express would show).
bool CarryJpeg(const PdfOps& ops, FPDF_DOCUMENT document, FPDF_PAGE page, FPDF_PAGEOBJECT image, FPDF_PAGEOBJECT copy,
               const FS_MATRIX& own, unsigned w, unsigned h, const Pixels& original) {
  std::vector<uint8_t> jpeg = JpegStreamOf(ops, image);
  if (jpeg.empty()) return false;
  if (!LoadJpegBytes(ops, nullptr, 0, copy, jpeg)) return false;
  Pixels carried = ReadPixels(ops, document, page, copy, own, w, h);
  return carried.bitmap != nullptr && SamePixels(original, carried, w, h);
}

// The render's pixels into `copy`; an opaque picture goes without alpha, so no soft mask is
// written for it.
bool SetRenderedPixels(const PdfOps& ops, FPDF_PAGEOBJECT copy, const Pixels& pixels, unsigned w, unsigned h) {
  ScopedBitmap view(ops.FPDFBitmap_CreateEx(int(w), int(h), pixels.opaque ? kBitmapBgrx : kBitmapBgra,
                                            const_cast<uint8_t*>(pixels.buffer), pixels.stride));
  return view != nullptr && ops.FPDFImageObj_SetBitmap(nullptr, 0, copy, view.get()) != 0;
}

}  // namespace

ImageCopy CopyImageObject(const PdfOps& ops, FPDF_DOCUMENT document, FPDF_PAGE page, FPDF_PAGEOBJECT image) {
  ImageCopy failed;
  if (!HasCopyEntries(ops) || image == nullptr) return failed;
  FPDF_CLIPPATH clip = ops.FPDFPageObj_GetClipPath(image);
  if ((clip != nullptr && ops.FPDFClipPath_CountPaths(clip) > 0) || ops.FPDFPageObj_HasTransparency(image)) {
    return {ImageCopyResult::ClippedOrTranslucent, nullptr};
  }
  unsigned w = 0, h = 0;
  FS_MATRIX own{};
  if (!ops.FPDFImageObj_GetImagePixelSize(image, &w, &h) || w == 0 || h == 0 || w > 32767 || h > 32767 ||
      4ull * w * h > kMaxImageBytes || !ops.FPDFPageObj_GetMatrix(image, &own)) {
    return failed;
  }
  Pixels original = ReadPixels(ops, document, page, image, own, w, h);
  if (original.bitmap == nullptr) return failed;
  ScopedPageObject copy(ops.FPDFPageObj_NewImageObj(document));
  bool made = copy != nullptr && ops.FPDFImageObj_SetMatrix(copy.get(), own.a, own.b, own.c, own.d, own.e, own.f);
  if (made) {
    made = (original.opaque && CarryJpeg(ops, document, page, image, copy.get(), own, w, h, original)) ||
           SetRenderedPixels(ops, copy.get(), original, w, h);
  }
  if (!made) return failed;
  return {ImageCopyResult::Copied, std::move(copy)};
}
