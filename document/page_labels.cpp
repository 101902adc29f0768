#include "document/page_labels.h"

#include "engine/engine_table.h"
#include "platform/text_encoding.h"

std::u16string PageLabel(FPDF_DOCUMENT document, int index) {
  if (document == nullptr || index < 0 || g_engine.FPDF_GetPageLabel == nullptr) return {};
  unsigned long bytes = g_engine.FPDF_GetPageLabel(document, index, nullptr, 0);
  if (bytes < 2 || bytes > 4096) return {};
  std::u16string label(bytes / 2, u'\0');
  g_engine.FPDF_GetPageLabel(document, index, label.data(), bytes);
  while (!label.empty() && label.back() == u'\0') label.pop_back();
  if (label == Num(index + 1)) return {};
  return label;
}

namespace {

std::u16string Trimmed(const std::u16string& text) {
  size_t first = text.find_first_not_of(u" \t\u3000");
  if (first == std::u16string::npos) return {};
  size_t last = text.find_last_not_of(u" \t\u3000");
  return text.substr(first, last - first + 1);
}

std::u16string AsciiLower(std::u16string text) {
  for (char16_t& c : text) {
    if (c >= u'A' && c <= u'Z') c = char16_t(c - u'A' + u'a');
  }
  return text;
}

}  // namespace

int PageIndexOfLabel(FPDF_DOCUMENT document, int pageCount, const std::u16string& typed) {
  std::u16string wanted = Trimmed(typed);
  if (wanted.empty()) return -1;
  int otherCase = -1;
  for (int index = 0; index < pageCount; ++index) {
    std::u16string label = PageLabel(document, index);
    if (label.empty()) continue;
    if (label == wanted) return index;
    if (otherCase < 0 && AsciiLower(label) == AsciiLower(wanted)) otherCase = index;
  }
  return otherCase;
}
