#include "document/text_search.h"

#include "engine/engine_handles.h"
#include "engine/engine_table.h"

namespace {

void CollectRects(FPDF_TEXTPAGE text, TextMatch& match) {
  int count = g_engine.FPDFText_CountRects(text, match.charIndex, match.charCount);
  for (int i = 0; i < count; ++i) {
    double left = 0, top = 0, right = 0, bottom = 0;
    if (g_engine.FPDFText_GetRect(text, i, &left, &top, &right, &bottom)) {
      match.rects.push_back({float(left), float(top), float(right), float(bottom)});
    }
  }
}

}  // namespace

bool TextSearchAvailable() {
  return g_engine.FPDFText_LoadPage != nullptr && g_engine.FPDFText_ClosePage != nullptr &&
         g_engine.FPDFText_CountChars != nullptr && g_engine.FPDFText_FindStart != nullptr &&
         g_engine.FPDFText_FindNext != nullptr && g_engine.FPDFText_GetSchResultIndex != nullptr &&
         g_engine.FPDFText_GetSchCount != nullptr && g_engine.FPDFText_FindClose != nullptr &&
         g_engine.FPDFText_CountRects != nullptr && g_engine.FPDFText_GetRect != nullptr;
}

std::optional<PageFindResult> FindOnPage(FPDF_DOCUMENT document, int index, FPDF_PAGE loaded,
                                         const std::u16string& query, FindOptions options) {
  if (document == nullptr || query.empty() || !TextSearchAvailable()) return std::nullopt;
  ScopedPage ownPage(loaded != nullptr ? nullptr : g_engine.FPDF_LoadPage(document, index));
  FPDF_PAGE page = loaded != nullptr ? loaded : ownPage.get();
  if (page == nullptr) return std::nullopt;
  PageFindResult result;
  ScopedTextPage text(g_engine.FPDFText_LoadPage(page));
  if (text == nullptr) return result;
  result.hasText = g_engine.FPDFText_CountChars(text.get()) > 0;
  if (!result.hasText) return result;
  std::u16string terminated = query + u'\0';
  unsigned long flags = (options.matchCase ? kFindMatchCase : 0) | (options.wholeWord ? kFindWholeWord : 0);
  auto wide = reinterpret_cast<FPDF_WIDESTRING>(terminated.c_str());
  ScopedSearch search(g_engine.FPDFText_FindStart(text.get(), wide, flags, 0));
  if (search == nullptr) return result;
  while (g_engine.FPDFText_FindNext(search.get())) {
    TextMatch match{g_engine.FPDFText_GetSchResultIndex(search.get()), g_engine.FPDFText_GetSchCount(search.get()), {}};
    if (match.charCount <= 0) break;
    CollectRects(text.get(), match);
    result.matches.push_back(std::move(match));
  }
  return result;
}
