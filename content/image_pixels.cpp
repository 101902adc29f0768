#include "content/image_pixels.h"

#include <cstring>

OwnSizeRender RenderImageAtOwnSize(const PdfOps& ops, FPDF_DOCUMENT document, FPDF_PAGE page, FPDF_PAGEOBJECT image,
                                   const FS_MATRIX& own, uint32_t width, uint32_t height) {
  OwnSizeRender render;
  if (!ops.FPDFImageObj_SetMatrix(image, width, 0, 0, height, 0, 0)) return render;
  render.matrixSet = true;
  render.bitmap = ops.FPDFImageObj_GetRenderedBitmap(document, page, image);
  if (!ops.FPDFImageObj_SetMatrix(image, own.a, own.b, own.c, own.d, own.e, own.f)) {
    render.matrixRestored = false;
    if (render.bitmap != nullptr) ops.FPDFBitmap_Destroy(render.bitmap);
    render.bitmap = nullptr;
  }
  return render;
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
