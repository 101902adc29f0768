#include "document/document_fonts.h"

#include "engine/engine_table.h"

FontCache g_fontCache;

void CloseDocumentFonts() {
  for (auto& entry : g_fontCache.entries) {
    if (entry.font != nullptr && g_engine.FPDFFont_Close != nullptr) g_engine.FPDFFont_Close(entry.font);
  }
  g_fontCache = FontCache{};
}
