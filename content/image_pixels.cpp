#include "content/image_pixels.h"

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
