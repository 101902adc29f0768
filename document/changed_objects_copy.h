// A copy of an edited document written as the unchanged bytes of the file it was opened from,
// followed by an update section holding only the objects that differ from that file.
//
// The engine's own incremental save appends every object it has loaded, and once the document
// has a new object, or has been saved in full once, that is every object: in a packed file
// (object streams) each of them uncompressed, a copy several times the original's size. Here the
// engine writes its incremental output twice, for the edited document and for a fresh load of
// the original, both with every object loaded; objects whose written form is the same in both are
// left out, the rest go after the original's bytes with a cross-reference section of the
// original's kind (table or stream) that points back to the original's.
#pragma once

#include <cstdint>
#include <optional>

#include "engine/pdfium_types.h"

struct CopyBase {
  int fd = -1;         // the original file, open for reading and checked to be unchanged
  uint64_t size = 0;   // its length
  // Length of the file the engine reads the edited document from (the original, or an undo
  // snapshot after an undo): where the engine's incremental output for it begins to differ.
  uint64_t documentFileSize = 0;
};

// Writes the copy into the empty open file `fd`. Nothing when this way is closed (encrypted
// original, engine output not understood, too little memory): the caller writes the copy
// another way. Otherwise 0 or the errno of the failed write.
std::optional<int> WriteChangedObjectsCopy(FPDF_DOCUMENT document, const CopyBase& base, int fd);
