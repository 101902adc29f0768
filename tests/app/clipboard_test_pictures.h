// Pictures as other programs put them on the clipboard, for the clipboard tests.
#pragma once

#include <QByteArray>
#include <cstdint>

// A BMP file without bit fields, rows bottom-up, red in its upper half and blue in its lower
// half; 32-bit pixels carry 0 in their fourth byte (which is not alpha there).
inline QByteArray RedOverBlueBmp(int width, int height, int bits) {
  const int bytes = bits / 8, stride = (width * bits + 31) / 32 * 4;
  QByteArray file(14 + 40 + stride * height, '\0');
  auto put32 = [&](int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) file[at + i] = char(v >> (8 * i));
  };
  file[0] = 'B';
  file[1] = 'M';
  put32(2, uint32_t(file.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, uint32_t(width));
  put32(22, uint32_t(height));  // positive: the first stored row is the bottom one
  file[26] = 1;
  file[28] = char(bits);
  for (int stored = 0; stored < height; ++stored) {
    bool bottomHalf = stored < height / 2;
    for (int x = 0; x < width; ++x) {
      char* p = file.data() + 54 + stored * stride + x * bytes;
      p[0] = bottomHalf ? char(255) : 0;  // blue
      p[2] = bottomHalf ? 0 : char(255);  // red
    }
  }
  return file;
}
