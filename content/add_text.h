// Adding typed text to the current page: one text object per line, written upright as the
// user sees the page (whatever its quarter turns and crop box), in an embedded subset of a
// font of the font table. Engine-side: no toolkit code; messages go through the seam.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "drawing/marks.h"
#include "engine/pdfium_types.h"
#include "geometry/screen_mapping.h"

// Kept for the whole run and reused by the next text box; never stored on disk.
struct TextToolSettings {
  std::u16string fontName = u"微软雅黑";
  float size = 18.0f;
  uint32_t colour = 25 | 25 << 8 | 25 << 16;  // red in the lowest byte
};

extern TextToolSettings g_textSettings;

// What the text tool is handed each time it is used, so it does not reach into the window.
struct TextToolContext {
  IntRect pageRect;             // the page on screen, client pixels
  PageFrame frame;              // where the displayed page sits in page space
  FPDF_DOCUMENT document = nullptr;
  FPDF_PAGE page = nullptr;
  PdfOps ops{};                 // the entry points, copied when the tool starts
  std::optional<PagePoint> (*screenToPage)(int x, int y) = nullptr;
  // A table font holding `characters`; nothing (after a message unless quiet) when unusable.
  FPDF_FONT (*fontByName)(const std::u16string& name, const std::u16string& characters, bool quiet) = nullptr;
  // The page's objects changed: edit generation, full rewrite, modified, no drawn selection.
  void (*pageChanged)() = nullptr;
  // The status text, a re-render and (on success) the title after an addition.
  void (*textAdded)(bool contentGenerated) = nullptr;
};


constexpr const char16_t* kTextNotAddedCaption = u"文本添加失败";
constexpr const char16_t* kTextNotAddedText = u"文本无法加入 PDF 页面。\n请检查文本行数和页面空间。";

// Whether the font writes every character of `characters` (the same rule as editing text);
// when not, says which characters cannot be written, and that nothing was added.
bool FontWritesEvery(FPDF_FONT font, const std::u16string& characters, const PdfOps& ops);

// Adds the lines of `text` with the first line's top at `anchor` (a page point): true when
// the text is on the page and the page content was regenerated. Every failure leaves the
// page as it was, except an insertion the engine broke off, which is reported to the user
// as a possibly changed page.
bool AddTextLines(const TextToolContext& ctx, PagePoint anchor, const std::u16string& text,
                  const std::u16string& fontName, float size, uint32_t colour);
