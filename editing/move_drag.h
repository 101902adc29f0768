// Dragging the selection: moving one object with its labels, a marquee group, or a point
// locked onto a segment. The page changes at every step; the end reports once.
#pragma once

#include <vector>

#include "editing/drawn_objects.h"

struct DragState {
  bool moveArmed = false;
  bool moved = false;
  PagePoint lastPagePoint;
  int endpointDrag = 0;         // 1 start, 2 end of the selected two-point line
  bool endpointChanged = false;
  int controlPointDrag = 0;     // 1–4 corner or vertex, 5–8 ellipse side
  bool controlPointChanged = false;
  std::vector<ScreenPoint> startPoints;  // the shape's outline at drag start
  IntRect startBox;                      // and its client bounding box
  DrawnKind shapeKind = DrawnKind::NotPath;
  bool constrained = false;   // this move slides a locked point
  PagePoint startCentre;      // the locked point's centre and the press at move start
  PagePoint startPointer;
};

extern DragState g_drag;

// `editMode`: the press came in the edit tool (its own failure text).
bool BeginMove(ScreenPoint point, bool editMode);
void MoveStep(ScreenPoint point);
void EndMove();
bool AnySelectionDrag();
// Release, capture loss and cancel end whichever drag runs.
void EndSelectionDrag();
