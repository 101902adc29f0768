// The drawn-object selection of the main window: the single selected object, a marquee
// group, the text and image selections that share it and the length the panel shows. A
// point's lock onto a segment is `g_pointLock`. Handles belong to the loaded page, never to
// the selection.
#pragma once

#include <vector>

#include "drawing/geometry_edits.h"
#include "editing/drawn_objects.h"

struct SelectionState {
  FPDF_PAGEOBJECT object = nullptr;      // the single selected drawn object
  std::vector<FPDF_PAGEOBJECT> group;    // marquee choice; two or more when in use
  FPDF_PAGEOBJECT selectedText = nullptr;
  FPDF_PAGEOBJECT selectedImage = nullptr;
  // The fixed length of the next arrows and straight lines in cm (0 = free): set by selecting a
  // segment or arrow and by the panel. Survives selection and mode changes.
  double lengthCm = 0;
};

extern SelectionState g_selection;

// Sets the single selection without the selection procedure (the drawing tools select what
// they drew).
void SelectDrawnObject(FPDF_PAGEOBJECT object);
// Clears every field except `lengthCm`, and the point lock.
void ClearDrawnSelection();
// The selected object when it is a coordinate system in the select tool.
FPDF_PAGEOBJECT SelectedCoordinateSystem();
DrawnKind SelectedKind();

// The end step of an edit that keeps what is selected (the document's own end step clears
// the drawn selection).
void NotifyKeepingSelection(const std::u16string& doneClause);
void MarkModifiedKeepingSelection();

// The single-selection procedure: loads colour and width, measures, repairs labels, says
// what can be done next. Without an object: "请点击线条或曲线选中图形".
void SelectObject(FPDF_PAGEOBJECT object);
// Marquee selection over a client rectangle (two corners in any order).
void SelectInRectangle(IntRect rect);
// Double-click on a point: selects it and locks it onto the nearest segment; false when no
// point is there.
bool LockPointAt(ScreenPoint point);

