// An image object's own pixels through the engine. The engine renders an image at one pixel
// per unit of its matrix, so the image is given the matrix (w, 0, 0, h, 0, 0) for the render
// and its own matrix back straight afterwards.
#pragma once

#include <cstdint>

#include "drawing/marks.h"

struct OwnSizeRender {
  FPDF_BITMAP bitmap = nullptr;  // the caller destroys it; null when the engine gave none
  bool matrixSet = false;        // false: the render matrix was refused, nothing changed
  bool matrixRestored = true;    // false: the image kept the render matrix (bitmap destroyed)
};

// Masks applied (a soft mask shows as alpha).
OwnSizeRender RenderImageAtOwnSize(const PdfOps& ops, FPDF_DOCUMENT document, FPDF_PAGE page, FPDF_PAGEOBJECT image,
                                   const FS_MATRIX& own, uint32_t width, uint32_t height);

// True when the image's data is one JPEG stream (its only filter is DCTDecode).
bool StoredAsJpeg(const PdfOps& ops, FPDF_PAGEOBJECT image);
