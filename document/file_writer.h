// The write callback handed to FPDF_SaveAsCopy: appends the engine's output to an open file
// and remembers the first failure, which the caller reads after the engine call.
#pragma once

#include <cstdint>
#include <optional>

#include "engine/pdfium_types.h"

struct FileWriter {
  FPDF_FILEWRITE engineRecord;  // first member: the engine hands this pointer back
  int fd = -1;
  bool writeFailed = false;
  int writeError = 0;  // errno of the first failed write
};

FileWriter MakeFileWriter(int fd);
// FPDF_SaveAsCopy through the writer; true only if the engine and every write succeeded.
bool SaveDocumentToFile(FPDF_DOCUMENT document, FileWriter& writer, FPDF_DWORD flags);

// How many bytes FPDF_SaveAsCopy would write with these flags; nothing on failure.
std::optional<uint64_t> CountSavedBytes(FPDF_DOCUMENT document, FPDF_DWORD flags);
struct CopyBase;
// Writes a copy of the document into an empty open file: incrementally when that is allowed
// and smaller than a full rewrite, else rewritten in full. Given the unchanged original, the
// increment holds only the changed objects; otherwise it is the engine's own, which appends
// every object it has loaded, and after any added object or earlier full save every object of
// the document, so it can cost a second copy. Returns 0 or errno.
int WriteSmallestCopy(FPDF_DOCUMENT document, int fd, bool incrementalAllowed, const CopyBase* base = nullptr);
