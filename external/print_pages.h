// Which pages a print job holds and in what order: the dialog's ranges, odd or even pages,
// reverse order, copies and collation, and for two-sided jobs the sheets they fall on.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct PageSpan {
  int from = 0;  // from 1, inclusive
  int to = 0;
  bool operator==(const PageSpan&) const = default;
};

enum class PageSet { All, Odd, Even };

// The spans of a typed page list: numbers and ranges ("3", "5-9", "12 - 14") separated by
// commas, full-width commas or 、, spaces anywhere between them, full-width digits and dashes
// read as their plain forms. Nothing when the text is empty or not of that form; the spans
// are as typed (a backward or zero one is refused by PageSpansValid).
std::optional<std::vector<PageSpan>> ParsePageList(const std::u16string& text);

// False when a span is empty, backward or outside 1..pageCount.
bool PageSpansValid(const std::vector<PageSpan>& spans, int pageCount);

// Page indexes (from 0) chosen by the spans (every page when there are none) and the page
// set, in document order or reversed. Odd and even count the document's own page numbers.
std::vector<int> SelectedPages(int pageCount, const std::vector<PageSpan>& spans, PageSet set, bool reverse);

// A blank back side in a sheet sequence.
constexpr int kBlankPage = -1;

// The pages of every copy in printing order. Collated copies repeat the selection; uncollated
// ones repeat each sheet, which is one page, or two pages when printing on both sides. On both
// sides every copy starts on a fresh sheet, so a blank back is put after an odd page count.
std::vector<int> SheetSequence(const std::vector<int>& pages, int copies, bool collate, bool twoSided);
