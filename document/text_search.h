// Searching one page's text layer through the engine: every match with the rectangles it
// covers, in page space.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/pdfium_types.h"

struct FindOptions {
  bool matchCase = false;
  bool wholeWord = false;
  bool operator==(const FindOptions&) const = default;
};

// Page space, points, y up: top > bottom.
struct TextRect {
  float left = 0, top = 0, right = 0, bottom = 0;
};

struct TextMatch {
  int charIndex = 0;  // first character in the page's text
  int charCount = 0;
  std::vector<TextRect> rects;  // one per line the match runs over
};

struct PageFindResult {
  bool hasText = false;  // false for a scanned page without a text layer
  std::vector<TextMatch> matches;
};

// True when the running library has every entry point the search needs.
bool TextSearchAvailable();

// Searches page `index`. `loaded` is that page when the caller already holds it (the current
// page, with edits not yet written back); otherwise the page is loaded and closed here.
// Nothing when the page cannot be read.
std::optional<PageFindResult> FindOnPage(FPDF_DOCUMENT document, int index, FPDF_PAGE loaded,
                                         const std::u16string& query, FindOptions options);
