#include "editing/selection.h"

#include "drawing/marks.h"
#include "view/tool_state.h"

SelectionState g_selection;

void SelectDrawnObject(FPDF_PAGEOBJECT object) { g_selection.object = object; }

void ClearDrawnSelection() { g_selection = SelectionState{}; }

FPDF_PAGEOBJECT SelectedCoordinateSystem() {
  if (g_selection.object == nullptr || g_tool.mode != ToolMode::Select) return nullptr;
  return FindCoordinateSystem(g_selection.object, CurrentOps()) != 0 ? g_selection.object : nullptr;
}
