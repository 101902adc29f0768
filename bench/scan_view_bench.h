// The scan document's view lines beside the page turns: a jump to a page not prepared, the
// thumbnails, the decoder's fidelity, and zooming while a neighbour is being prepared.
#pragma once

#include "engine/pdfium_types.h"

class PageCanvas;

// `bare` is the same file loaded on its own for the engine's baseline renders.
void RunScanViewBenches(PageCanvas* canvas, FPDF_DOCUMENT bare);
