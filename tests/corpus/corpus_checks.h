// The corpus of real documents and what other programs say about a saved copy of one: its
// list, qpdf's verdict, poppler's renders of chosen pages and their comparison.
#pragma once

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "support/reader_checks.h"

struct CorpusFile {
  std::string name;  // file name without ".pdf" in the corpus folder
  std::string kind;  // tex, office, linearized, objstreams, updated, signed
};
// The files the corpus list names, in its order.
std::vector<CorpusFile> ReadCorpusList(const std::string& listPath);
// "diadia-example" → "diadia_example": a test name.
std::string CorpusTestName(const std::string& name);
// gtest prints a file by its name.
inline void PrintTo(const CorpusFile& file, std::ostream* out) { *out << file.name; }

// qpdf --check's verdict: 0 clean, 1 warnings, 2 errors; the complaints beside it.
struct QpdfVerdict {
  int rank = 2;
  std::string complaints;
};
QpdfVerdict CheckWithQpdf(const std::string& pdf);

int PageCountByPoppler(const std::string& pdf);
// The pages (0-based) compared after an edit of page `edited`: all of a short document; of a
// long one the five after it, the middle and the last two.
std::vector<int> PagesToCompare(int pageCount, int edited);
// Those pages at 40 dpi in grey by pdftoppm (crop box), by page index; a page poppler could not
// render is missing.
std::map<int, GreyImage> RenderPages(const std::string& pdf, const std::vector<int>& pages,
                                     const std::string& workFolder);

// A rectangle of pixels, edges included, top-left origin.
struct PixelBox {
  int left = 0, top = 0, right = -1, bottom = -1;
  bool Contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};
// Where two renders of a page differ outside `allowed`: empty when nowhere, else a sentence
// with the count and the bounding box of the differing pixels.
std::string DifferencesOutside(const GreyImage& before, const GreyImage& after, const PixelBox& allowed);
// Whether any pixel inside the box differs.
bool DiffersInside(const GreyImage& before, const GreyImage& after, const PixelBox& box);

// poppler's text of one page (0-based), words as pdftotext lays them out.
std::string PopplerPageText(const std::string& pdf, int index);
// pdfsig's report on a file.
std::string SignatureReport(const std::string& pdf);
