// Fonts loaded into the open document. Each load embeds the whole font file, so a font is
// loaded at most once per document and every handle is closed with the document.
#pragma once

#include <vector>

#include "engine/pdfium_types.h"

struct FontCacheEntry {
  int tableIndex = -1;
  FPDF_FONT font = nullptr;
};

struct FontCache {
  std::vector<FontCacheEntry> entries;
};

extern FontCache g_fontCache;

// Closes every cached font handle; called before the document is closed or replaced.
void CloseDocumentFonts();
