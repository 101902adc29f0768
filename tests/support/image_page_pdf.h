// One-page PDFs written by hand around one RGB image, so that tests can give the image any
// matrix, a clip, a soft mask, and the page a crop box and a rotation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/pdfium_types.h"

struct ImagePageSpec {
  float mediaWidth = 595, mediaHeight = 842;
  std::string cropBox;  // "[100 100 500 700]"; empty: none
  int rotate = 0;       // degrees, a multiple of 90
  int width = 40, height = 30;
  std::vector<uint8_t> rgb;  // width × height × 3, row 0 at the top; empty: mid-grey
  std::vector<uint8_t> jpeg; // a JPEG of width × height stored instead (DCTDecode)
  bool grey = false;         // the image is DeviceGray (a grey JPEG)
  int pages = 1;             // every page draws the one image (each with its own content)
  FS_MATRIX matrix{200, 0, 0, 150, 100, 200};
  bool clipped = false;    // under a clip rectangle covering the image's left half
  bool softMask = false;   // a soft mask of alpha 128
  bool textBeside = false; // a text line and a stroked path on the page too
};

void WriteImagePagePdf(const std::string& path, const ImagePageSpec& spec);

// An image object's own pixels (row 0 at the top), read back through the engine at one
// pixel per image pixel; empty when unreadable.
struct ImagePixels {
  int width = 0, height = 0;
  std::vector<uint8_t> bgra;
  bool White(int column, int row) const;
  int WhiteCount() const;
};
ImagePixels ReadImagePixels(FPDF_DOCUMENT document, FPDF_PAGE page, FPDF_PAGEOBJECT image);
// The first image object of the page, or null.
FPDF_PAGEOBJECT FirstImage(FPDF_PAGE page);
