#include "content/clipboard_dib.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace {

constexpr uint32_t kCompressionNone = 0;
constexpr uint32_t kCompressionBitFields = 3;
constexpr uint32_t kCompressionAlphaBitFields = 6;
constexpr uint32_t kV5HeaderSize = 124;

uint32_t ReadU32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t ReadU16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
int32_t ReadI32(const uint8_t* p) { return int32_t(ReadU32(p)); }

void WriteU32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

// One channel of a bit-field pixel scaled to 0 … 255 (the mask is non-zero).
struct Channel {
  uint32_t shift = 0;
  uint64_t mask = 0;  // the mask shifted down to bit 0
  uint8_t Of(uint32_t pixel) const { return uint8_t((((pixel >> shift) & mask) * 255 + mask / 2) / mask); }
};

Channel ChannelFor(uint32_t mask) {
  Channel channel;
  channel.shift = uint32_t(std::countr_zero(mask));
  channel.mask = mask >> channel.shift;
  return channel;
}

struct Masks {
  uint32_t red = 0, green = 0, blue = 0, alpha = 0;
};

// A DIB block; `pixelOffset`, when given (a BMP file says where its pixels start), must lie
// at or after the colour table, which then need not reach the pixels.
std::optional<BgraPicture> DecodeDib(const uint8_t* data, size_t size, std::optional<uint64_t> pixelOffset) {
  if (data == nullptr || size < 40) return std::nullopt;
  const uint64_t headerSize = ReadU32(data);
  if (headerSize < 40 || headerSize > size) return std::nullopt;
  const int32_t width = ReadI32(data + 4);
  const int32_t rawHeight = ReadI32(data + 8);
  const uint16_t planes = ReadU16(data + 12);
  const uint16_t bits = ReadU16(data + 14);
  const uint32_t compression = ReadU32(data + 16);
  const uint64_t coloursUsed = ReadU32(data + 32);
  if (width <= 0 || rawHeight == 0 || planes != 1 || (bits != 24 && bits != 32)) return std::nullopt;
  if (compression != kCompressionNone && compression != kCompressionBitFields && compression != kCompressionAlphaBitFields) {
    return std::nullopt;
  }
  const bool bottomUp = rawHeight > 0;
  const uint64_t height = bottomUp ? uint64_t(rawHeight) : uint64_t(-int64_t(rawHeight));
  const uint64_t pixelCount = uint64_t(width) * height;
  if (pixelCount > kMaxClipboardPixels || 4 * pixelCount > kMaxClipboardBytes) return std::nullopt;

  uint64_t offset = headerSize;
  Masks masks;
  const bool bitFields = compression != kCompressionNone;
  if (bitFields) {
    if (headerSize >= 56) {
      masks = {ReadU32(data + 40), ReadU32(data + 44), ReadU32(data + 48), ReadU32(data + 52)};
    } else if (headerSize == 40) {
      const uint64_t count = compression == kCompressionAlphaBitFields ? 4 : 3;
      if (size - offset < count * 4) return std::nullopt;
      masks = {ReadU32(data + 40), ReadU32(data + 44), ReadU32(data + 48), count == 4 ? ReadU32(data + 52) : 0};
      offset += count * 4;
    } else if (headerSize >= 52) {
      masks = {ReadU32(data + 40), ReadU32(data + 44), ReadU32(data + 48), 0};
    } else {
      return std::nullopt;
    }
    if (masks.red == 0 || masks.green == 0 || masks.blue == 0) return std::nullopt;
  }
  // The colour table: at most 2^32 − 1 entries, so the sum cannot overflow 64 bits.
  offset += coloursUsed * 4;
  if (pixelOffset) {
    if (*pixelOffset < offset) return std::nullopt;
    offset = *pixelOffset;
  }
  const uint64_t rowBytes = (uint64_t(width) * bits + 31) / 32 * 4;
  if (offset > size || (size - offset) / rowBytes < height) return std::nullopt;

  BgraPicture picture;
  picture.width = width;
  picture.height = int(height);
  picture.pixels.resize(size_t(pixelCount) * 4);
  const Channel red = bitFields ? ChannelFor(masks.red) : Channel{};
  const Channel green = bitFields ? ChannelFor(masks.green) : Channel{};
  const Channel blue = bitFields ? ChannelFor(masks.blue) : Channel{};
  const Channel alpha = bitFields && masks.alpha != 0 ? ChannelFor(masks.alpha) : Channel{};
  for (uint64_t row = 0; row < height; ++row) {
    const uint64_t sourceRow = bottomUp ? height - 1 - row : row;
    const uint8_t* in = data + offset + sourceRow * rowBytes;
    uint8_t* out = picture.pixels.data() + row * uint64_t(width) * 4;
    for (int32_t x = 0; x < width; ++x, out += 4) {
      if (bits == 24) {
        const uint8_t* p = in + uint64_t(x) * 3;
        out[0] = p[0], out[1] = p[1], out[2] = p[2], out[3] = 255;
      } else if (!bitFields) {
        const uint8_t* p = in + uint64_t(x) * 4;
        out[0] = p[0], out[1] = p[1], out[2] = p[2], out[3] = 255;
      } else {
        const uint32_t pixel = ReadU32(in + uint64_t(x) * 4);
        out[0] = blue.Of(pixel), out[1] = green.Of(pixel), out[2] = red.Of(pixel);
        out[3] = masks.alpha != 0 ? alpha.Of(pixel) : 255;
      }
    }
  }
  return picture;
}

}  // namespace

std::optional<BgraPicture> DecodeClipboardDib(const uint8_t* data, size_t size) { return DecodeDib(data, size, std::nullopt); }

std::optional<BgraPicture> DecodeBmpFile(const uint8_t* data, size_t size) {
  constexpr size_t kFileHeader = 14;
  if (data == nullptr || size < kFileHeader || data[0] != 'B' || data[1] != 'M') return std::nullopt;
  const uint32_t pixelOffset = ReadU32(data + 10);  // from the start of the file
  if (pixelOffset < kFileHeader) return std::nullopt;
  return DecodeDib(data + kFileHeader, size - kFileHeader, pixelOffset - kFileHeader);
}

std::optional<BgraPicture> DecodeOfferedBmp(const uint8_t* data, size_t size) {
  if (auto picture = DecodeBmpFile(data, size)) return picture;
  return DecodeClipboardDib(data, size);
}

std::optional<std::vector<uint8_t>> EncodeClipboardDibV5(const BgraPicture& picture) {
  if (picture.width <= 0 || picture.height <= 0) return std::nullopt;
  const uint64_t dataSize = uint64_t(picture.width) * uint64_t(picture.height) * 4;
  if (dataSize != picture.pixels.size() || kV5HeaderSize + dataSize > 0xFFFFFFFFull) return std::nullopt;
  std::vector<uint8_t> block(kV5HeaderSize + dataSize, 0);
  uint8_t* h = block.data();
  WriteU32(h + 0, kV5HeaderSize);
  WriteU32(h + 4, uint32_t(picture.width));
  WriteU32(h + 8, uint32_t(-int64_t(picture.height)));  // negative: rows top-down
  h[12] = 1;                                            // planes
  h[14] = 32;                                           // bits per pixel
  WriteU32(h + 16, kCompressionBitFields);
  WriteU32(h + 20, uint32_t(dataSize));
  WriteU32(h + 40, 0x00FF0000);
  WriteU32(h + 44, 0x0000FF00);
  WriteU32(h + 48, 0x000000FF);
  WriteU32(h + 52, 0xFF000000);
  WriteU32(h + 56, 0x73524742);  // 'sRGB'
  std::memcpy(h + kV5HeaderSize, picture.pixels.data(), size_t(dataSize));
  return block;
}

std::optional<std::vector<uint8_t>> EncodeBmpFile(const BgraPicture& picture) {
  std::optional<std::vector<uint8_t>> dib = EncodeClipboardDibV5(picture);
  if (!dib || dib->size() > 0xFFFFFFFFull - 14) return std::nullopt;
  std::vector<uint8_t> file(14, 0);
  file[0] = 'B';
  file[1] = 'M';
  WriteU32(file.data() + 2, uint32_t(14 + dib->size()));
  WriteU32(file.data() + 10, 14 + kV5HeaderSize);
  file.insert(file.end(), dib->begin(), dib->end());
  return file;
}

std::vector<uint8_t> EncodeImageSizeRecord(ImageSizeRecord size) {
  std::vector<uint8_t> block(kImageTurnRecordBytes);
  WriteU32(block.data(), kImageSizeMagic);
  std::memcpy(block.data() + 4, &size.width, 4);
  std::memcpy(block.data() + 8, &size.height, 4);
  std::memcpy(block.data() + 12, &size.turnDegrees, 4);
  return block;
}

std::optional<ImageSizeRecord> DecodeImageSizeRecord(const uint8_t* data, size_t size) {
  if (data == nullptr || size < kImageSizeRecordBytes || ReadU32(data) != kImageSizeMagic) return std::nullopt;
  ImageSizeRecord record;
  std::memcpy(&record.width, data + 4, 4);
  std::memcpy(&record.height, data + 8, 4);
  auto valid = [](float v) { return std::isfinite(v) && v > 0 && v <= 100000.0f; };
  if (!valid(record.width) || !valid(record.height)) return std::nullopt;
  if (size >= kImageTurnRecordBytes) {
    std::memcpy(&record.turnDegrees, data + 12, 4);
    if (!std::isfinite(record.turnDegrees) || std::fabs(record.turnDegrees) > 360) record.turnDegrees = 0;
  }
  return record;
}
