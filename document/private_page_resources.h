// Resources of its own for every page, before the engine ever regenerates one.
//
// When the engine writes a page's content it prunes the page's resource dictionaries down to
// the names that page uses, and when the dictionary is an object of its own it first walks the
// whole document to count who else refers to it (seconds on a thousand-page book). Books share
// them: TeX puts one ExtGState, ColorSpace and Pattern dictionary under every page, LibreOffice
// one resource dictionary under all pages, and pages may inherit theirs from the page tree. A
// stroke on one page would then take names away from every other page. The update made here
// gives each such page a resource dictionary written inside the page itself, its categories
// (ExtGState, Font, XObject …) copied in as well; what they point to (fonts, pictures, forms)
// stays shared and is never changed by the engine. Nothing of the original bytes changes.
#pragma once

#include <optional>
#include <string>

#include "document/pdf_file_index.h"
#include "document/pdf_update.h"

// The update to append after `index.bytes`; empty when every page already has resources of
// its own, nothing when the page tree cannot be read (the document is then used as it is).
std::optional<std::string> PrivatePageResourcesUpdate(PdfFileIndex& index);

// Where an update appended to the indexed file begins and what it points back to.
UpdateTarget UpdateTargetAfter(const PdfFileIndex& index);
// Root, Info and ID of the file's newest trailer, to be carried into an update.
PdfValue CarriedTrailerEntries(const PdfValue& trailer);
