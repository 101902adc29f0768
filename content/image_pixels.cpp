#include "content/image_pixels.h"

#include <cstring>

#include "content/image_file.h"
#include "engine/engine_handles.h"

namespace {

constexpr uint64_t kMaxOwnSizeBytes = 268435456;  // 256 MiB

}  // namespace

OwnSizeRender RenderImageAtOwnSize(const PdfOps& ops, FPDF_DOCUMENT document, FPDF_PAGE page, FPDF_PAGEOBJECT image,
                                   const FS_MATRIX& own, uint32_t width, uint32_t height) {
  OwnSizeRender render;
  if (!ops.FPDFImageObj_SetMatrix(image, width, 0, 0, height, 0, 0)) return render;
  render.matrixSet = true;
  ScopedBitmap bitmap(ops.FPDFImageObj_GetRenderedBitmap(document, page, image));
  if (!ops.FPDFImageObj_SetMatrix(image, own.a, own.b, own.c, own.d, own.e, own.f)) {
    render.matrixRestored = false;
    return render;
  }
  if (bitmap == nullptr) return render;
  FPDF_BITMAP raw = bitmap.get();
  auto* buffer = static_cast<uint8_t*>(ops.FPDFBitmap_GetBuffer(raw));
  const int stride = ops.FPDFBitmap_GetStride(raw);
  if (ops.FPDFBitmap_GetWidth(raw) != int64_t(width) || ops.FPDFBitmap_GetHeight(raw) != int64_t(height) ||
      buffer == nullptr || stride < 0 || uint64_t(stride) < 4ull * width ||
      uint64_t(stride) * height > kMaxOwnSizeBytes) {
    return render;
  }
  render.buffer = buffer;
  render.stride = stride;
  render.format = ops.FPDFBitmap_GetFormat(raw);
  render.bitmap = bitmap.release();
  return render;
}

// Eight bytes (two pixels) at a time.
bool FullyOpaque(const uint8_t* buffer, size_t stride, int width, int height) {
  constexpr uint64_t kAlphas = 0xFF000000FF000000ull;
  for (int row = 0; row < height; ++row) {
    const uint8_t* p = buffer + size_t(row) * stride;
    uint64_t all = kAlphas;
    int column = 0;
    for (; column + 2 <= width; column += 2, p += 8) {
      uint64_t pair;
      std::memcpy(&pair, p, 8);
      all &= pair;
    }
    if ((all & kAlphas) != kAlphas || (column < width && p[3] != 255)) return false;
  }
  return true;
}

bool StoredAsJpeg(const PdfOps& ops, FPDF_PAGEOBJECT image) {
  if (!ops.FPDFImageObj_GetImageFilterCount || !ops.FPDFImageObj_GetImageFilter ||
      ops.FPDFImageObj_GetImageFilterCount(image) != 1) {
    return false;
  }
  char name[16] = {};
  unsigned long length = ops.FPDFImageObj_GetImageFilter(image, 0, name, sizeof name);
  return length == sizeof "DCTDecode" && std::strcmp(name, "DCTDecode") == 0;
}

std::vector<uint8_t> JpegStreamOf(const PdfOps& ops, FPDF_PAGEOBJECT image) {
  if (!ops.FPDFImageObj_GetImageDataRaw || !ops.FPDFImageObj_LoadJpegFileInline || !StoredAsJpeg(ops, image)) return {};
  unsigned long size = ops.FPDFImageObj_GetImageDataRaw(image, nullptr, 0);
  if (size == 0 || size > kMaxImageBytes) return {};
  std::vector<uint8_t> bytes(size);
  if (ops.FPDFImageObj_GetImageDataRaw(image, bytes.data(), size) != size) return {};
  if (!JpegIsComplete(bytes.data(), bytes.size())) return {};
  return bytes;
}
