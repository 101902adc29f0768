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
