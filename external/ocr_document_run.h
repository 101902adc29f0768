// The loop behind a whole-document recognition, on the window thread: pages are checked,
// rendered and written in slices of a few milliseconds between turns of the event loop, while
// one worker thread runs Tesseract on the page rendered before.
#pragma once

#include <string>
#include <vector>

#include "external/ocr_page_worker.h"

struct OcrLoopResult {
  int recognised = 0;
  int words = 0;
  bool cancelled = false;
  bool failed = false;
  std::u16string problem;
};

// Pixels per point for recognising a displayed page of this size: 300 dpi, less when the
// page would pass the image limits.
double OcrPageScale(float displayedWidth, float displayedHeight);

// Recognises `pages` (0-based) with the progress box up; each page written is committed at
// once, so a stop keeps what was finished.
OcrLoopResult RunOcrLoop(const OcrTools& tools, const std::vector<int>& pages);
