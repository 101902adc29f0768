// Making scanned pages searchable: each chosen page is rendered at 300 dpi in slices on the
// window thread, recognised by Tesseract on a worker, and given the editor's invisible text
// layer, with a progress box "正在识别第 3 / 40 页" and 取消. The whole run is one undo step; 取消
// keeps the pages finished before it.
#pragma once

#include <optional>
#include <string>
#include <vector>

enum class OcrPagesChoice { AllPages, CurrentPage, PageRange };

// The menu commands 识别全部页面文字, 识别当前页文字 and 识别指定页面文字...
void RecognisePagesCommand(OcrPagesChoice choice);

// "1-3, 5" → 0-based page indices in order, each once; nothing when the text is not a range
// of pages 1 … pageCount.
std::optional<std::vector<int>> ParsePageRange(const std::u16string& text, int pageCount);

struct OcrRunOutcome {
  int chosen = 0;      // pages asked for
  int skipped = 0;     // with text of their own, left alone
  int recognised = 0;  // given a new layer
  int words = 0;       // text objects placed
  bool cancelled = false;
  bool failed = false;
};

// Recognises the pages (0-based). Pages with text of their own are skipped, unless
// `askAboutTextPages` and the user says 是 to recognising them too. Reports in the status line
// and boxes.
OcrRunOutcome RecognisePages(const std::vector<int>& pages, bool askAboutTextPages);
