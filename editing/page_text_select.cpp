#include "editing/page_text_select.h"

#include <algorithm>
#include <cstdlib>

#include "document/session.h"
#include "document/window_hooks.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"

PageTextSelection g_pageText;

namespace {

// What the selection covers on screen grew or shrank: the page's overlay is drawn again.
void SelectionShownChanged() { g_window.changed(Change::Status); }

int CharUnder(ScreenPoint point) {
  const PageTextLayout* layout = CurrentPageTextLayout();
  if (layout == nullptr) return -1;
  std::optional<PagePoint> at = ScreenToPageUnclamped(float(point.x), float(point.y));
  if (!at) return -1;
  return CharAtPoint(*layout, *at);
}

// A press that moves less than this (client pixels, each way added) is a click, not a drag.
constexpr int kDragThreshold = 3;

void SelectRange(CharRange range) {
  if (range == g_pageText.range) return;
  bool copyableBefore = !g_pageText.range.Empty();
  g_pageText.range = range;
  SelectionShownChanged();
  if (copyableBefore != !range.Empty()) g_window.toolModeChanged();  // 复制 follows
}

void SayNoText() {
  g_session.statusText = PageTextLayoutAvailable() ? u"此页没有可选择的文字；扫描页可先进行 OCR 识别"
                                                   : u"当前 PDFium 运行库不支持选择文字";
  g_window.changed(Change::Status);
}

}  // namespace

const PageTextLayout* CurrentPageTextLayout() {
  if (g_session.currentPage == nullptr) return nullptr;
  if (g_pageText.page != g_session.currentPage || g_pageText.document != g_session.document) {
    ClearPageTextSelection();
    g_pageText.layout = ReadPageTextLayout(g_session.currentPage);
    g_pageText.page = g_session.currentPage;
    g_pageText.document = g_session.document;
  }
  if (!g_pageText.layout || g_pageText.layout->lines.empty()) return nullptr;
  return &*g_pageText.layout;
}

void PageTextPress(ScreenPoint point) {
  int index = CharUnder(point);
  g_pageText.anchor = index;
  g_pageText.dragging = index >= 0;
  g_pageText.pressedAt = point;
  g_pageText.moved = false;
  SelectRange({});
  if (index < 0) SayNoText();
}

void PageTextMove(ScreenPoint point) {
  if (!g_pageText.dragging) return;
  if (!g_pageText.moved) {
    if (std::abs(point.x - g_pageText.pressedAt.x) + std::abs(point.y - g_pageText.pressedAt.y) < kDragThreshold) return;
    g_pageText.moved = true;
  }
  int focus = CharUnder(point);
  if (focus >= 0) SelectRange(RangeBetween(g_pageText.anchor, focus));
}

void PageTextRelease(ScreenPoint point) {
  PageTextMove(point);
  g_pageText.dragging = false;
}

void PageTextDoubleClick(ScreenPoint point) {
  g_pageText.dragging = false;
  int index = CharUnder(point);
  if (index >= 0) SelectRange(WordAround(*g_pageText.layout, index));
}

void PageTextTripleClick(ScreenPoint point) {
  g_pageText.dragging = false;
  int index = CharUnder(point);
  if (index >= 0) SelectRange(LineAround(*g_pageText.layout, index));
}

bool HasPageTextSelection() {
  return !g_pageText.range.Empty() && g_pageText.layout && g_pageText.page == g_session.currentPage &&
         g_pageText.document == g_session.document;
}

std::u16string SelectedPageText() {
  if (!HasPageTextSelection()) return {};
  return RangeText(*g_pageText.layout, g_pageText.range);
}

std::vector<TextRect> SelectedPageTextRects() {
  if (!HasPageTextSelection()) return {};
  return RangeLineRects(*g_pageText.layout, g_pageText.range);
}

int ReadableCharacterCount(const std::u16string& text) {
  int count = 0;
  for (char16_t c : text) {
    if (c == u'\n' || c == u'\r' || (c >= 0xDC00 && c <= 0xDFFF)) continue;  // a low surrogate ends a pair
    ++count;
  }
  return count;
}

bool CopyPageTextSelection() {
  std::u16string text = SelectedPageText();
  if (text.empty()) return false;
  if (g_platform.writeClipboardText == nullptr || !g_platform.writeClipboardText(text)) {
    ShowMessage(u"复制", u"无法写入剪贴板。", MessageIcon::Error);
    return false;
  }
  g_session.statusText = u"已复制 " + Utf8ToUtf16(std::to_string(ReadableCharacterCount(text))) + u" 个字符";
  g_window.changed(Change::Status);
  return true;
}

void ClearPageTextSelection() {
  bool shown = !g_pageText.range.Empty();
  g_pageText.range = {};
  g_pageText.anchor = -1;
  g_pageText.dragging = false;
  if (shown) SelectionShownChanged();
}

void ForgetPageTextLayout() {
  ClearPageTextSelection();
  g_pageText.layout.reset();
  g_pageText.page = nullptr;
  g_pageText.document = nullptr;
}
