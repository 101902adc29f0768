// The part of a page PDFium shows: its crop box clipped to the media box. The box need not
// start at (0, 0), so anything placed "on the page" is placed relative to it.
#pragma once

#include "engine/pdfium_types.h"
#include "geometry/page_frame.h"

struct PageBox {
  float left = 0, bottom = 0, right = 0, top = 0;  // page space, before the page's /Rotate
};

// The crop box clipped to the media box, the media box without a usable crop box, and a
// US-letter box without either (as the engine itself falls back).
PageBox DisplayedPageBox(FPDF_PAGE page);

// The engine matrix that draws an object's own upright frame at displayed point (dx, dy).
FS_MATRIX UprightMatrix(const PageFrame& frame, float dx, float dy);
