// The OCR area selection: while the OCR command is armed, a left drag frames a rectangle of
// the page that is then recognised.
#pragma once

#include "view/page_view.h"

struct OcrDrag {
  bool dragging = false;
  ScreenPoint start;
  ScreenPoint end;           // clamped to the selectable area
  IntRect pageRectAtStart;   // the recognition is refused when the page moved meanwhile
};

extern OcrDrag g_ocrDrag;

// The page's screen rectangle within the visible part of the view.
IntRect OcrSelectableArea();
// The dragged rectangle, normalised (right and bottom excluded).
IntRect OcrDragRect();
bool OcrDragShown();
void OcrPress(int x, int y);
void OcrMove(int x, int y);
// Ends the drag: a rectangle of at least 3 × 3 pixels on an unmoved page is recognised.
void OcrRelease(int x, int y);
