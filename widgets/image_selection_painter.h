// The selected image's frame and handles over the rendered page (edit tool only).
#pragma once

class QPainter;

void PaintImageSelection(QPainter& painter);
