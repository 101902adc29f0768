#include "content/glyph_coverage.h"

#include <vector>

namespace {

// The characters of a UTF-16 text as code points, surrogate pairs joined.
std::vector<char32_t> CodePoints(const std::u16string& text) {
  std::vector<char32_t> points;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    points.push_back(c);
  }
  return points;
}

void Append(std::u16string& text, char32_t c) {
  if (c < 0x10000) {
    text.push_back(char16_t(c));
  } else {
    text.push_back(char16_t(0xD800 + ((c - 0x10000) >> 10)));
    text.push_back(char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
  }
}

bool Writes(FPDF_FONT font, char32_t c, const PdfEngine& ops) {
  if (!ops.FPDFFont_GetGlyphWidth || !ops.FPDFFont_GetGlyphPath || !ops.FPDFGlyphPath_CountGlyphSegments) return false;
  float width = 0;
  if (!ops.FPDFFont_GetGlyphWidth(font, uint32_t(c), 1.0f, &width) || !(width > 0)) return false;
  if (IsWhiteSpace(c)) return true;  // no outline; whether it reads back tells the rest
  FPDF_GLYPHPATH outline = ops.FPDFFont_GetGlyphPath(font, uint32_t(c), 1.0f);
  return outline != nullptr && ops.FPDFGlyphPath_CountGlyphSegments(outline) > 0;
}

}  // namespace

bool IsWhiteSpace(char32_t c) {
  return c == U' ' || c == U'\t' || c == U'\r' || c == U'\n' || c == 0x00A0 || c == 0x3000 ||
         (c >= 0x2000 && c <= 0x200A);
}

std::u16string CharactersFontCannotWrite(FPDF_FONT font, const std::u16string& text, const PdfEngine& ops) {
  std::vector<char32_t> missing;
  for (char32_t c : CodePoints(text)) {
    if (c == U'\r' || c == U'\n') continue;  // line ends start another object
    bool known = false;
    for (char32_t m : missing) known = known || m == c;
    if (!known && (font == nullptr || !Writes(font, c, ops))) missing.push_back(c);
  }
  std::u16string characters;
  for (char32_t c : missing) Append(characters, c);
  return characters;
}

std::u16string NameCharacters(const std::u16string& characters) {
  std::u16string named;
  bool space = false;
  for (char32_t c : CodePoints(characters)) {
    if (IsWhiteSpace(c)) {
      space = true;
      continue;
    }
    named += u"“";
    Append(named, c);
    named += u"”";
  }
  if (space) named += named.empty() ? u"空格" : u"、空格";
  return named;
}
