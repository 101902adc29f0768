// A new image object that shows the same picture as one on the page: the same matrix and
// pixels, alpha kept. A JPEG stream is carried over unchanged when the copy renders exactly
// like the original; anything else goes through the picture's own-size render.
//
// Why a copy: the engine keeps every object in the content stream it was read from and
// writes a page stream by stream, so an old object can never be saved above an object added
// now. Whatever must be drawn above a new object has to be new as well.
#pragma once

#include "drawing/marks.h"
#include "engine/engine_handles.h"

enum class ImageCopyResult { Copied, ClippedOrTranslucent, Failed };

struct ImageCopy {
  ImageCopyResult result = ImageCopyResult::Failed;
  ScopedPageObject object;  // not on any page yet: the caller inserts it or lets it go
};

// Clipped images and images drawn with a graphics-state alpha are refused
// (ClippedOrTranslucent): a copy would lose the clip or the alpha.
ImageCopy CopyImageObject(const PdfOps& ops, FPDF_DOCUMENT document, FPDF_PAGE page, FPDF_PAGEOBJECT image);
