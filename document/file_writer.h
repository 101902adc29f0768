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

// Writes a copy of the open document into an empty open file. A document opened from a file is
// always copied by appending to that file's own bytes (the changed objects, or the engine's own
// update when the editor cannot read the file), so every original byte and signature stays; a
// document made in memory or read from a CVN file is written in full. Returns 0 or errno.
int WriteDocumentCopy(int fd);
