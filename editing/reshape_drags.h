// Reshaping the selection by its handles: the endpoints of a segment or arrow, and the
// control points of triangles, rectangles and ellipses. Each step replaces the object (new
// one in first, old one out last) and selects the replacement.
#pragma once

#include "editing/drawn_objects.h"

void BeginEndpointDrag(int endpoint);
void EndpointStep(ScreenPoint point);
void EndEndpointDrag();

// False when the shape's outline cannot be read (an error was shown).
bool BeginControlPointDrag(int id);
void ControlPointStep(ScreenPoint point);
void EndControlPointDrag();

// Arrow head length from the wing's distance to the tip: √(1 + 0.45²).
constexpr double kWingToHeadLength = 1.0965856099730655;
