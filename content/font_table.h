// The four fonts the editor writes text with, loaded into the open document at most once
// each (every load embeds the whole font file), and the default font used for labels and
// watermarks.
#pragma once

#include <string>
#include <vector>

#include "engine/pdfium_types.h"

struct FontTableEntry {
  const char16_t* displayName;
  const char* fileName;
};

// In order of preference: 微软雅黑, 宋体, 黑体, Arial Unicode MS.
const std::vector<FontTableEntry>& FontTable();

struct FontCacheEntry {
  std::u16string displayName;
  FPDF_FONT font = nullptr;
};

struct FontCache {
  std::vector<FontCacheEntry> entries;
  FPDF_FONT defaultFont = nullptr;
  int loadCount = 0;  // font files embedded so far for this document
};

extern FontCache g_fontCache;

// CORVAN_FONTS_DIR, else fonts/ beside the executable, else /usr/local/share/corvan-pdf/fonts.
std::u16string FontFolder();
// Loads the first font of the table that loads, once per document; false (after a message)
// when none can be used.
bool EnsureDefaultFont();
// A font of the table by display name, from the cache or loaded now; nothing (after a
// message, unless quiet) when it cannot be used.
FPDF_FONT GetFontByName(const std::u16string& displayName, bool quiet = false);
// Closes every cached handle and forgets the default font; before the document is closed.
void CloseDocumentFonts();
