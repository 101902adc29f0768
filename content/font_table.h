// The four fonts the editor writes text with and the per-document cache of what was loaded.
// Every load embeds the bytes it is given, so what goes in is a subset of the font's first
// face holding only the characters asked for; a cached subset serves any request it covers.
// The default font is the label subset, shared by every label of the document.
#pragma once

#include <string>
#include <vector>

#include "document/document_fonts.h"
#include "engine/pdfium_types.h"

struct FontTableEntry {
  const char16_t* displayName;
  const char* fileName;
};

// In order of preference: 微软雅黑, 宋体, 黑体, Arial Unicode MS.
const std::vector<FontTableEntry>& FontTable();


// CORVAN_FONTS_DIR, else fonts/ beside the executable, else /usr/local/share/corvan-pdf/fonts.
std::u16string FontFolder();
// The label subset of the first table font that loads, once per document; false (after a
// message) when none can be used.
bool EnsureDefaultFont();
// A font of the table by display name holding `characters` (text, a watermark): a cached
// subset that covers them, or a new subset of exactly them; nothing (after a message,
// unless quiet) when it cannot be used.
FPDF_FONT GetFontByName(const std::u16string& displayName, const std::u16string& characters, bool quiet = false);
// The default font's face holding `characters` (a watermark's text): the label subset when it
// covers them, else a subset of them; nothing (after a message) when no font can be used.
FPDF_FONT DefaultFontFor(const std::u16string& characters);
