#include "external/scan_frames.h"

#include <algorithm>
#include <cstring>

namespace {

// Sample `index` of a line, scaled to 8 bits.
uint8_t Sample(const uint8_t* line, int depth, int index) {
  if (depth == 8) return line[index];
  if (depth == 16) {
    uint16_t value;
    std::memcpy(&value, line + 2 * index, 2);
    return uint8_t(value >> 8);
  }
  bool set = (line[index / 8] >> (7 - index % 8)) & 1;
  return set ? 0 : 255;
}

int SamplesPerPixel(FrameKind kind) { return kind == FrameKind::Rgb ? 3 : 1; }

bool LineFits(const RawFrame& frame) {
  if (frame.depth != 1 && frame.depth != 8 && frame.depth != 16) return false;
  if (frame.pixelsPerLine <= 0 || frame.bytesPerLine <= 0) return false;
  uint64_t bits = uint64_t(frame.pixelsPerLine) * SamplesPerPixel(frame.kind) * frame.depth;
  return (bits + 7) / 8 <= uint64_t(frame.bytesPerLine);
}

}  // namespace

std::optional<ScannedImage> DecodeScanFrames(const std::vector<RawFrame>& frames, double dpiX, double dpiY) {
  if (frames.empty()) return std::nullopt;
  const RawFrame& first = frames[0];
  bool single = first.kind == FrameKind::Gray || first.kind == FrameKind::Rgb;
  if (single ? frames.size() != 1 : frames.size() != 3) return std::nullopt;
  bool seen[3] = {false, false, false};
  int lines = -1;
  for (const RawFrame& frame : frames) {
    if (!LineFits(frame) || frame.pixelsPerLine != first.pixelsPerLine) return std::nullopt;
    if (!single) {
      int channel = frame.kind == FrameKind::Red ? 0 : frame.kind == FrameKind::Green ? 1 : frame.kind == FrameKind::Blue ? 2 : -1;
      if (channel < 0 || seen[channel]) return std::nullopt;
      seen[channel] = true;
    }
    int frameLines = int(frame.bytes.size() / size_t(frame.bytesPerLine));
    lines = lines < 0 ? frameLines : std::min(lines, frameLines);
  }
  if (lines <= 0) return std::nullopt;
  uint64_t pixelBytes = uint64_t(first.pixelsPerLine) * 4 * uint64_t(lines);
  if (pixelBytes > kMaxScanBytes) return std::nullopt;

  ScannedImage image;
  image.width = first.pixelsPerLine;
  image.height = lines;
  image.dpiX = dpiX;
  image.dpiY = dpiY;
  image.pixels.assign(size_t(pixelBytes), 255);
  for (const RawFrame& frame : frames) {
    for (int y = 0; y < lines; ++y) {
      const uint8_t* line = frame.bytes.data() + size_t(y) * size_t(frame.bytesPerLine);
      uint8_t* out = image.pixels.data() + size_t(y) * size_t(image.width) * 4;
      for (int x = 0; x < image.width; ++x, out += 4) {
        switch (frame.kind) {
          case FrameKind::Gray: out[0] = out[1] = out[2] = Sample(line, frame.depth, x); break;
          case FrameKind::Rgb:
            out[2] = Sample(line, frame.depth, 3 * x);
            out[1] = Sample(line, frame.depth, 3 * x + 1);
            out[0] = Sample(line, frame.depth, 3 * x + 2);
            break;
          case FrameKind::Red: out[2] = Sample(line, frame.depth, x); break;
          case FrameKind::Green: out[1] = Sample(line, frame.depth, x); break;
          case FrameKind::Blue: out[0] = Sample(line, frame.depth, x); break;
        }
      }
    }
  }
  return image;
}
