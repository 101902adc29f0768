// 选择文字: dragging across the page's words selects them in reading order, a double click
// a word, a triple click a line; the selection is copied as text. The characters are read
// once per page shown and kept until the page or its content changes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "editing/page_text_layout.h"
#include "view/page_view.h"

struct PageTextSelection {
  FPDF_DOCUMENT document = nullptr;  // where the layout was read
  FPDF_PAGE page = nullptr;
  std::optional<PageTextLayout> layout;
  int anchor = -1;  // the character the drag started on
  CharRange range;
  bool dragging = false;
  ScreenPoint pressedAt;
  bool moved = false;  // the pointer left the press point: a drag, not a click
};

extern PageTextSelection g_pageText;

// The current page's characters, read when the page shown is another one; null without text.
const PageTextLayout* CurrentPageTextLayout();
void PageTextPress(ScreenPoint point);
void PageTextMove(ScreenPoint point);
void PageTextRelease(ScreenPoint point);
void PageTextDoubleClick(ScreenPoint point);
void PageTextTripleClick(ScreenPoint point);

bool HasPageTextSelection();
std::u16string SelectedPageText();
// The selected lines' rectangles in page space.
std::vector<TextRect> SelectedPageTextRects();
// Ctrl+C and 复制: the selected text to the clipboard, "已复制 N 个字符" in the status line.
bool CopyPageTextSelection();
// How many characters a text holds for the reader: line breaks do not count, a character
// outside the basic plane counts once.
int ReadableCharacterCount(const std::u16string& text);

void ClearPageTextSelection();
// The page's content changed or another page or document is shown: read the characters again.
void ForgetPageTextLayout();
