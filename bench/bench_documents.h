// Documents the benchmarks measure, made with the engine itself.
#pragma once

#include <string>

#include "engine/pdfium_types.h"

// Pages of A4 holding `linesPerPage` lines of Helvetica text each.
void MakeTextDocument(const std::string& path, int pages, int linesPerPage = 45);
// FPDF_SaveAsCopy into memory, then the bytes to a file.
void SaveToFile(FPDF_DOCUMENT document, const std::string& path);
// The whole document written by FPDF_SaveAsCopy into a buffer reserved at `reserve` bytes;
// its size in bytes.
size_t SaveToMemory(FPDF_DOCUMENT document, size_t reserve);
// The same, then those bytes written to a new file at `path` with plain writes (no flush):
// the least any snapshot of the document can cost.
size_t SaveToMemoryAndFile(FPDF_DOCUMENT document, size_t reserve, const std::string& path);
