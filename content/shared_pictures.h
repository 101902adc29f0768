// One image stream in a file may be drawn by several pages. When its picture changes, the
// engine shows the change on every page that draws it, but a page refers to the new stream in
// the saved file only once its content is generated again: without that, the saved file would
// show the change only on the page where it was made.
#pragma once

#include <vector>

#include "drawing/marks.h"

// Generates again the content of every page other than `currentIndex` that draws one of
// `changed` (image objects of the current page, holding their new data), so that it refers to
// the new data. False when such a page could not be loaded or generated.
bool RegeneratePagesSharing(const PdfOps& ops, FPDF_DOCUMENT document, int currentIndex,
                            const std::vector<FPDF_PAGEOBJECT>& changed);
