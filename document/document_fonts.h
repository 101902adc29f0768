// The fonts the open document holds loaded: what the editor embedded in it so far, so later
// text reuses a subset instead of embedding another. Dropped with the document.
#pragma once

#include <string>
#include <vector>

#include "engine/engine_handles.h"

struct FontCacheEntry {
  std::u16string displayName;
  std::u16string characters;  // what the embedded subset holds
  ScopedFont font;
};

struct FontCache {
  std::vector<FontCacheEntry> entries;
  FPDF_FONT defaultFont = nullptr;
  std::u16string defaultName;  // the table font the default was cut from
  int loadCount = 0;  // subsets embedded so far for this document
};

extern FontCache g_fontCache;

// Closes every cached handle and forgets the default font; before the document is closed.
void CloseDocumentFonts();
