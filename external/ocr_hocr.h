// Reading Tesseract's hOCR output: the lines of a page and the words on them, each with its
// box in the pixels of the image Tesseract was given.
#pragma once

#include <string>
#include <vector>

struct OcrPixelBox {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom excluded
};

struct OcrWord {
  OcrPixelBox box;
  std::u16string text;
};

struct OcrLine {
  OcrPixelBox box;
  std::vector<OcrWord> words;
};

// Words outside any line, words without a usable box and empty words are left out; entities
// (&amp; &lt; &gt; &quot; &#39; &#NNN; &#xHH;) are decoded.
std::vector<OcrLine> ParseHocr(const std::string& utf8);

// A stretch of a line written as one text object: neighbouring words join when both sides of
// the join are Chinese (Tesseract writes no space between them), otherwise a word stands alone.
struct OcrRun {
  OcrPixelBox box;
  std::u16string text;
};
std::vector<OcrRun> JoinLineRuns(const OcrLine& line);

// Ideographs, kana, Hangul and full-width punctuation: no space goes between two of them.
bool IsSpacelessScript(char16_t c);
