// The drawing tools as the window uses them: finished gestures become shapes with their
// labels, the user is told what happened, and the new shape is selected.
#pragma once

#include "view/page_view.h"

// Installs the drawing tools' gesture handlers into the page view's input dispatch.
void InstallDrawingTools();

// "定义坐标系": a grid over the current page, selected afterwards.
void DefineCoordinateSystem();
// The floating zoom buttons with a coordinate system selected: factor 1.2 or 1/1.2.
void ScaleSelectedCoordinateSystem(bool enlarge);
// Choosing the equal vector while a vector was selected takes that vector at once.
void PickSelectedVector(FPDF_PAGEOBJECT selected);
// The topmost straight segment within 12 pixels of a client point.
FPDF_PAGEOBJECT StraightSegmentAt(ScreenPoint point);
