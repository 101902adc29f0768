#include "document/document_fonts.h"

FontCache g_fontCache;

void CloseDocumentFonts() { g_fontCache = FontCache{}; }
