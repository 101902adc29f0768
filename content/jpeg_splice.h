// Writing changed pixels back into a JPEG without touching the rest of it: only the 8 × 8
// blocks that hold a changed pixel are encoded again (with the stream's own quantisation and
// chroma sampling); every other block keeps its coefficients, so a page scan keeps its colours
// and sharpness wherever the change did not reach, however often it is changed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "content/stroke_cover.h"

// The JPEG `source` with the changed cells taken from `bgrx` (the picture as the engine
// decoded it, width × height, rows `stride` bytes apart). Empty when the source is not a
// greyscale or YCbCr JPEG of that size, or cannot be read.
std::vector<uint8_t> SpliceJpegBlocks(const std::vector<uint8_t>& source, const uint8_t* bgrx, size_t stride, int width,
                                      int height, const ChangedCells& changed);
