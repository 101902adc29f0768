// Force erase: the pixels of page images under a brush stroke are painted white in the
// images' own data. Text and vector graphics are never touched; images that cannot be
// rewritten safely (clipped, transparent, too large) are skipped and counted.
#pragma once

#include <cstdint>
#include <vector>

#include "drawing/marks.h"
#include "geometry/screen_mapping.h"

constexpr double kForceEraseRadius = 12;  // screen pixels


struct ForceEraseResult {
  int modified = 0;              // images whose pixels were rewritten
  std::vector<FPDF_PAGEOBJECT> modifiedImages;
  int skipped = 0;               // images under the stroke that could not be (or failed)
  bool possiblyChanged = false;  // a failure after the page may already have been altered
  bool ran = false;              // every entry point present and the object count readable
};

// The pixels the last stroke wrote into one image, for the next stroke on it: a scan would
// otherwise be rendered at its own size (and a JPEG decoded) again for every stroke. Valid only
// while nothing but force erase has touched the document; the caller forgets it otherwise.
// For a JPEG the pixels are the painted ones, of which the stream holds an encoding.
struct ErasedPicture {
  FPDF_DOCUMENT document = nullptr;
  FPDF_PAGE page = nullptr;
  FPDF_PAGEOBJECT image = nullptr;
  int objectIndex = -1;
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> pixels;  // BGRA rows of width * 4 bytes, every alpha 255
};

bool HasForceEraseEntries(const PdfOps& ops);

// Paints white every pixel of the page's images whose centre lies, on screen, within
// `radius` plus one average pixel size of the stroke (segment 0 is point 0 alone). Writes
// each changed image back once. Stops at the first failure that may have altered the page.
// With `kept`, an image it holds is painted from its pixels, and the last image written is
// kept there (an image whose write failed is forgotten).
ForceEraseResult ForceEraseImages(const PdfOps& ops, FPDF_DOCUMENT document, FPDF_PAGE page,
                                  const std::vector<ScreenPoint>& stroke, double radius, const ScreenMapping& screen,
                                  ErasedPicture* kept = nullptr);
