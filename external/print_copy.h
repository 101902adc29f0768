// The PDF a queue receives: the open document's pages in printing order, copied by the engine
// so text stays text and lines stay lines.
#pragma once

#include <functional>
#include <vector>

#include "engine/pdfium_types.h"

enum class CopyResult { Written, Failed, Cancelled };

// Told how many of the sequence's pages are in the copy so far; false stops the copy.
using CopyProgress = std::function<bool(int copied, int total)>;

// Writes the pages of `sequence` (indexes from 0 into `source`; kBlankPage is an empty page
// the size of the one before it) into the open empty file. Failed when the engine or a write
// failed.
CopyResult WritePrintCopy(FPDF_DOCUMENT source, const std::vector<int>& sequence, int fd,
                          const CopyProgress& progress = nullptr);
