#include "view/tool_state.h"

ToolState g_tool;

void ClearToolProgress() {
  g_tool.stroke = StrokeDrag{};
  g_tool.polyline.clear();
  g_tool.selectDrag = false;
  g_tool.equalVectorPicked = false;
  EndPan();
}

bool IsEraseMode(ToolMode mode) { return mode == ToolMode::SelectErase || mode == ToolMode::ForceErase; }

bool IsLineToolActive() { return g_tool.mode == ToolMode::Geometry && g_tool.lineTool != LineToolKind::None; }
