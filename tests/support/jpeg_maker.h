// JPEG streams made in memory through libjpeg, as scanners and cameras write them, for the
// tests and benchmarks that need a scan.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

enum class JpegPixels { Rgb, Bgrx, Cmyk };  // 3, 4 and 4 bytes a pixel

struct JpegSpec {
  int width = 0, height = 0;
  JpegPixels pixels = JpegPixels::Rgb;
  int quality = 85;
  int lumaSampling = 2;   // 2: colour at half the resolution (4:2:0); 1: full resolution (4:4:4)
  bool grey = false;      // stored as one grey component
  bool optimise = false;  // Huffman tables made for this picture instead of the standard ones
};

// `fill(y, line)` writes row y (row 0 at the top) into `line`; rows are asked for in order, so a
// picture larger than memory can be encoded.
std::vector<uint8_t> EncodeJpeg(const JpegSpec& spec, const std::function<void(int y, uint8_t* line)>& fill);
// From a whole picture, rows packed, row 0 at the top.
std::vector<uint8_t> EncodeJpeg(const JpegSpec& spec, const std::vector<uint8_t>& pixels);
