// Pages that are nothing but one JPEG picture (a scan): what drawing them without the engine
// needs, read once through the engine, and the check of a file for the image keys the engine
// would honour but its API does not show.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "content/picture_compose.h"
#include "drawing/marks.h"
#include "engine/page_box.h"

struct PicturePage {
  std::shared_ptr<const std::vector<uint8_t>> jpeg;  // the whole JPEG stream, as stored
  FS_MATRIX matrix{};  // the picture's unit square on the page
  PageBox box;         // the displayed box, before the page's quarter turns
  int rotation = 0;    // quarter turns
};

// The page's one image object, when the page holds nothing else (no annotations either) and
// the image is one DCTDecode stream of 8-bit DeviceGray or DeviceRGB without clip or
// transparency; null for every other page, which the engine renders.
FPDF_PAGEOBJECT OnlyPicture(const PdfOps& ops, FPDF_PAGE page);
// That picture's stream and placement; nothing when the stream cannot be read whole.
std::optional<PicturePage> ReadPicturePage(const PdfOps& ops, FPDF_PAGE page, FPDF_PAGEOBJECT image);

// Where the picture lands in a bitmap of `width` × `height` showing the whole page as the
// engine renders it (the displayed box stretched over the bitmap, the page's turns applied).
PictureToBitmap PicturePlacement(const PicturePage& picture, int width, int height);

// Draws the page into `out` (BGRx, rows width × 4 bytes); false when the engine must.
bool ComposePicturePage(const PicturePage& picture, int width, int height, uint32_t fill, uint8_t* out,
                        const std::atomic<bool>* cancel = nullptr);

// Whether a PDF file's bytes name a mask, a decode array, a colour transform, interpolation or
// optional content anywhere: stream dictionaries are never compressed, so a file without those
// names holds no picture the engine would draw otherwise. Nothing when unreadable.
std::optional<bool> FileNamesImageSurprises(const std::u16string& path);
// The same for bytes in memory.
bool NamesImageSurprises(const std::string& bytes);
