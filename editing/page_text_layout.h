// The words of a page as the engine reads them: every character of the text page in reading
// order with its box in page space, and what a selection of characters covers and says.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "document/text_search.h"
#include "engine/pdfium_types.h"
#include "geometry/points.h"

// A run of characters [first, last], both inclusive; empty when last < first.
struct CharRange {
  int first = 0;
  int last = -1;
  bool Empty() const { return last < first; }
  bool operator==(const CharRange&) const = default;
};

struct PageTextLayout {
  std::u16string text;             // one UTF-16 unit per character index ("\r\n" between lines)
  std::vector<TextRect> boxes;     // the box of each character, page space, y up
  std::vector<bool> hasBox;        // false for the line breaks and spaces the engine adds
  std::vector<CharRange> lines;         // the characters of each line, in reading order
};

bool PageTextLayoutAvailable();
// The page's characters; nothing when the library lacks the entry points or the page has no
// text page. A page without text gives an empty layout.
std::optional<PageTextLayout> ReadPageTextLayout(FPDF_PAGE page);

// The character whose box holds the point, else the nearest one on the line the point is on
// (or, above or below every line, the nearest line); -1 when the page has no boxes.
int CharAtPoint(const PageTextLayout& layout, PagePoint point);
// The characters from `anchor` to `focus` in reading order, whichever comes first.
CharRange RangeBetween(int anchor, int focus);
// The word around a character: a run of Latin letters and digits, or a run of CJK characters
// (Chinese has no spaces: the run ends at punctuation); any other character alone.
CharRange WordAround(const PageTextLayout& layout, int index);
// The line around a character, up to the line breaks on either side.
CharRange LineAround(const PageTextLayout& layout, int index);
// One rectangle per line run of the range: the union of its characters' boxes, split where
// the text breaks the line or the next box starts a new line.
std::vector<TextRect> RangeLineRects(const PageTextLayout& layout, CharRange range);
// The range's text as it reads: its lines joined by "\n".
std::u16string RangeText(const PageTextLayout& layout, CharRange range);
