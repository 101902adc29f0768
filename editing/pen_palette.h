// The 30 colours of the pen options window, row by row (5 rows of 6), as RGB with red in
// the lowest byte. Strokes in these colours are the ones erasing may remove.
#pragma once

#include <array>
#include <cstdint>

constexpr uint32_t PaletteRgb(uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16; }

constexpr std::array<uint32_t, 30> kPenPalette{
    PaletteRgb(0, 0, 0),       PaletteRgb(80, 80, 80),     PaletteRgb(128, 128, 128), PaletteRgb(160, 160, 160),
    PaletteRgb(200, 200, 200), PaletteRgb(255, 255, 255),  PaletteRgb(177, 0, 84),    PaletteRgb(230, 35, 35),
    PaletteRgb(255, 80, 0),    PaletteRgb(255, 160, 0),    PaletteRgb(255, 195, 0),   PaletteRgb(255, 220, 0),
    PaletteRgb(155, 220, 0),   PaletteRgb(40, 210, 0),     PaletteRgb(0, 130, 90),    PaletteRgb(0, 175, 200),
    PaletteRgb(0, 95, 255),    PaletteRgb(65, 0, 185),     PaletteRgb(110, 0, 195),   PaletteRgb(100, 0, 120),
    PaletteRgb(240, 210, 190), PaletteRgb(185, 140, 100),  PaletteRgb(135, 75, 45),   PaletteRgb(85, 50, 40),
    PaletteRgb(240, 90, 225),  PaletteRgb(255, 180, 100),  PaletteRgb(245, 240, 100), PaletteRgb(110, 245, 150),
    PaletteRgb(95, 200, 245),  PaletteRgb(175, 165, 245)};

inline bool IsPaletteColour(uint32_t rgb) {
  for (uint32_t c : kPenPalette) {
    if (c == rgb) return true;
  }
  return false;
}
