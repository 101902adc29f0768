// A backing colour for a picture: a filled rectangle marked "CorvanPdfImageBackground" put
// into the page directly under the image, exactly covering its bounds, with every object
// above the image that overlaps it moved below the rectangle.
#pragma once

#include <cstdint>

#include "engine/pdfium_types.h"

// Shows its own messages (title "更换底色失败"). On failure the page order is put back and
// the message says whether that worked; the rectangle is never left behind. On success the
// picture on the page is a new copy of `image` (the engine saves only new objects above new
// ones), and `image` names it.
bool ApplyImageBackground(FPDF_PAGE page, FPDF_PAGEOBJECT& image, uint32_t rgb);

// The "更换底色..." command: the colour becomes the paper colour of the view and the
// navigator.
void ChooseBackgroundColour();
