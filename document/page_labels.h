// Page labels the document defines ("iv", "A-1"), shown beside the page number.
#pragma once

#include <string>

#include "engine/pdfium_types.h"

// The label of page `index`; empty when the document defines none for it, when the library
// cannot read labels, or when the label is just the page number.
std::u16string PageLabel(FPDF_DOCUMENT document, int index);
