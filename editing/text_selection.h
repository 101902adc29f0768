// The page's own text in the select tool: which text is under the pointer, the selected
// text, dragging it within the page, editing it on double-click and deleting it. The
// selected object belongs to the loaded page (`g_selection.selectedText`).
#pragma once

#include <optional>
#include <string>

#include "drawing/marks.h"
#include "view/page_view.h"

struct TextDrag {
  FPDF_PAGEOBJECT object = nullptr;  // set while a drag runs
  PagePoint last;                    // the page point the object has followed to
  bool moved = false;
};

extern TextDrag g_textDrag;

// The object's bounds on screen: finite, ordered bounds with the four corners mapped, from
// the floor of the least to the ceiling of the greatest, at least 1 pixel each way.
std::optional<IntRect> TextScreenRect(FPDF_PAGEOBJECT object, const PdfOps& ops, const PageFrame& frame);
// The topmost text object whose screen rectangle holds the point.
FPDF_PAGEOBJECT HitText(ScreenPoint point, const PdfOps& ops);

// Makes the object the selection (drawn objects and images are let go).
void SelectText(FPDF_PAGEOBJECT object);
// A press within the selected text's rectangle grown by 3 pixels starts its drag.
bool PressOnSelectedText(ScreenPoint point);
bool TextDragRunning();
// Follows the pointer, clamped into the page, by the difference since the last step.
void TextDragStep(ScreenPoint point, const PdfOps& ops);
// Release or capture loss: a moved text is committed as one edit.
void EndTextDrag();

// The end of every finished text edit: modified, committed, the object still selected.
// `doneClause` opens the warning shown when the content cannot be regenerated and, when
// `showInStatus`, becomes the status text.
void CommitTextChange(const std::u16string& doneClause, bool showInStatus = true);
// The text a right click at the point is about: the selected text when its rectangle holds
// the point, else the text under the point, which becomes selected; none outside the page.
FPDF_PAGEOBJECT TextForMenuAt(ScreenPoint point);
enum class TextMenuChoice { Size, Colour };
// Runs the property menu's choice on the selected text.
void RunTextMenuChoice(TextMenuChoice choice);
// Double-click: the text under the point is selected and edited; true when it was.
bool EditTextAt(ScreenPoint point);
// The Delete key with a text selected; false when no text was selected.
bool DeleteSelectedText();
