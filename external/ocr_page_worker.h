// What the worker does for one page of a whole-document recognition: the page image goes to
// Tesseract as a file in the run's private folder, its hOCR comes back as runs of words, and
// the fonts for them are chosen and cut. No engine call and no box: errors come back as text.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "content/ocr_font.h"
#include "external/ocr_hocr.h"

struct OcrTools {
  std::u16string tesseract;
  std::u16string languageData;  // empty: Tesseract's own
  std::u16string folder;        // the run's private folder
  int timeoutMs = 300000;
};

struct OcrPageImage {
  int pageIndex = -1;
  std::vector<uint8_t> bgra;  // top-down, stride 4 × width
  int width = 0, height = 0;
};

enum class OcrPageEnd { Recognised, Stopped, Failed };

struct OcrPageText {
  int pageIndex = -1;
  OcrPageEnd end = OcrPageEnd::Failed;
  std::u16string problem;  // the failure's detail
  int width = 0, height = 0;  // of the image the boxes are in
  std::vector<OcrRun> runs;
  PreparedOcrFonts fonts;  // fontOfText follows runs
};

// Recognises one page image; `stop` ends Tesseract at once. The page's files are deleted
// before it returns.
OcrPageText RecognisePageImage(const OcrTools& tools, const OcrPageImage& image, OcrFontFiles& fonts,
                               const std::atomic<bool>& stop);
