// The write callback handed to FPDF_SaveAsCopy: appends the engine's output to an open file
// and remembers the first failure, which the caller reads after the engine call.
#pragma once

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
