// A page that is one JPEG picture, drawn without the engine: the picture is decoded by
// libjpeg-turbo at the smallest DCT scale that still gives a decoded pixel for every pixel on
// screen, then stretched over the same whole pixels the engine covers, with the same area
// averaging, onto the page's fill. Plain numbers only: it runs on a worker thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

// The picture's unit square (u right, v up; the first row of the picture at v = 1) in the
// bitmap's pixels: x = a·u + c·v + e, y = b·u + d·v + f.
struct PictureToBitmap {
  double a = 0, b = 0, c = 0, d = 0, e = 0, f = 0;
};

// Fills `out` (width × height BGRx, rows width × 4 bytes apart) with `fill` (0xAARRGGBB) and
// draws the JPEG through `place`. False, with `out` in any state, for a JPEG it does not
// read the way the engine would (not 8-bit grey or YCbCr/RGB, damaged) or a placement that
// is not a multiple of quarter turns; the caller then lets the engine render the page. Also
// false soon after `cancel` (when given) turns true: the pixels are no longer wanted.
bool ComposePicture(const uint8_t* jpeg, size_t size, const PictureToBitmap& place, int width, int height,
                    uint32_t fill, uint8_t* out, const std::atomic<bool>* cancel = nullptr);
