// What an edit changed, as objects to append after the bytes the document was opened from.
//
// The engine's incremental save writes every object it has loaded, changed or not (after a
// page edit the engine has read the whole book to count references). The objects it writes are
// read back here and compared, by meaning, with the same objects of the opened bytes; only those
// that differ, and new objects something kept still points at, are appended. So a copy is the
// original file's bytes followed by what the teacher added, signatures stay valid, an undo
// record costs the size of the edit, and a picture replaced by force erase or the font of a
// deleted text is not carried along.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "document/opened_bytes.h"
#include "document/pdf_update.h"
#include "engine/pdfium_types.h"

struct ChangedObjects {
  std::map<uint32_t, UpdateObject> objects;
  PdfValue trailer;                          // Root, Info and ID to carry
  std::shared_ptr<std::string> engineOutput; // holds the stream data the objects point into
};

// Nothing when this way is closed (a file the editor could not index, an encrypted one,
// engine output not understood): the caller writes the copy the engine's way.
std::optional<ChangedObjects> FindChangedObjects(FPDF_DOCUMENT document, EngineBytes& bytes);
// An undo record: the update to append after the reference bytes (empty when nothing changed).
std::optional<std::string> ChangedObjectsUpdate(FPDF_DOCUMENT document, EngineBytes& bytes);
// A copy into the empty open file `fd`: the opened file's own bytes, then the update.
// 0 or the errno of a failed write.
std::optional<int> WriteChangedObjectsCopy(FPDF_DOCUMENT document, EngineBytes& bytes, int fd);
