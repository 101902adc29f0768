// The drawing tools at the gesture's end: finished gestures (client pixels on the current
// page) become shapes with their labels, the user is told what happened, and the new shape is
// selected. The pointer dispatch calls these; the page work itself is in drawing/.
#pragma once

#include <vector>

#include "drawing/shape_kinds.h"
#include "view/page_view.h"

void FinishPenStroke(const std::vector<ScreenPoint>& points);
void FinishLine(ScreenPoint start, ScreenPoint end, bool arrow);
void FinishGeometry(GeometryKind kind, ScreenPoint start, ScreenPoint end);
void FinishLineTool(LineToolKind kind, ScreenPoint start, ScreenPoint end);
void AddPolylinePoint(ScreenPoint point);
void FinishPolyline();
// The equal vector's first click: takes the vector under the pointer.
void PickVectorAt(ScreenPoint point);
// The select tool's coordinate-system handles: one under the pointer (a press there drags
// it, the cursor offers to move it), the drag's start, moves and end.
bool CoordinateHandleAt(ScreenPoint point);
void BeginHandleDrag(ScreenPoint point);
void ContinueHandleDrag(ScreenPoint point);
void EndHandleDrag();

// "定义坐标系": a grid over the current page, selected afterwards.
void DefineCoordinateSystem();
// The floating zoom buttons with a coordinate system selected: factor 1.2 or 1/1.2.
void ScaleSelectedCoordinateSystem(bool enlarge);
// Choosing the equal vector while a vector was selected takes that vector at once.
void PickSelectedVector(FPDF_PAGEOBJECT selected);
// The topmost straight segment within 12 pixels of a client point.
FPDF_PAGEOBJECT StraightSegmentAt(ScreenPoint point);
