// Scan pages made here for comparing the picture decoder with the engine: grey and colour,
// 4:2:0 and 4:4:4, upright, turned and cropped, each drawn both ways at the sizes the view
// uses (fit width, fit page, 400 %).
#pragma once

#include <string>
#include <vector>

#include "engine/pdfium_types.h"
#include "support/image_page_pdf.h"

struct ScanCase {
  std::string name;
  ImagePageSpec spec;
};
std::vector<ScanCase> ScanFidelityCases();

struct ScanComparison {
  int width = 0, height = 0;
  bool composed = false;        // the decoder drew the page at all
  double meanDifference = 0;    // levels per channel, over the whole bitmap
  int coverageMismatches = 0;   // pixels the picture covers in one render and not the other
};

// The bitmap sizes the page is shown at: fit width and fit page in the default window, and
// 400 % (capped as the view caps it).
struct ShownSize {
  std::string name;
  int width = 0, height = 0;
};
std::vector<ShownSize> ShownSizesFor(float pageWidth, float pageHeight);

// The page (already loaded) rendered by the engine on white and by the decoder.
ScanComparison CompareWithEngine(FPDF_PAGE page, int width, int height);
