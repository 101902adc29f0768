// Which characters of a text a font can really write: a width for every character and an
// outline for every visible one. A font without a glyph still "writes" a character as code 0
// or as an empty box, which may read back right and shows wrong. White space has no outline:
// whether the font writes it shows only when it is read back.
#pragma once

#include <string>

#include "engine/engine_table.h"

// White space: written by its width alone, never by an outline.
bool IsWhiteSpace(char32_t c);

// The characters of `text` the font cannot write, each once, in the order they first occur.
// Every character is counted as missing when the engine cannot tell.
std::u16string CharactersFontCannotWrite(FPDF_FONT font, const std::u16string& text, const PdfEngine& ops);

// "“ﬀ”“😀”、空格" for the message naming missing characters.
std::u16string NameCharacters(const std::u16string& characters);
