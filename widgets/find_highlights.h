// Translucent marks over the matches of the search on the page shown; the chosen match is
// marked stronger. Drawn over the rendered page, so turned and cropped pages map like
// everything else drawn on them.
#pragma once

#include <QRectF>

#include "document/text_search.h"
#include "view/page_view.h"

class QPainter;

void PaintFindHighlights(QPainter& painter);
// A match rectangle in client pixels on the page shown (its sides stay parallel to the
// screen's on a turned page; which corner lands where depends on the turn).
QRectF MatchRectOnScreen(const PageFrame& frame, const TextRect& rect);
