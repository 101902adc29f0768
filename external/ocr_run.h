// Recognising text in an image with the Tesseract program: finding it and its language
// data, running it on a BMP work file, and turning its output and log into the result.
#pragma once

#include <cstdint>
#include <string>

// The program's own folder: where `tesseract`, `ocr/tesseract` and `tessdata` are looked for.
std::u16string OcrProgramFolder();
// Own folder, its `ocr/` folder, the search path, then the chooser dialog; empty (after the
// message) when none was found or chosen.
std::u16string FindTesseract();

// Runs Tesseract with simplified Chinese and English on top-down BGRA pixels and shows the
// result dialog; true when it was shown. Every failure is reported; a run stopped with 取消
// ends silently. No work file outlives the call.
bool RunOcr(const uint8_t* bgra, int width, int height, int stride);

// Log and result files: UTF-8 (a byte-order mark dropped), trailing line breaks, spaces and
// form feeds trimmed; nothing for a file that cannot be read, is over 16 MiB, or (strict) is
// not valid UTF-8.
bool ReadOcrText(const std::u16string& path, bool strict, std::u16string& text);

// "OCR 识别失败。…" with the detail below it.
void ReportOcrFailure(const std::u16string& detail);
// Where Tesseract's bundled language data would be: "" when none is shipped; false with the
// failure already reported when it is unusable.
bool ShippedLanguageData(std::u16string& folder);
// Tesseract's log names a language it could not load.
bool MentionsMissingLanguage(const std::u16string& log);
