// What poppler reads on a page, for comparing the editor's text with another reader's: the
// words with their boxes (`pdftotext -bbox`), the text of a region, and a LibreOffice document
// converted to PDF.
#pragma once

#include <string>
#include <vector>

// Points from the top-left corner of the page as shown (poppler's own orientation).
struct PopplerWord {
  std::string text;
  double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
};

std::vector<PopplerWord> PopplerWords(const std::string& pdf, int page = 1);
// The words grouped into lines, top to bottom, each left to right.
std::vector<std::vector<PopplerWord>> PopplerLines(const std::vector<PopplerWord>& words);
// `pdftotext` of the region (points, top-left origin), trailing white space and page feed cut.
std::string PopplerRegionText(const std::string& pdf, double x, double y, double width, double height, int page = 1);
// Converts a flat OpenDocument file with LibreOffice into a PDF beside it; the PDF's path,
// empty on failure.
std::string ConvertWithLibreOffice(const std::string& flatDocument);
