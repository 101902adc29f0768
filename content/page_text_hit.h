// Finding the page's own text under a point, for inputs that open a text object for editing.
#pragma once

#include "engine/pdfium_types.h"

// The topmost text object whose bounds contain the page point, or none. The page keeps
// ownership of the object.
FPDF_PAGEOBJECT TopmostTextObjectAt(FPDF_PAGE page, float x, float y);
