// The pen tool's 32 × 32 cursor, computed pixel by pixel; hot spot (3, 28).
#pragma once

#include <cstdint>

constexpr int kPencilCursorSize = 32;
constexpr int kPencilHotSpotX = 3;
constexpr int kPencilHotSpotY = 28;

// ARGB of the cursor pixel at (x, y); 0 is transparent.
uint32_t PencilCursorPixel(int x, int y);
