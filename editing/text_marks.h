// 高亮, 下划线 and 删除线 on selected words: standard markup annotations every reader shows,
// with one quadrilateral per selected line over its glyph boxes, the pen's colour, their own
// appearance, the author and the date.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "document/text_search.h"
#include "engine/pdfium_types.h"

enum class TextMarkKind { Highlight, Underline, StrikeOut };

bool TextMarksAvailable();
// The appearance stream's content in page space: translucent boxes for a highlight, a line
// under or through each box for the others.
std::string TextMarkAppearance(TextMarkKind kind, const std::vector<TextRect>& lines, uint32_t rgb);
// "D:20261208043600Z" for the moment given in seconds since 1970.
std::string PdfDate(long long secondsSince1970);
// Adds the annotation to the page; false (and nothing left on the page) when it cannot.
bool AddTextMark(FPDF_PAGE page, TextMarkKind kind, const std::vector<TextRect>& lines, uint32_t rgb,
                 const std::u16string& author, const std::string& date);
// The selected words marked in the pen's colour; the status says what was added.
bool MarkSelectedText(TextMarkKind kind);

// The highlight, underline or strike-out whose quadrilaterals hold the page point (the
// topmost); -1 when none.
int TextMarkAt(FPDF_PAGE page, float x, float y);
// The mark the right mouse menu was opened on (-1 none): 删除标记 and 标记颜色... act on it.
extern int g_menuTextMark;
bool DeleteMenuTextMark();
// Asks for the colour; the mark's appearance is drawn again in it.
bool RecolourMenuTextMark();
