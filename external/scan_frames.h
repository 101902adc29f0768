// A scanner's raw frames (SANE's layout: grey or interleaved RGB, or one frame per colour;
// 1, 8 or 16 bits per sample) turned into one 32-bit picture. Plain bytes in, so tests feed
// synthetic frames.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "external/scan_pages.h"

enum class FrameKind { Gray, Rgb, Red, Green, Blue };

struct RawFrame {
  FrameKind kind = FrameKind::Gray;
  int depth = 8;          // bits per sample: 1, 8 or 16 (16-bit samples in host byte order)
  int bytesPerLine = 0;   // may exceed what the pixels need (padding is skipped)
  int pixelsPerLine = 0;
  std::vector<uint8_t> bytes;  // whole lines; a short last line is dropped
};

// One picture from a grey or RGB frame, or from red, green and blue frames of one size. In
// 1-bit frames a set bit is black. Nothing for frames that do not fit together, an unknown
// depth, no whole line, or more than 256 MiB of pixels.
std::optional<ScannedImage> DecodeScanFrames(const std::vector<RawFrame>& frames, double dpiX, double dpiY);
