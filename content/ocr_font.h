// The fonts an invisible text layer is written in: for each piece of text the first table
// font with a glyph for every character, cut down to the characters that font writes on the
// page. The choosing and cutting need no engine and run on a worker; only the load into the
// document runs where the engine does.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/pdfium_types.h"

// The table fonts' files, read once per run; used by one thread at a time.
struct OcrFontFiles;
std::shared_ptr<OcrFontFiles> OpenOcrFontFiles();

struct PreparedOcrFont {
  std::u16string displayName;
  std::u16string characters;  // what the subset holds
  std::string bytes;          // the subset under its own tagged name
};

struct PreparedOcrFonts {
  std::vector<PreparedOcrFont> fonts;
  std::vector<int> fontOfText;  // per text: index into fonts, −1 when no table font has all its characters
};

// Chooses and cuts the fonts for `texts`.
PreparedOcrFonts PrepareOcrFonts(OcrFontFiles& files, const std::vector<std::u16string>& texts);

// Loads a prepared subset into the open document and keeps it in the document's font cache
// (closed with the document); null when the engine refuses it.
FPDF_FONT LoadPreparedOcrFont(const PreparedOcrFont& prepared);
