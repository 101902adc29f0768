// Page labels the document defines ("iv", "A-1"), shown beside the page number.
#pragma once

#include <string>

#include "engine/pdfium_types.h"

// The label of page `index`; empty when the document defines none for it, when the library
// cannot read labels, or when the label is just the page number.
std::u16string PageLabel(FPDF_DOCUMENT document, int index);

// The first page whose label is the typed text ("viii", "A-3"; spaces around it ignored, an
// exact match before one in other letter case); -1 when no page has that label.
int PageIndexOfLabel(FPDF_DOCUMENT document, int pageCount, const std::u16string& typed);
