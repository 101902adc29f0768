// Scan pages drawn by the picture decoder instead of the engine, for the page view, the pages
// rendered ahead and the thumbnails. Only the reading of the picture touches the engine; the
// decoding may run on any thread.
#pragma once

#include <optional>

#include "content/picture_page.h"

// The page's picture when the page is a scan the decoder draws exactly as the engine would,
// in a document whose file names nothing the engine would treat otherwise.
std::optional<PicturePage> ScanPictureOf(FPDF_PAGE page);
// The page drawn into `out` (width × height BGRx) on `fill`; false when the engine must draw it.
bool RenderScanPage(FPDF_PAGE page, int width, int height, FPDF_DWORD fill, uint8_t* out);
