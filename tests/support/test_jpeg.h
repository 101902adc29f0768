// JPEG files made in memory for tests: grey or colour, with the chroma sampling chosen.
#pragma once

#include <cstdint>
#include <vector>

// Encodes `bgrx` (width × height, rows width × 4 bytes) at `quality`; `sampling` 2 halves the
// chroma both ways (4:2:0), 1 keeps it (4:4:4). Grey keeps only the luminance.
std::vector<uint8_t> EncodeTestJpeg(const uint8_t* bgrx, int width, int height, bool grey, int sampling,
                                    int quality = 85, bool optimise = false);
