// The selection overlays painted over the page: handles, dashed frames and the marquee.
#pragma once

class QPainter;

void PaintSelection(QPainter& painter);
