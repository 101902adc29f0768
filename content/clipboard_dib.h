// Device-independent bitmaps on the clipboard: reading the ones other programs offer and
// writing the one the editor offers. The bytes come from other programs and are untrusted:
// every size and offset is checked against the block before it is used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/platform_seam.h"

constexpr uint64_t kMaxClipboardPixels = 67108864;
constexpr uint64_t kMaxClipboardBytes = 268435456;

// A DIB block (header, masks, colour table, pixels): 24- or 32-bit, uncompressed or with bit
// fields. Nothing when the block is not a picture this editor can take.
std::optional<BgraPicture> DecodeClipboardDib(const uint8_t* data, size_t size);
// A BMP file ("BM" and its 14-byte file header before the DIB), as other programs offer it;
// the pixels start where the file header says.
std::optional<BgraPicture> DecodeBmpFile(const uint8_t* data, size_t size);
// What other programs offer as image/bmp: a BMP file, or a bare DIB block.
std::optional<BgraPicture> DecodeOfferedBmp(const uint8_t* data, size_t size);

// The editor's picture for other programs: a 124-byte version-5 header (top-down, 32 bits, bit
// fields for BGRA, sRGB) followed by the packed pixels. Nothing when it would pass 4 GiB.
std::optional<std::vector<uint8_t>> EncodeClipboardDibV5(const BgraPicture& picture);
// The same behind a 14-byte BMP file header, as image/bmp.
std::optional<std::vector<uint8_t>> EncodeBmpFile(const BgraPicture& picture);

// The size of a copied image on the page, in points: its own side lengths (not its bounding
// box), kept beside the picture, and how far it is turned as the page is shown.
struct ImageSizeRecord {
  float width = 0;
  float height = 0;
  float turnDegrees = 0;  // counter-clockwise as seen; −180 … 180
};
constexpr uint32_t kImageSizeMagic = 0x43564E49;  // "CVNI"
constexpr size_t kImageSizeRecordBytes = 12;      // magic, width, height
constexpr size_t kImageTurnRecordBytes = 16;      // … and the turn, which older readers skip

std::vector<uint8_t> EncodeImageSizeRecord(ImageSizeRecord size);
// Nothing unless the magic matches and both sizes are finite, above 0 and at most 100000. The
// turn is read when present and finite within ±360 degrees, otherwise it is 0.
std::optional<ImageSizeRecord> DecodeImageSizeRecord(const uint8_t* data, size_t size);
