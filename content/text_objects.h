// The page's own text objects, whoever wrote them: reading their content, replacing it,
// scaling, recolouring, moving and removing them. Each operation takes an operations table
// (a copy of the engine table), checks the entries it uses, shows its own failures through
// the platform seam and tells the caller whether the page must be committed. The page keeps
// ownership of every object passed in, except where a function says otherwise.
#pragma once

#include <optional>
#include <string>

#include "engine/engine_table.h"

struct TextEditOutcome {
  bool changed = false;      // the edit was made: commit and keep the object selected
  bool pageTouched = false;  // the edit failed but left the page different: commit anyway
  FPDF_PAGEOBJECT replacement = nullptr;  // the edited text as a new object in the old one's place
  bool Commit() const { return changed || pageTouched; }
};

// The object's content through an already loaded text page: a byte count of at least 2 and
// even, then the same count again when read. Nothing when any of that fails.
std::optional<std::u16string> ReadTextContent(FPDF_TEXTPAGE textPage, FPDF_PAGEOBJECT text, const PdfEngine& ops);

// New content (and, where the engine can set it, a new raw size) through the text dialog.
// Content the object's font cannot write is refused with the object untouched, except for the
// editor's own text, which is rebuilt in a new subset (see text_rebuild.h).
TextEditOutcome EditTextObject(FPDF_DOCUMENT document, FPDF_PAGE page, FPDF_PAGEOBJECT text, const PdfEngine& ops);

// The size the text shows at: its font size times the length of the matrix's second column.
std::optional<double> EffectiveFontSize(FPDF_PAGEOBJECT text, const PdfEngine& ops);
// The size dialog's check: a whole decimal number, finite, 1 … 1000.
bool ParseEffectiveSize(const std::u16string& typed, double& value);
// Asks for a new effective size and scales the matrix about the baseline start (e, f).
TextEditOutcome SetEffectiveFontSize(FPDF_PAGEOBJECT text, const PdfEngine& ops);
// Scales the text by k about its own origin; false (nothing done) when the factors are not finite.
bool ScaleTextAboutOrigin(FPDF_PAGEOBJECT text, double k, const PdfEngine& ops);

// Which colours a text render mode shows.
bool RenderModeShowsFill(int mode);
bool RenderModeShowsStroke(int mode);
// Asks for a colour and sets the fill and/or stroke the render mode shows; alpha stays.
TextEditOutcome SetTextColour(FPDF_PAGEOBJECT text, const PdfEngine& ops);

// Removes the object from the page and destroys it; false (page unchanged, message shown)
// when the engine refuses.
bool DeleteTextObject(FPDF_PAGE page, FPDF_PAGEOBJECT text, const PdfEngine& ops);
