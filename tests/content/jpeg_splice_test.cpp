// Splicing changed blocks into a JPEG: with chroma at half resolution (4:2:0) and in grey,
// the blocks that hold no changed pixel decode exactly as before, the changed ones show the
// new pixels, the stream's own Huffman tables are kept when they can encode any block, and
// streams it cannot splice are refused.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

#include "content/jpeg_splice.h"
#include "support/test_jpeg.h"

namespace {

struct Picture {
  int width = 0, height = 0;
  std::vector<uint8_t> bgrx;
  const uint8_t* At(int x, int y) const { return &bgrx[(size_t(y) * width + x) * 4]; }
};

std::vector<uint8_t> Encode(const Picture& p, bool grey, int sampling, bool optimise = false) {
  return EncodeTestJpeg(p.bgrx.data(), p.width, p.height, grey, sampling, 85, optimise);
}

Picture Decode(const std::vector<uint8_t>& jpeg) {
  jpeg_decompress_struct codec{};
  jpeg_error_mgr errors{};
  codec.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&codec);
  jpeg_mem_src(&codec, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
  jpeg_read_header(&codec, TRUE);
  codec.out_color_space = JCS_EXT_BGRX;
  jpeg_start_decompress(&codec);
  Picture p;
  p.width = int(codec.output_width);
  p.height = int(codec.output_height);
  p.bgrx.resize(size_t(p.width) * p.height * 4);
  while (codec.output_scanline < codec.output_height) {
    JSAMPROW row = &p.bgrx[size_t(codec.output_scanline) * p.width * 4];
    jpeg_read_scanlines(&codec, &row, 1);
  }
  jpeg_finish_decompress(&codec);
  jpeg_destroy_decompress(&codec);
  return p;
}

// 75 × 53 (edges that are not whole blocks): colour gradients with a little texture.
Picture Scene() {
  Picture p;
  p.width = 75;
  p.height = 53;
  p.bgrx.resize(size_t(p.width) * p.height * 4);
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      uint8_t* q = &p.bgrx[(size_t(y) * p.width + x) * 4];
      q[0] = uint8_t(40 + 2 * x), q[1] = uint8_t(200 - 3 * y), q[2] = uint8_t(90 + (x * y) % 60), q[3] = 255;
    }
  }
  return p;
}

// Paints the rectangle white in the decoded picture and marks its cells.
void PaintWhite(Picture& p, ChangedCells& cells, int x0, int y0, int x1, int y1) {
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      uint8_t* q = &p.bgrx[(size_t(y) * p.width + x) * 4];
      q[0] = q[1] = q[2] = 255;
      cells.Mark(x, y);
    }
  }
}

// The Huffman table segments (DHT) of a stream, in order: their bytes, and how many symbols
// the tables hold in all.
struct Tables {
  std::vector<uint8_t> bytes;
  int symbols = 0;
};

Tables HuffmanTables(const std::vector<uint8_t>& jpeg) {
  Tables tables;
  size_t pos = 2;
  while (pos + 4 <= jpeg.size() && jpeg[pos] == 0xFF && jpeg[pos + 1] != 0xDA) {
    const size_t length = size_t(jpeg[pos + 2]) << 8 | jpeg[pos + 3];
    if (jpeg[pos + 1] == 0xC4) {
      tables.bytes.insert(tables.bytes.end(), jpeg.begin() + std::ptrdiff_t(pos), jpeg.begin() + std::ptrdiff_t(pos + 2 + length));
      for (size_t at = pos + 4; at + 17 <= pos + 2 + length;) {
        int count = 0;
        for (int i = 1; i <= 16; ++i) count += jpeg[at + size_t(i)];
        tables.symbols += count;
        at += 17 + size_t(count);
      }
    }
    pos += 2 + length;
  }
  return tables;
}

}  // namespace

TEST(JpegSpliceTest, AStreamWhoseTablesHoldEverySymbolKeepsThemAndOneWithOptimisedTablesIsStillWhole) {
  for (bool optimised : {false, true}) {
    SCOPED_TRACE(optimised ? "optimised tables" : "standard tables");
    const std::vector<uint8_t> source = Encode(Scene(), false, 2, optimised);
    const Tables before = HuffmanTables(source);
    // The standard tables hold 12 + 12 DC and 162 + 162 AC symbols; the optimised ones only
    // what this smooth scene uses.
    if (optimised) {
      ASSERT_LT(before.symbols, 300);
    } else {
      ASSERT_EQ(before.symbols, 348);
    }
    const Picture decoded = Decode(source);
    Picture painted = decoded;
    ChangedCells cells{painted.width, painted.height};
    PaintWhite(painted, cells, 16, 8, 48, 40);  // white among the gradients: new symbols
    const std::vector<uint8_t> spliced =
        SpliceJpegBlocks(source, painted.bgrx.data(), size_t(painted.width) * 4, painted.width, painted.height, cells);
    ASSERT_FALSE(spliced.empty());
    if (!optimised) {
      EXPECT_EQ(HuffmanTables(spliced).bytes, before.bytes);
    }
    // A symbol missing from a kept table would leave a stream that decodes to garbage: the
    // white and the untouched corner must both be right.
    const Picture after = Decode(spliced);
    ASSERT_EQ(after.width, 75);
    for (int y = 10; y < 38; y += 3) {
      for (int x = 18; x < 46; x += 3) {
        EXPECT_GE(std::min({after.At(x, y)[0], after.At(x, y)[1], after.At(x, y)[2]}), 240) << x << "," << y;
      }
    }
    for (int y = 0; y < 53; ++y) {
      for (int x = 66; x < 75; ++x) {
        for (int c = 0; c < 3; ++c) ASSERT_EQ(after.At(x, y)[c], decoded.At(x, y)[c]) << x << "," << y;
      }
    }
  }
}

TEST(JpegSpliceTest, OnlyTheChangedBlocksDecodeDifferently) {
  for (bool grey : {false, true}) {
    for (int sampling : {1, 2}) {
      SCOPED_TRACE(testing::Message() << (grey ? "grey" : "colour") << " sampling " << sampling);
      const std::vector<uint8_t> source = Encode(Scene(), grey, sampling);
      const Picture before = Decode(source);
      Picture painted = before;
      ChangedCells cells{painted.width, painted.height};
      PaintWhite(painted, cells, 35, 20, 43, 28);  // one 8 × 8 cell
      PaintWhite(painted, cells, 70, 48, 75, 53);  // the partial cell in the corner
      const std::vector<uint8_t> spliced = SpliceJpegBlocks(source, painted.bgrx.data(), size_t(painted.width) * 4,
                                                            painted.width, painted.height, cells);
      ASSERT_FALSE(spliced.empty());
      const Picture after = Decode(spliced);
      ASSERT_EQ(after.width, 75);
      ASSERT_EQ(after.height, 53);
      // Changed: white within the JPEG's loss.
      for (auto [x, y] : {std::pair{36, 21}, {42, 27}, {39, 24}, {72, 50}, {74, 52}}) {
        EXPECT_GE(std::min({after.At(x, y)[0], after.At(x, y)[1], after.At(x, y)[2]}), 240) << x << "," << y;
      }
      // Away from the changed blocks (and the chroma they share, 16 pixels at half
      // resolution, smoothed one more pixel by upsampling): exactly as before.
      const int reach = 8 * sampling + 2;
      int compared = 0;
      for (int y = 0; y < 53; ++y) {
        for (int x = 0; x < 75; ++x) {
          const bool nearFirst = x >= 32 - reach + 8 && x < 48 + reach - 8 && y >= 16 - reach + 8 && y < 32 + reach - 8;
          const bool nearCorner = x >= 64 - reach + 8 && y >= 48 - reach + 8;
          if (nearFirst || nearCorner) continue;
          ++compared;
          for (int c = 0; c < 3; ++c) ASSERT_EQ(after.At(x, y)[c], before.At(x, y)[c]) << x << "," << y << " channel " << c;
        }
      }
      EXPECT_GT(compared, 75 * 53 / 2);
    }
  }
}

TEST(JpegSpliceTest, StreamsThatCannotBeSplicedAreRefused) {
  const Picture scene = Scene();
  const std::vector<uint8_t> source = Encode(scene, false, 2);
  ChangedCells cells{scene.width, scene.height};
  cells.Mark(0, 0);
  const size_t stride = size_t(scene.width) * 4;
  // Another size than the stream's, a cut-off stream, no stream, bytes that are no JPEG.
  EXPECT_TRUE(SpliceJpegBlocks(source, scene.bgrx.data(), stride, scene.width - 1, scene.height, cells).empty());
  EXPECT_TRUE(SpliceJpegBlocks(std::vector<uint8_t>(source.begin(), source.begin() + 200), scene.bgrx.data(), stride,
                               scene.width, scene.height, cells)
                  .empty());
  EXPECT_TRUE(SpliceJpegBlocks({}, scene.bgrx.data(), stride, scene.width, scene.height, cells).empty());
  EXPECT_TRUE(SpliceJpegBlocks(std::vector<uint8_t>(500, 0x42), scene.bgrx.data(), stride, scene.width, scene.height,
                               cells)
                  .empty());
  // A CMYK JPEG: its colours cannot be made from the decoded picture.
  jpeg_compress_struct codec{};
  jpeg_error_mgr errors{};
  codec.err = jpeg_std_error(&errors);
  jpeg_create_compress(&codec);
  unsigned char* bytes = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&codec, &bytes, &size);
  codec.image_width = 16;
  codec.image_height = 16;
  codec.input_components = 4;
  codec.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&codec);
  jpeg_start_compress(&codec, TRUE);
  std::vector<uint8_t> line(16 * 4, 30);
  while (codec.next_scanline < 16) {
    JSAMPROW row = line.data();
    jpeg_write_scanlines(&codec, &row, 1);
  }
  jpeg_finish_compress(&codec);
  jpeg_destroy_compress(&codec);
  std::vector<uint8_t> cmyk(bytes, bytes + size);
  std::free(bytes);
  std::vector<uint8_t> pixels(16 * 16 * 4, 200);
  ChangedCells small{16, 16};
  small.Mark(3, 3);
  EXPECT_TRUE(SpliceJpegBlocks(cmyk, pixels.data(), 64, 16, 16, small).empty());
}
