// Erasing what the editor drew (strokes, shapes, points, coordinate systems): the stroke nearest the pointer, a drag
// that erases every 6 pixels, and every stroke of the page at once.
#pragma once

#include "drawing/marks.h"

// A path the editor drew (it carries a drawn-object mark) made of straight pieces. The page's
// own paths are never erasable, whatever their colour and width.
bool IsErasable(FPDF_PAGEOBJECT object, const PdfOps& ops);
// The erasable path nearest a client point (strictly within 12 pixels), or none; on equal
// distances the earlier object.
FPDF_PAGEOBJECT ErasableAt(ScreenPoint point);
void EraseAt(ScreenPoint point);

void BeginEraseDrag(ScreenPoint point);
void EraseDragStep(ScreenPoint point);
void EndEraseDrag();
bool EraseDragRunning();

// Removes the labels left without their segment, triangle or rectangle; true when all that
// should go went.
bool CleanAllOrphanLabels(const PdfOps& ops, FPDF_PAGE page);

// "全部擦除": asks first; cannot be undone.
void EraseAllOnPage();

constexpr double kEraseDistance = 12;
constexpr int kEraseStepSquared = 36;
