// An image object's own pixels through the engine. The engine renders an image at one pixel
// per unit of its matrix, so the image is given the matrix (w, 0, 0, h, 0, 0) for the render
// and its own matrix back straight afterwards.
#pragma once

#include <cstdint>
#include <vector>

#include "drawing/marks.h"

struct OwnSizeRender {
  FPDF_BITMAP bitmap = nullptr;  // the caller destroys it; null when the engine gave none
  bool matrixSet = false;        // false: the render matrix was refused, nothing changed
  bool matrixRestored = true;    // false: the image kept the render matrix (bitmap destroyed)
  // With a bitmap: its pixels, checked to measure width × height with rows of at least four
  // bytes a pixel and at most 256 MiB in all; `format` is the engine's bitmap format.
  uint8_t* buffer = nullptr;
  int stride = 0;
  int format = 0;
};

// Masks applied (a soft mask shows as alpha). A bitmap that fails the checks is destroyed and
// none is given.
OwnSizeRender RenderImageAtOwnSize(const PdfOps& ops, FPDF_DOCUMENT document, FPDF_PAGE page, FPDF_PAGEOBJECT image,
                                   const FS_MATRIX& own, uint32_t width, uint32_t height);

// Every alpha byte of the BGRA pixels is 255.
bool FullyOpaque(const uint8_t* buffer, size_t stride, int width, int height);

// True when the image's data is one JPEG stream (its only filter is DCTDecode).
bool StoredAsJpeg(const PdfOps& ops, FPDF_PAGEOBJECT image);
// The whole JPEG file such an image holds; empty for any other image or a cut-off stream.
std::vector<uint8_t> JpegStreamOf(const PdfOps& ops, FPDF_PAGEOBJECT image);
