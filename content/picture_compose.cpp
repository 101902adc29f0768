#include "content/picture_compose.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

namespace {

struct Decoded {
  int width = 0, height = 0;
  int fullWidth = 0, fullHeight = 0;  // the picture's own size
  std::vector<uint8_t> bgrx;  // rows width × 4 bytes apart, row 0 the picture's first row
};

struct ErrorTrap {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void JumpOut(j_common_ptr codec) { std::longjmp(static_cast<ErrorTrap*>(codec->client_data)->jump, 1); }
void Quiet(j_common_ptr, int) {}

// How many eighths of its size the picture is decoded at: a half, a quarter or an eighth when
// that still leaves twice `columns` × `rows` pixels, else all of it. The engine decodes at
// full size and averages areas; an IDCT of fewer coefficients keeps sharper edges than that
// average, and only a further halving at least brings the two within a level.
int EighthsFor(int width, int height, double columns, double rows) {
  for (int eighths = 1; eighths < 8; eighths *= 2) {
    if ((width * eighths + 7) / 8 >= 2 * columns && (height * eighths + 7) / 8 >= 2 * rows) return eighths;
  }
  return 8;
}

// Plain pixel rows only: no C++ object lives across the jump back from a libjpeg error.
bool DecodeScaled(const uint8_t* jpeg, size_t size, double columns, double rows, Decoded& out,
                  const std::atomic<bool>* cancel) {
  jpeg_decompress_struct codec{};
  ErrorTrap trap{};
  codec.err = jpeg_std_error(&trap.manager);
  trap.manager.error_exit = JumpOut;
  trap.manager.emit_message = Quiet;
  codec.client_data = &trap;
  if (setjmp(trap.jump) != 0) {
    jpeg_destroy_decompress(&codec);
    return false;
  }
  jpeg_create_decompress(&codec);
  jpeg_mem_src(&codec, jpeg, static_cast<unsigned long>(size));
  if (jpeg_read_header(&codec, TRUE) != JPEG_HEADER_OK || codec.data_precision != 8 ||
      !(codec.jpeg_color_space == JCS_GRAYSCALE || codec.jpeg_color_space == JCS_YCbCr ||
        codec.jpeg_color_space == JCS_RGB) ||
      codec.image_width == 0 || codec.image_height == 0) {
    jpeg_destroy_decompress(&codec);
    return false;
  }
  codec.scale_num = unsigned(EighthsFor(int(codec.image_width), int(codec.image_height), columns, rows));
  codec.scale_denom = 8;
  codec.out_color_space = JCS_EXT_BGRX;
  codec.dct_method = JDCT_ISLOW;
  jpeg_start_decompress(&codec);
  out.fullWidth = int(codec.image_width);
  out.fullHeight = int(codec.image_height);
  out.width = int(codec.output_width);
  out.height = int(codec.output_height);
  out.bgrx.resize(size_t(out.width) * out.height * 4);
  while (codec.output_scanline < codec.output_height) {
    if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) {
      jpeg_destroy_decompress(&codec);
      return false;
    }
    JSAMPROW row = out.bgrx.data() + size_t(codec.output_scanline) * out.width * 4;
    jpeg_read_scanlines(&codec, &row, 1);
  }
  jpeg_finish_decompress(&codec);
  jpeg_destroy_decompress(&codec);
  return true;
}

Decoded Transposed(const Decoded& in) {
  Decoded out;
  out.width = in.height;
  out.height = in.width;
  out.bgrx.resize(in.bgrx.size());
  const auto* source = reinterpret_cast<const uint32_t*>(in.bgrx.data());
  auto* target = reinterpret_cast<uint32_t*>(out.bgrx.data());
  for (int row = 0; row < in.height; ++row) {
    for (int column = 0; column < in.width; ++column) target[size_t(column) * out.width + row] = source[size_t(row) * in.width + column];
  }
  return out;
}

// Which source pixels one bitmap pixel takes, and how much of each (weights sum to 1 << 14).
struct Taps {
  int first = 0;
  std::vector<int> weights;
};
constexpr int kWeightBits = 14;

// Bitmap pixels [from, to) of a picture stretched over [start, end) whole pixels, its `length`
// source pixels running forwards or backwards. A pixel covering more than one source pixel
// averages their areas; one covering less blends the two it lies between.
std::vector<Taps> TapsFor(int from, int to, int start, int end, int length, bool backwards, bool nearest) {
  std::vector<Taps> taps(size_t(std::max(0, to - from)));
  double scale = double(length) / double(end - start);
  for (int pixel = from; pixel < to; ++pixel) {
    double low = (pixel - start) * scale, high = (pixel + 1 - start) * scale;
    if (backwards) {
      double flipped = length - high;
      high = length - low;
      low = flipped;
    }
    Taps& tap = taps[size_t(pixel - from)];
    std::vector<double> weights;
    if (nearest) {
      double centre = (low + high) / 2;
      tap.first = std::clamp(int(std::floor(centre)), 0, length - 1);
      weights = {1};
    } else if (scale >= 1) {
      int first = std::max(0, int(std::floor(low))), last = std::min(length - 1, int(std::ceil(high)) - 1);
      tap.first = first;
      for (int source = first; source <= last; ++source) {
        weights.push_back(std::max(0.0, std::min(high, double(source + 1)) - std::max(low, double(source))));
      }
    } else {
      double centre = (low + high) / 2 - 0.5;
      int left = int(std::floor(centre));
      double right = centre - left;
      if (left < 0) {
        tap.first = 0;
        weights = {1};
      } else if (left >= length - 1) {
        tap.first = length - 1;
        weights = {1};
      } else {
        tap.first = left;
        weights = {1 - right, right};
      }
    }
    double sum = 0;
    for (double w : weights) sum += w;
    if (!(sum > 0)) weights = {1}, sum = 1;
    int given = 0;
    for (double w : weights) {
      tap.weights.push_back(int(std::lround(w / sum * (1 << kWeightBits))));
      given += tap.weights.back();
    }
    tap.weights.back() += (1 << kWeightBits) - given;  // exactly one in all
  }
  return taps;
}

}  // namespace

bool ComposePicture(const uint8_t* jpeg, size_t size, const PictureToBitmap& place, int width, int height,
                    uint32_t fill, uint8_t* out, const std::atomic<bool>* cancel) {
  if (width <= 0 || height <= 0) return false;
  for (size_t i = 0; i < size_t(width) * height; ++i) std::memcpy(out + i * 4, &fill, 4);
  // Bitmap x along the picture's rows (u) or its columns (v, a quarter turn).
  double scaleEps = 1e-6 * (std::fabs(place.a) + std::fabs(place.b) + std::fabs(place.c) + std::fabs(place.d));
  bool upright = std::fabs(place.b) <= scaleEps && std::fabs(place.c) <= scaleEps;
  bool turned = std::fabs(place.a) <= scaleEps && std::fabs(place.d) <= scaleEps;
  if (!upright && !turned) return false;
  double x0 = place.e, x1 = place.e + place.a + place.c;
  double y0 = place.f, y1 = place.f + place.b + place.d;
  // The engine covers the whole pixels its rectangle reaches into.
  int left = int(std::floor(std::min(x0, x1))), right = int(std::ceil(std::max(x0, x1)));
  int top = int(std::floor(std::min(y0, y1))), bottom = int(std::ceil(std::max(y0, y1)));
  if (right <= left || bottom <= top) return true;
  int fromX = std::max(0, left), toX = std::min(width, right), fromY = std::max(0, top), toY = std::min(height, bottom);
  if (fromX >= toX || fromY >= toY) return true;
  // Source columns run along bitmap x when upright, rows when turned.
  double acrossX = right - left, acrossY = bottom - top;
  Decoded picture;
  if (!DecodeScaled(jpeg, size, upright ? acrossX : acrossY, upright ? acrossY : acrossX, picture, cancel)) return false;
  // The first row is at v = 1: rows run down the bitmap when v goes up the page in the picture's
  // frame and y grows downwards, i.e. when dy/dv < 0.
  int fullWidth = picture.fullWidth, fullHeight = picture.fullHeight;
  bool xBackwards, yBackwards;
  if (upright) {
    xBackwards = place.a < 0;
    yBackwards = place.d > 0;
  } else {
    picture = Transposed(picture);  // now columns are the picture's rows
    xBackwards = place.c > 0;
    yBackwards = place.b < 0;
  }
  // Like the engine: blown up to more than eight times its area, the picture is not smoothed.
  bool nearest = acrossX * acrossY >= 8.0 * double(fullWidth) * fullHeight;
  std::vector<Taps> columns = TapsFor(fromX, toX, left, right, picture.width, xBackwards, nearest);
  std::vector<Taps> rows = TapsFor(fromY, toY, top, bottom, picture.height, yBackwards, nearest);
  std::vector<uint32_t> line(size_t(picture.width) * 4);
  for (int y = fromY; y < toY; ++y) {
    const Taps& rowTaps = rows[size_t(y - fromY)];
    std::fill(line.begin(), line.end(), 0u);
    for (size_t k = 0; k < rowTaps.weights.size(); ++k) {
      const uint8_t* source = picture.bgrx.data() + size_t(rowTaps.first + int(k)) * picture.width * 4;
      uint32_t w = uint32_t(rowTaps.weights[k]);
      for (size_t i = 0; i < line.size(); ++i) line[i] += source[i] * w;
    }
    uint8_t* target = out + (size_t(y) * width + fromX) * 4;
    for (int x = fromX; x < toX; ++x, target += 4) {
      const Taps& tap = columns[size_t(x - fromX)];
      uint64_t b = 0, g = 0, r = 0;
      for (size_t k = 0; k < tap.weights.size(); ++k) {
        const uint32_t* p = &line[size_t(tap.first + int(k)) * 4];
        uint64_t w = uint64_t(tap.weights[k]);
        b += p[0] * w;
        g += p[1] * w;
        r += p[2] * w;
      }
      constexpr int shift = 2 * kWeightBits;
      constexpr uint64_t half = uint64_t(1) << (shift - 1);
      target[0] = uint8_t((b + half) >> shift);
      target[1] = uint8_t((g + half) >> shift);
      target[2] = uint8_t((r + half) >> shift);
      target[3] = 0xFF;
    }
  }
  return true;
}
