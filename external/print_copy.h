// The PDF a queue receives: the open document's pages in printing order, copied by the engine
// so text stays text and lines stay lines.
#pragma once

#include <vector>

#include "engine/pdfium_types.h"

// Writes the pages of `sequence` (indexes from 0 into `source`; kBlankPage is an empty page
// the size of the one before it) into the open empty file. False when the engine or a write
// failed.
bool WritePrintCopy(FPDF_DOCUMENT source, const std::vector<int>& sequence, int fd);
