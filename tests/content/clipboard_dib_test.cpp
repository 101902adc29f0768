// The clipboard bitmap reader against pictures other programs offer, and against blocks whose
// headers lie about sizes and offsets. Every block is an exact-size heap copy, so a read past
// its end shows up under the sanitizer build.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "content/clipboard_dib.h"

namespace {

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

struct DibSpec {
  uint32_t headerSize = 40;
  int32_t width = 3;
  int32_t height = 2;
  uint16_t planes = 1;
  uint16_t bits = 24;
  uint32_t compression = 0;
  uint32_t coloursUsed = 0;
};

std::vector<uint8_t> Header(const DibSpec& s) {
  std::vector<uint8_t> b(s.headerSize, 0);
  Put32(b, 0, s.headerSize);
  Put32(b, 4, uint32_t(s.width));
  Put32(b, 8, uint32_t(s.height));
  b[12] = uint8_t(s.planes);
  b[13] = uint8_t(s.planes >> 8);
  b[14] = uint8_t(s.bits);
  Put32(b, 16, s.compression);
  Put32(b, 32, s.coloursUsed);
  return b;
}

// Rows as stored, each padded to 4 bytes; pixel (x, stored row r) gets bytes from `pixel`.
template <typename F>
void AppendRows(std::vector<uint8_t>& b, int width, int rows, int bytesPerPixel, F pixel) {
  size_t stride = (size_t(width) * bytesPerPixel * 8 + 31) / 32 * 4;
  for (int r = 0; r < rows; ++r) {
    size_t start = b.size();
    for (int x = 0; x < width; ++x) {
      std::array<uint8_t, 4> p = pixel(x, r);
      for (int c = 0; c < bytesPerPixel; ++c) b.push_back(p[c]);
    }
    b.resize(start + stride, 0);
  }
}

std::optional<BgraPicture> Decode(const std::vector<uint8_t>& block) {
  std::unique_ptr<uint8_t[]> exact(new uint8_t[block.size() + 1]);
  std::memcpy(exact.get(), block.data(), block.size());
  return DecodeClipboardDib(exact.get(), block.size());
}

std::array<uint8_t, 4> At(const BgraPicture& p, int x, int y) {
  const uint8_t* q = p.pixels.data() + (size_t(y) * p.width + x) * 4;
  return {q[0], q[1], q[2], q[3]};
}

using Px = std::array<uint8_t, 4>;

}  // namespace

TEST(ClipboardDibTest, PicturesFromOtherProgramsComeOutUprightAndOpaque) {
  // A bottom-up 24-bit DIB: the first stored row is the bottom of the picture.
  std::vector<uint8_t> bottomUp = Header({});
  AppendRows(bottomUp, 3, 2, 3, [](int x, int r) { return r == 0 ? Px{0, 0, 200, 0} : Px{uint8_t(10 * x), 50, 0, 0}; });
  auto picture = Decode(bottomUp);
  ASSERT_TRUE(picture);
  EXPECT_EQ(picture->width, 3);
  EXPECT_EQ(picture->height, 2);
  EXPECT_EQ(At(*picture, 0, 1), (Px{0, 0, 200, 255}));  // bottom row red
  EXPECT_EQ(At(*picture, 2, 0), (Px{20, 50, 0, 255}));  // top row, left to right
  EXPECT_EQ(At(*picture, 0, 0), (Px{0, 50, 0, 255}));

  // A top-down 32-bit DIB without bit fields: the fourth byte is ignored, alpha is 255.
  DibSpec topDown;
  topDown.height = -2;
  topDown.bits = 32;
  std::vector<uint8_t> block = Header(topDown);
  AppendRows(block, 3, 2, 4, [](int x, int r) { return Px{uint8_t(x), uint8_t(r), 7, 0}; });
  picture = Decode(block);
  ASSERT_TRUE(picture);
  EXPECT_EQ(At(*picture, 1, 0), (Px{1, 0, 7, 255}));
  EXPECT_EQ(At(*picture, 2, 1), (Px{2, 1, 7, 255}));

  // A BMP file: the same DIB behind the 14-byte file header.
  std::vector<uint8_t> file = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0};
  file.insert(file.end(), bottomUp.begin(), bottomUp.end());
  picture = DecodeBmpFile(file.data(), file.size());
  ASSERT_TRUE(picture);
  EXPECT_EQ(At(*picture, 0, 1), (Px{0, 0, 200, 255}));
  file[0] = 'X';
  EXPECT_FALSE(DecodeBmpFile(file.data(), file.size()));
}

TEST(ClipboardDibTest, BitFieldMasksInEachPlaceTheyMayBe) {
  // 40-byte header, alpha bit fields: four masks follow the header, before the pixels.
  // Masks of 10, 10, 10 and 2 bits.
  DibSpec s;
  s.bits = 32;
  s.compression = 6;
  s.width = 1;
  s.height = 1;
  std::vector<uint8_t> block = Header(s);
  block.resize(56, 0);
  Put32(block, 40, 0x3FF00000);  // red
  Put32(block, 44, 0x000FFC00);  // green
  Put32(block, 48, 0x000003FF);  // blue
  Put32(block, 52, 0xC0000000);  // alpha
  block.resize(60, 0);
  Put32(block, 56, 0x3FF00000 | (0x200u << 10) | 0 | (1u << 30));
  auto picture = Decode(block);
  ASSERT_TRUE(picture);
  // (1023·255 + 511)/1023 = 255; (512·255 + 511)/1023 = 128; 0; (1·255 + 1)/3 = 85.
  EXPECT_EQ(At(*picture, 0, 0), (Px{0, 128, 255, 85}));

  // Plain bit fields after a 40-byte header: three masks, alpha 255.
  s.compression = 3;
  block = Header(s);
  block.resize(52, 0);
  Put32(block, 40, 0x00FF0000);
  Put32(block, 44, 0x0000FF00);
  Put32(block, 48, 0x000000FF);
  block.resize(56, 0);
  Put32(block, 52, 0x00112233);
  picture = Decode(block);
  ASSERT_TRUE(picture);
  EXPECT_EQ(At(*picture, 0, 0), (Px{0x33, 0x22, 0x11, 255}));

  // A 52-byte header carries three masks itself and no alpha.
  s.headerSize = 52;
  block = Header(s);
  Put32(block, 40, 0x000000FF);  // red in the lowest byte this time
  Put32(block, 44, 0x0000FF00);
  Put32(block, 48, 0x00FF0000);
  block.resize(56, 0);
  Put32(block, 52, 0xAA112233);
  picture = Decode(block);
  ASSERT_TRUE(picture);
  EXPECT_EQ(At(*picture, 0, 0), (Px{0x11, 0x22, 0x33, 255}));

  // Header sizes between 41 and 51 carry no valid masks; a zero colour mask is refused.
  s.headerSize = 44;
  block = Header(s);
  block.resize(64, 0xFF);
  EXPECT_FALSE(Decode(block));
  s.headerSize = 52;
  block = Header(s);
  Put32(block, 40, 0x00FF0000);
  Put32(block, 44, 0);
  Put32(block, 48, 0xFF);
  block.resize(56, 0);
  EXPECT_FALSE(Decode(block));
}

TEST(ClipboardDibTest, TheEditorsOwnPictureAndSizeRecordRoundTrip) {
  BgraPicture picture;
  picture.width = 2;
  picture.height = 3;
  for (int i = 0; i < 24; ++i) picture.pixels.push_back(uint8_t(i * 11));
  auto block = EncodeClipboardDibV5(picture);
  ASSERT_TRUE(block);
  ASSERT_EQ(block->size(), 124u + 24u);
  EXPECT_EQ(int32_t((*block)[8] | (*block)[9] << 8 | (*block)[10] << 16 | (*block)[11] << 24), -3);  // top-down
  auto back = Decode(*block);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->pixels, picture.pixels);  // alpha kept through the alpha mask
  // The same picture as a BMP file (what other programs read under image/bmp).
  auto file = EncodeBmpFile(picture);
  ASSERT_TRUE(file);
  ASSERT_GE(file->size(), 14u);
  EXPECT_EQ((*file)[0], 'B');
  EXPECT_EQ((*file)[1], 'M');
  auto fromFile = DecodeBmpFile(file->data(), file->size());
  ASSERT_TRUE(fromFile);
  EXPECT_EQ(fromFile->width, 2);
  EXPECT_EQ(fromFile->pixels, picture.pixels);

  auto record = EncodeImageSizeRecord({300.0f, 150.0f});
  ASSERT_EQ(record.size(), 16u);
  EXPECT_EQ(record[0], 'I');  // C, V, N, I from the most significant byte down, little-endian
  EXPECT_EQ(record[3], 'C');
  auto size = DecodeImageSizeRecord(record.data(), record.size());
  ASSERT_TRUE(size);
  EXPECT_EQ(size->width, 300.0f);
  EXPECT_EQ(size->height, 150.0f);
  for (float bad : {100000.5f, 0.0f, -1.0f, std::numeric_limits<float>::infinity(), std::nanf("")}) {
    EXPECT_FALSE(DecodeImageSizeRecord(EncodeImageSizeRecord({bad, 10}).data(), 12)) << bad;
    EXPECT_FALSE(DecodeImageSizeRecord(EncodeImageSizeRecord({10, bad}).data(), 12)) << bad;
  }
  EXPECT_TRUE(DecodeImageSizeRecord(EncodeImageSizeRecord({100000.0f, 1}).data(), 12));
  EXPECT_FALSE(DecodeImageSizeRecord(record.data(), 11));
  // The turn after the sizes: read when there, 0 from a 12-byte record or when out of range.
  auto turned = EncodeImageSizeRecord({200.0f, 100.0f, -45.0f});
  EXPECT_EQ(DecodeImageSizeRecord(turned.data(), 16)->turnDegrees, -45.0f);
  EXPECT_EQ(DecodeImageSizeRecord(turned.data(), 12)->turnDegrees, 0.0f);
  EXPECT_EQ(DecodeImageSizeRecord(turned.data(), 12)->width, 200.0f);
  for (float bad : {361.0f, -400.0f, std::numeric_limits<float>::infinity(), std::nanf("")}) {
    EXPECT_EQ(DecodeImageSizeRecord(EncodeImageSizeRecord({10, 10, bad}).data(), 16)->turnDegrees, 0.0f) << bad;
  }
  record[0] ^= 1;
  EXPECT_FALSE(DecodeImageSizeRecord(record.data(), 12));
}

TEST(ClipboardDibTest, LyingHeadersAreRefusedWithoutReadingPastTheBlock) {
  std::vector<uint8_t> good = Header({});
  AppendRows(good, 3, 2, 3, [](int, int) { return Px{1, 2, 3, 0}; });
  ASSERT_TRUE(Decode(good));

  auto with = [&](auto change) {
    std::vector<uint8_t> b = good;
    change(b);
    return Decode(b);
  };
  // The block ends one byte early: the last row is incomplete.
  EXPECT_FALSE(Decode(std::vector<uint8_t>(good.begin(), good.end() - 1)));
  // Too short for a header; a header size below 40 or beyond the block.
  EXPECT_FALSE(Decode(std::vector<uint8_t>(good.begin(), good.begin() + 39)));
  EXPECT_FALSE(with([](auto& b) { Put32(b, 0, 39); }));
  EXPECT_FALSE(with([&](auto& b) { Put32(b, 0, uint32_t(good.size() + 1)); }));
  EXPECT_FALSE(with([](auto& b) { Put32(b, 0, 0xFFFFFFFF); }));
  // Widths and heights that lie: zero, negative width, more rows than the block holds.
  EXPECT_FALSE(with([](auto& b) { Put32(b, 4, 0); }));
  EXPECT_FALSE(with([](auto& b) { Put32(b, 4, uint32_t(-3)); }));
  EXPECT_FALSE(with([](auto& b) { Put32(b, 8, 0); }));
  EXPECT_FALSE(with([](auto& b) { Put32(b, 8, 3); }));
  EXPECT_FALSE(with([](auto& b) { Put32(b, 8, uint32_t(-3)); }));
  EXPECT_FALSE(with([](auto& b) { Put32(b, 8, 0x80000000u); }));  // the most negative height
  EXPECT_FALSE(with([](auto& b) { Put32(b, 4, 0x7FFFFFFF); }));   // a huge width
  EXPECT_FALSE(with([](auto& b) { Put32(b, 4, 0x7FFFFFFF); Put32(b, 8, 0x7FFFFFFF); }));
  // 8193 × 8192 passes 67,108,864 pixels, whatever the block holds.
  EXPECT_FALSE(with([](auto& b) { Put32(b, 4, 8193); Put32(b, 8, 8192); }));
  // A width whose row size in bits passes 32 bits.
  EXPECT_FALSE(with([](auto& b) { Put32(b, 4, 0x40000000); Put32(b, 8, 1); }));
  // Planes, bit counts and compressions it does not take.
  EXPECT_FALSE(with([](auto& b) { b[12] = 2; }));
  EXPECT_FALSE(with([](auto& b) { b[14] = 8; }));
  EXPECT_FALSE(with([](auto& b) { b[14] = 16; }));
  EXPECT_FALSE(with([](auto& b) { Put32(b, 16, 1); }));  // run-length
  EXPECT_FALSE(with([](auto& b) { Put32(b, 16, 4); }));  // JPEG
  // A colour table that pushes the pixels past the end, and one of 2^32 − 1 entries.
  EXPECT_FALSE(with([](auto& b) { Put32(b, 32, 1); }));
  EXPECT_FALSE(with([](auto& b) { Put32(b, 32, 0xFFFFFFFF); }));
  // Bit fields announced after a 40-byte header but the masks are cut off.
  EXPECT_FALSE(with([](auto& b) {
    b[14] = 32;
    Put32(b, 16, 6);
    b.resize(40 + 12);
  }));
  // A null block.
  EXPECT_FALSE(DecodeClipboardDib(nullptr, 100));

  // The largest picture allowed still decodes when the block holds it: 8192 × 8192 would
  // be 256 MiB, so a 16384 × 1 strip stands in for the width check at the edge.
  DibSpec wide;
  wide.width = 16384;
  wide.height = -1;
  std::vector<uint8_t> strip = Header(wide);
  AppendRows(strip, 16384, 1, 3, [](int x, int) { return Px{uint8_t(x), 0, 0, 0}; });
  auto picture = Decode(strip);
  ASSERT_TRUE(picture);
  EXPECT_EQ(At(*picture, 16383, 0)[0], uint8_t(16383));
}

namespace {

// A BMP file around a 24-bit DIB whose pixels start `gap` bytes after the header.
std::vector<uint8_t> BmpFileWithGap(const std::vector<uint8_t>& header, size_t gap, const std::vector<uint8_t>& rows) {
  std::vector<uint8_t> file(14, 0);
  file[0] = 'B';
  file[1] = 'M';
  file.insert(file.end(), header.begin(), header.end());
  file.resize(file.size() + gap, 0xEE);
  Put32(file, 10, uint32_t(file.size()));
  file.insert(file.end(), rows.begin(), rows.end());
  Put32(file, 2, uint32_t(file.size()));
  return file;
}

std::optional<BgraPicture> DecodeFile(const std::vector<uint8_t>& file) {
  std::unique_ptr<uint8_t[]> exact(new uint8_t[file.size() + 1]);
  std::memcpy(exact.get(), file.data(), file.size());
  return DecodeBmpFile(exact.get(), file.size());
}

}  // namespace

TEST(ClipboardDibTest, ABmpFilesPixelsAreReadWhereItsHeaderSaysTheyStart) {
  std::vector<uint8_t> rows;
  AppendRows(rows, 3, 2, 3, [](int x, int r) { return r == 0 ? Px{0, 0, 200, 0} : Px{uint8_t(10 * x + 1), 50, 0, 0}; });
  // Offset 118 with a 40-byte header: 64 bytes lie between header and pixels.
  std::vector<uint8_t> gapped = BmpFileWithGap(Header({}), 64, rows);
  ASSERT_EQ(gapped[10], 118);
  auto picture = DecodeFile(gapped);
  ASSERT_TRUE(picture);
  EXPECT_EQ(At(*picture, 0, 1), (Px{0, 0, 200, 255}));  // the first stored row is the bottom one
  EXPECT_EQ(At(*picture, 2, 0), (Px{21, 50, 0, 255}));
  EXPECT_EQ(picture->pixels, DecodeFile(BmpFileWithGap(Header({}), 0, rows))->pixels);

  // A colour table between header and pixels is passed over by the offset.
  DibSpec withTable;
  withTable.coloursUsed = 2;
  EXPECT_EQ(picture->pixels, DecodeFile(BmpFileWithGap(Header(withTable), 8, rows))->pixels);
  auto with = [&](auto change) {
    std::vector<uint8_t> b = gapped;
    change(b);
    return DecodeFile(b);
  };
  // Offsets that lie: into the file header, into the DIB header, past the end.
  EXPECT_FALSE(with([](auto& b) { Put32(b, 10, 0); }));
  EXPECT_FALSE(with([](auto& b) { Put32(b, 10, 13); }));
  EXPECT_FALSE(with([](auto& b) { Put32(b, 10, 14 + 39); }));
  EXPECT_FALSE(with([&](auto& b) { Put32(b, 10, uint32_t(b.size() - 1)); }));
  EXPECT_FALSE(with([](auto& b) { Put32(b, 10, 0xFFFFFFFF); }));
  // A colour table that would run into the pixels, or of 2^32 − 1 entries.
  EXPECT_FALSE(with([](auto& b) { Put32(b, 14 + 32, 17); }));
  EXPECT_FALSE(with([](auto& b) { Put32(b, 14 + 32, 0xFFFFFFFF); }));
  // Cut short, and bit fields whose masks are all zero.
  EXPECT_FALSE(DecodeFile(std::vector<uint8_t>(gapped.begin(), gapped.end() - 1)));
  DibSpec fields;
  fields.bits = 32;
  fields.compression = 3;
  std::vector<uint8_t> fieldRows;
  AppendRows(fieldRows, 3, 2, 4, [](int, int) { return Px{1, 2, 3, 4}; });
  std::vector<uint8_t> zeroMasks = Header(fields);
  zeroMasks.resize(zeroMasks.size() + 12, 0);
  EXPECT_FALSE(DecodeFile(BmpFileWithGap(zeroMasks, 0, fieldRows)));
}
