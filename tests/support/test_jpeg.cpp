#include "support/test_jpeg.h"

#include <cstring>

#include "support/jpeg_maker.h"

std::vector<uint8_t> EncodeTestJpeg(const uint8_t* bgrx, int width, int height, bool grey, int sampling,
                                    int quality, bool optimise) {
  JpegSpec spec{width, height, JpegPixels::Bgrx, quality, sampling, grey, optimise};
  return EncodeJpeg(spec, [&](int y, uint8_t* line) { std::memcpy(line, bgrx + size_t(y) * width * 4, size_t(width) * 4); });
}
