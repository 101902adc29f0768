// New content for a text object whose own font may not hold it. The content is first tried on
// a probe object of the same font on the page, so a font that cannot write it never touches the
// original's character codes. Text the editor wrote itself (a subset of a table font) whose
// subset lacks characters is rebuilt with a new subset of the same face, keeping size, matrix,
// colours, render mode, marks and place in the page order.
#pragma once

#include <optional>
#include <string>

#include "engine/engine_table.h"

enum class ProbeResult {
  ReadsBack,   // the object's own font writes the content faithfully
  FontLacks,   // it does not; the page is as it was
  Failed,      // the probe could not be made or read; the page is as it was
  PageTouched  // the probe could not be taken off the page again
};

// Checks that the text's font has a glyph for every character (an outline for every visible
// one), then tries `content` on a new object of that font and size, placed on the page only
// while it is read back, and compares what reads back, spaces included. `spacesLost` says
// whether only the spaces failed to come back.
ProbeResult ProbeTextContent(FPDF_DOCUMENT document, FPDF_PAGE page, FPDF_PAGEOBJECT text,
                             const std::u16string& content, const PdfEngine& ops, bool* spacesLost = nullptr);

// Every character must come back, and a space where one was written; runs of white space and
// line ends count as one space.
bool TextReadsBackAs(FPDF_PAGE page, FPDF_PAGEOBJECT text, const std::u16string& expected, const PdfEngine& ops);

// Whether the engine writes the text's own content back the way it stands: with the same
// font and matrix it covers the same box. A producer that spaced words or letters by kerning
// (TeX writes no space glyph, only gaps in TJ) loses that spacing, as the engine writes plain
// glyphs: such text is not rewritten.
bool RewritingKeepsSpacing(FPDF_DOCUMENT document, FPDF_PAGEOBJECT text, const std::u16string& content,
                           const PdfEngine& ops);

// The display name of the table font whose subset the text is written in; nothing for a font
// the editor did not embed.
std::optional<std::u16string> EditorFontOf(FPDF_PAGEOBJECT text, const PdfEngine& ops);

struct RebuildResult {
  FPDF_PAGEOBJECT replacement = nullptr;  // on the page in the old one's place; the old is gone
  bool pageTouched = false;               // failed, and the page could not be put back
  std::u16string missing;                 // characters the font's face has no glyph for
};

// Replaces an editor-written text object by one in a new subset holding `content`. On failure
// the original stays where it was with its own character codes.
RebuildResult RebuildTextWithNewSubset(FPDF_DOCUMENT document, FPDF_PAGE page, FPDF_PAGEOBJECT text,
                                       const std::u16string& content, const PdfEngine& ops);
