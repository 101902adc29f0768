// What other readers make of a saved file: poppler's and MuPDF's text, fonts, renders and
// complaints, next to the engine's own render of the same page.
#pragma once

#include <string>
#include <vector>

#include "engine/pdfium_types.h"

// Standard output of a shell command (standard error too when `withErrors`); `ok` false when
// it exited with an error.
struct CommandResult {
  std::string output;
  bool ok = false;
};
CommandResult RunCommand(const std::string& command, bool withErrors = false);

// A grey picture, one byte a pixel, rows top to bottom.
struct GreyImage {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> pixels;
  bool Empty() const { return width <= 0 || height <= 0; }
  int At(int x, int y) const { return pixels[size_t(y) * width + x]; }
};
// A binary PGM file; empty when it is not one.
GreyImage ReadGreyPgm(const std::string& path);
// Page `index` (0-based) of a PDF file at 72 dpi by pdftoppm, by mutool, and by the engine.
GreyImage PopplerRender(const std::string& pdf, int index, const std::string& workFolder);
GreyImage MupdfRender(const std::string& pdf, int index, const std::string& workFolder);
GreyImage EngineRender(FPDF_PAGE page);
// The share (0 … 1) of 8×8 pixel blocks whose mean greys differ by more than 40 levels:
// edge smoothing differs between renderers, other glyphs or missing text do not pass.
double DifferingBlockShare(const GreyImage& a, const GreyImage& b);
// The mean grey (0 black … 255 white) of a rectangle, top-left origin in pixels.
double MeanGrey(const GreyImage& picture, int left, int top, int right, int bottom);
