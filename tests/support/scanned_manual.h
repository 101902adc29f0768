// A scanned manual made the way a teacher's scanner would: a Chinese and English page set by
// LibreOffice, rendered to a 300-dpi JPEG by poppler, and that picture wrapped as a PDF page
// (the page shows nothing but the picture). Also the born-digital original, whose own text
// says where each word lies in the picture.
#pragma once

#include <string>
#include <vector>

struct ScannedManual {
  std::string original;  // the LibreOffice PDF
  std::string jpeg;      // its first page at 300 dpi
  std::string scan;      // the picture as a PDF of `pages` pages
  float width = 0, height = 0;  // the page in points
};

// Fails the test (and returns false) when LibreOffice or pdftoppm is missing or fails.
bool MakeScannedManual(const std::string& folder, int pages, ScannedManual& out);

// The words of bare `tesseract <jpeg> - -l chi_sim+eng --psm 3 hocr` on the picture, in order.
std::vector<std::u16string> BareTesseractWords(const std::string& jpeg);

// `pdftotext` of a PDF file, UTF-8 decoded.
std::u16string PdfToText(const std::string& pdf);

// How many of the words are found in the text in order (white space ignored).
int WordsFoundInOrder(const std::vector<std::u16string>& words, const std::u16string& text);
