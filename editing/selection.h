// The drawn-object selection: which object on the current page is selected. Choosing and
// moving objects by pointer arrives with the selection tools; drawing selects what it drew.
#pragma once

#include "engine/pdfium_types.h"

struct SelectionState {
  FPDF_PAGEOBJECT object = nullptr;
};

extern SelectionState g_selection;

void SelectDrawnObject(FPDF_PAGEOBJECT object);
void ClearDrawnSelection();
// The selected object when it is a coordinate system in the select tool.
FPDF_PAGEOBJECT SelectedCoordinateSystem();
