#include "editing/page_text_layout.h"

#include <algorithm>
#include <cmath>

#include "engine/engine_handles.h"
#include "engine/engine_table.h"

namespace {

bool IsBreak(char16_t c) { return c == u'\r' || c == u'\n'; }

bool IsCjk(char16_t c) {
  return (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0x3040 && c <= 0x30FF) || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xD800 && c <= 0xDFFF);
}

bool IsLatinWordChar(char16_t c) {
  if (c < 0x80) return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
  return !IsCjk(c) && c >= 0xC0 && c < 0x2000;  // accented Latin, Greek, Cyrillic and the ligatures' letters
}

int WordClass(char16_t c) {
  if (IsCjk(c)) return 1;
  if (IsLatinWordChar(c) || (c >= 0xFB00 && c <= 0xFB06)) return 2;  // ﬁ, ﬂ and friends belong to words
  return 0;
}

bool Overlaps(float bottomA, float topA, float bottomB, float topB) {
  float overlap = std::min(topA, topB) - std::max(bottomA, bottomB);
  float shorter = std::min(topA - bottomA, topB - bottomB);
  return overlap > 0.3f * std::max(shorter, 0.01f);
}

// Lines split at the engine's breaks and where a box no longer shares the run's height.
std::vector<CharRange> FindLines(const PageTextLayout& layout) {
  std::vector<CharRange> lines;
  int count = int(layout.text.size());
  CharRange current{0, -1};
  float bottom = 0, top = 0;
  bool haveBox = false;
  for (int i = 0; i < count; ++i) {
    if (IsBreak(layout.text[i])) {
      if (!current.Empty()) lines.push_back(current);
      current = {i + 1, i};
      haveBox = false;
      continue;
    }
    if (layout.hasBox[i]) {
      const TextRect& box = layout.boxes[i];
      if (haveBox && !Overlaps(bottom, top, box.bottom, box.top)) {
        lines.push_back(current);
        current = {i, i - 1};
        haveBox = false;
      }
      bottom = haveBox ? std::min(bottom, box.bottom) : box.bottom;
      top = haveBox ? std::max(top, box.top) : box.top;
      haveBox = true;
    }
    current.last = i;
  }
  if (!current.Empty()) lines.push_back(current);
  return lines;
}

void Unite(TextRect& into, const TextRect& box, bool first) {
  if (first) {
    into = box;
    return;
  }
  into.left = std::min(into.left, box.left);
  into.right = std::max(into.right, box.right);
  into.bottom = std::min(into.bottom, box.bottom);
  into.top = std::max(into.top, box.top);
}

float Distance(float value, float low, float high) {
  if (value < low) return low - value;
  if (value > high) return value - high;
  return 0;
}

}  // namespace

bool PageTextLayoutAvailable() {
  return g_engine.FPDFText_LoadPage != nullptr && g_engine.FPDFText_ClosePage != nullptr &&
         g_engine.FPDFText_CountChars != nullptr && g_engine.FPDFText_GetText != nullptr &&
         g_engine.FPDFText_CountRects != nullptr && g_engine.FPDFText_GetRect != nullptr;
}

std::optional<PageTextLayout> ReadPageTextLayout(FPDF_PAGE page) {
  if (page == nullptr || !PageTextLayoutAvailable()) return std::nullopt;
  ScopedTextPage textPage(g_engine.FPDFText_LoadPage(page));
  if (textPage == nullptr) return std::nullopt;
  PageTextLayout layout;
  int count = g_engine.FPDFText_CountChars(textPage.get());
  if (count <= 0) return layout;
  std::vector<unsigned short> units(size_t(count) + 1, 0);
  int written = g_engine.FPDFText_GetText(textPage.get(), 0, count, units.data());
  if (written <= 0) return std::nullopt;
  layout.text.assign(units.begin(), units.begin() + std::min(count, written - 1));
  count = int(layout.text.size());
  layout.boxes.resize(size_t(count));
  layout.hasBox.assign(size_t(count), false);
  for (int i = 0; i < count; ++i) {
    if (IsBreak(layout.text[i]) || g_engine.FPDFText_CountRects(textPage.get(), i, 1) < 1) continue;
    double left = 0, top = 0, right = 0, bottom = 0;
    if (!g_engine.FPDFText_GetRect(textPage.get(), 0, &left, &top, &right, &bottom)) continue;
    if (!(right > left) || !(top > bottom)) continue;
    layout.boxes[i] = {float(left), float(top), float(right), float(bottom)};
    layout.hasBox[i] = true;
  }
  layout.lines = FindLines(layout);
  return layout;
}

int CharAtPoint(const PageTextLayout& layout, PagePoint point) {
  int bestLine = -1;
  float bestLineDistance = 0;
  std::vector<TextRect> lineBoxes(layout.lines.size());
  for (size_t l = 0; l < layout.lines.size(); ++l) {
    bool first = true;
    for (int i = layout.lines[l].first; i <= layout.lines[l].last; ++i) {
      if (!layout.hasBox[i]) continue;
      if (point.x >= layout.boxes[i].left && point.x <= layout.boxes[i].right && point.y >= layout.boxes[i].bottom &&
          point.y <= layout.boxes[i].top) {
        return i;
      }
      Unite(lineBoxes[l], layout.boxes[i], first);
      first = false;
    }
    if (first) continue;
    float distance = Distance(point.y, lineBoxes[l].bottom, lineBoxes[l].top);
    // Among lines at the same height (columns), the one nearer sideways.
    distance += 0.01f * Distance(point.x, lineBoxes[l].left, lineBoxes[l].right);
    if (bestLine < 0 || distance < bestLineDistance) {
      bestLine = int(l);
      bestLineDistance = distance;
    }
  }
  if (bestLine < 0) return -1;
  int best = -1;
  float bestDistance = 0;
  const CharRange& line = layout.lines[size_t(bestLine)];
  for (int i = line.first; i <= line.last; ++i) {
    if (!layout.hasBox[i]) continue;
    float distance = Distance(point.x, layout.boxes[i].left, layout.boxes[i].right);
    if (best < 0 || distance < bestDistance) {
      best = i;
      bestDistance = distance;
    }
  }
  return best;
}

CharRange RangeBetween(int anchor, int focus) {
  if (anchor < 0 || focus < 0) return {};
  return {std::min(anchor, focus), std::max(anchor, focus)};
}

CharRange WordAround(const PageTextLayout& layout, int index) {
  int count = int(layout.text.size());
  if (index < 0 || index >= count) return {};
  int kind = WordClass(layout.text[size_t(index)]);
  if (kind == 0) return {index, index};
  int first = index, last = index;
  while (first > 0 && WordClass(layout.text[size_t(first - 1)]) == kind) --first;
  while (last + 1 < count && WordClass(layout.text[size_t(last + 1)]) == kind) ++last;
  return {first, last};
}

CharRange LineAround(const PageTextLayout& layout, int index) {
  for (const CharRange& line : layout.lines) {
    if (index >= line.first && index <= line.last) return line;
  }
  return {};
}

std::vector<TextRect> RangeLineRects(const PageTextLayout& layout, CharRange range) {
  std::vector<TextRect> rects;
  if (range.Empty()) return rects;
  for (const CharRange& line : layout.lines) {
    int first = std::max(line.first, range.first), last = std::min(line.last, range.last);
    TextRect united;
    bool any = false;
    for (int i = first; i <= last; ++i) {
      if (!layout.hasBox[size_t(i)]) continue;
      Unite(united, layout.boxes[size_t(i)], !any);
      any = true;
    }
    if (any) rects.push_back(united);
  }
  return rects;
}

std::u16string RangeText(const PageTextLayout& layout, CharRange range) {
  std::u16string text;
  bool firstLine = true;
  for (const CharRange& line : layout.lines) {
    int first = std::max(line.first, range.first), last = std::min(line.last, range.last);
    if (last < first) continue;
    if (!firstLine) text += u'\n';
    text.append(layout.text, size_t(first), size_t(last - first + 1));
    firstLine = false;
  }
  return text;
}
