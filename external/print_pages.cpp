#include "external/print_pages.h"

#include <algorithm>

namespace {

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\u3000'; }
bool IsSeparator(char16_t c) { return c == u',' || c == u'\uFF0C' || c == u'\u3001'; }
bool IsDash(char16_t c) { return c == u'-' || c == u'\uFF0D' || c == u'\u2013' || c == u'\u2014'; }

// The digit's value, or -1.
int DigitValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'\uFF10' && c <= u'\uFF19') return c - u'\uFF10';
  return -1;
}

void SkipSpaces(const std::u16string& text, size_t& at) {
  while (at < text.size() && IsSpace(text[at])) ++at;
}

// A page number at `at`; nothing when there is none or it has more digits than any document has pages.
std::optional<int> ReadNumber(const std::u16string& text, size_t& at) {
  SkipSpaces(text, at);
  size_t start = at;
  int value = 0;
  while (at < text.size() && DigitValue(text[at]) >= 0) {
    if (at - start >= 9) return std::nullopt;
    value = value * 10 + DigitValue(text[at++]);
  }
  if (at == start) return std::nullopt;
  SkipSpaces(text, at);
  return value;
}

}  // namespace

std::optional<std::vector<PageSpan>> ParsePageList(const std::u16string& text) {
  std::vector<PageSpan> spans;
  size_t at = 0;
  while (true) {
    std::optional<int> from = ReadNumber(text, at);
    if (!from) return std::nullopt;
    PageSpan span{*from, *from};
    if (at < text.size() && IsDash(text[at])) {
      std::optional<int> to = ReadNumber(text, ++at);
      if (!to) return std::nullopt;
      span.to = *to;
    }
    spans.push_back(span);
    if (at == text.size()) return spans;
    if (!IsSeparator(text[at])) return std::nullopt;
    ++at;
  }
}

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
