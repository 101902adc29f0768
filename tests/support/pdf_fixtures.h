// Test documents made with the engine itself or with Debian tools, and file inspection.
#pragma once

#include <string>
#include <vector>

#include "engine/pdfium_types.h"

struct PageSpec {
  float width = 595;
  float height = 842;
  int rotation = 0;
  int pathObjects = 1;
};

// Saves the document in full (not incrementally) to a path given in UTF-8; false on failure.
bool SaveDocumentToPath(FPDF_DOCUMENT document, const std::string& path);
// Writes a PDF with the given pages; each page holds `pathObjects` small line paths.
void WriteTestPdf(const std::string& path, const std::vector<PageSpec>& pages);
// A document whose page i is (300 + i) points wide, so pages can be told apart by width.
void WriteNumberedPdf(const std::string& path, int pageCount);
// A hand-written PDF of these object bodies, numbered from 1 in order (object 1 is the
// catalog), with its cross-reference table.
void WritePdfObjects(const std::string& path, const std::vector<std::string>& objects);
// A hand-written one-page PDF; `pageEntries` goes into the page dictionary
// (for example "/MediaBox [0 0 595 842]").
void WriteHandMadePdf(const std::string& path, const std::string& pageEntries);
// qpdf --encrypt with a user password; false when qpdf failed.
bool WriteEncryptedCopy(const std::string& input, const std::string& output);

// Adds a small stroked line path to the page (not committed).
void AddLinePath(FPDF_PAGE page, float x, float y);
// Adds an unstroked rectangle filled opaque with (red, green, blue) to the page (not
// committed) and returns it.
FPDF_PAGEOBJECT AddFilledBox(FPDF_PAGE page, float left, float bottom, float right, float top, unsigned red,
                             unsigned green, unsigned blue);

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
// Names of the entries in a folder, sorted.
std::vector<std::string> FolderEntries(const std::string& folder);

// Widths of every page of a document, in page order.
std::vector<float> PageWidths(FPDF_DOCUMENT document);
int ObjectCountOnPage(FPDF_DOCUMENT document, int index);
// Opens a saved file and reports its page widths (empty when it cannot be loaded).
std::vector<float> PageWidthsOfFile(const std::string& path);
// Objects on one page of a saved file; -1 when it cannot be loaded.
int ObjectCountOfFile(const std::string& path, int index);
