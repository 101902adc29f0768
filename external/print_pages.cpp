#include "external/print_pages.h"

#include <algorithm>

bool PageSpansValid(const std::vector<PageSpan>& spans, int pageCount) {
  return std::all_of(spans.begin(), spans.end(), [pageCount](const PageSpan& span) {
    return span.from >= 1 && span.to >= span.from && span.to <= pageCount;
  });
}

std::vector<int> SelectedPages(int pageCount, const std::vector<PageSpan>& spans, PageSet set, bool reverse) {
  std::vector<PageSpan> chosen = spans.empty() ? std::vector<PageSpan>{{1, pageCount}} : spans;
  std::vector<int> pages;
  for (const PageSpan& span : chosen) {
    for (int number = span.from; number <= span.to; ++number) {
      if (set == PageSet::Odd && number % 2 == 0) continue;
      if (set == PageSet::Even && number % 2 == 1) continue;
      pages.push_back(number - 1);
    }
  }
  if (reverse) std::reverse(pages.begin(), pages.end());
  return pages;
}

std::vector<int> SheetSequence(const std::vector<int>& pages, int copies, bool collate, bool twoSided) {
  int perSheet = twoSided ? 2 : 1;
  std::vector<std::vector<int>> sheets;
  for (size_t i = 0; i < pages.size(); i += perSheet) {
    std::vector<int> sheet(pages.begin() + i, pages.begin() + std::min(pages.size(), i + perSheet));
    sheet.resize(perSheet, kBlankPage);
    sheets.push_back(sheet);
  }
  std::vector<int> sequence;
  auto add = [&sequence](const std::vector<int>& sheet) { sequence.insert(sequence.end(), sheet.begin(), sheet.end()); };
  for (int copy = 0; copy < (collate ? copies : 1); ++copy) {
    for (const std::vector<int>& sheet : sheets) {
      for (int repeat = 0; repeat < (collate ? 1 : copies); ++repeat) add(sheet);
    }
  }
  // The back of the very last sheet needs no blank page.
  if (!sequence.empty() && sequence.back() == kBlankPage) sequence.pop_back();
  return sequence;
}
