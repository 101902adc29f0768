#include "support/scanned_manual.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/engine_handles.h"
#include "engine/engine_table.h"
#include "external/ocr_hocr.h"
#include "platform/text_encoding.h"
#include "support/image_page_pdf.h"

namespace {

constexpr const char* kManualHtml = R"(<html><head><meta charset="utf-8"></head><body>
<p style="font-size:16pt"><b>第三章 三角形的性质</b></p>
<p style="font-size:14pt">三角形的内角和等于一百八十度。The sum of the interior angles of a triangle is 180 degrees.</p>
<p style="font-size:14pt">等腰三角形的两个底角相等。In an isosceles triangle, the base angles are equal.</p>
<p style="font-size:14pt">勾股定理：直角三角形两条直角边的平方和等于斜边的平方。</p>
<p style="font-size:14pt">Pythagoras: a squared plus b squared equals c squared.</p>
<p style="font-size:14pt">练习：请计算下列三角形的面积，并写出计算过程。</p>
</body></html>
)";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

int Run(const std::string& command) { return std::system(command.c_str()); }

// Width and height from a JPEG's start-of-frame marker.
bool JpegSize(const std::string& bytes, int& width, int& height) {
  for (size_t i = 2; i + 9 < bytes.size();) {
    if (uint8_t(bytes[i]) != 0xFF) return false;
    uint8_t marker = uint8_t(bytes[i + 1]);
    size_t length = uint8_t(bytes[i + 2]) << 8 | uint8_t(bytes[i + 3]);
    if (marker >= 0xC0 && marker <= 0xC2) {
      height = uint8_t(bytes[i + 5]) << 8 | uint8_t(bytes[i + 6]);
      width = uint8_t(bytes[i + 7]) << 8 | uint8_t(bytes[i + 8]);
      return true;
    }
    i += 2 + length;
  }
  return false;
}

}  // namespace

bool MakeScannedManual(const std::string& folder, int pages, ScannedManual& out) {
  std::filesystem::create_directories(folder);
  std::ofstream(folder + "/manual.html") << kManualHtml;
  // A private profile, so a LibreOffice open elsewhere does not take the job.
  std::string profile = "file://" + folder + "/lo-profile";
  EXPECT_EQ(Run("cd '" + folder + "' && soffice -env:UserInstallation=" + profile +
                " --headless --infilter='HTML (StarWriter)' --convert-to pdf manual.html >/dev/null 2>&1"),
            0);
  out.original = folder + "/manual.pdf";
  EXPECT_EQ(Run("pdftoppm -r 300 -jpeg -f 1 -l 1 -singlefile '" + out.original + "' '" + folder + "/manual'"), 0);
  out.jpeg = folder + "/manual.jpg";
  std::string jpeg = ReadFile(out.jpeg);
  ImagePageSpec spec;
  if (!JpegSize(jpeg, spec.width, spec.height)) {
    ADD_FAILURE() << "no 300-dpi picture of the manual";
    return false;
  }
  ScopedDocument original(g_engine.FPDF_LoadDocument(out.original.c_str(), nullptr));
  ScopedPage page(original != nullptr ? g_engine.FPDF_LoadPage(original.get(), 0) : nullptr);
  if (page == nullptr) {
    ADD_FAILURE() << "LibreOffice wrote no readable manual";
    return false;
  }
  out.width = g_engine.FPDF_GetPageWidthF(page.get());
  out.height = g_engine.FPDF_GetPageHeightF(page.get());
  spec.mediaWidth = out.width;
  spec.mediaHeight = out.height;
  spec.matrix = {out.width, 0, 0, out.height, 0, 0};
  spec.jpeg.assign(jpeg.begin(), jpeg.end());
  spec.pages = pages;
  out.scan = folder + "/scan.pdf";
  WriteImagePagePdf(out.scan, spec);
  return true;
}

std::vector<std::u16string> BareTesseractWords(const std::string& jpeg) {
  std::string base = jpeg + ".bare";
  EXPECT_EQ(Run("OMP_THREAD_LIMIT=1 tesseract '" + jpeg + "' '" + base + "' -l chi_sim+eng --psm 3 hocr >/dev/null 2>&1"), 0);
  std::vector<std::u16string> words;
  for (const OcrLine& line : ParseHocr(ReadFile(base + ".hocr"))) {
    for (const OcrWord& word : line.words) words.push_back(word.text);
  }
  return words;
}

std::u16string PdfToText(const std::string& pdf) {
  std::string out = pdf + ".txt";
  EXPECT_EQ(Run("pdftotext -enc UTF-8 '" + pdf + "' '" + out + "'"), 0);
  return Utf8ToUtf16(ReadFile(out));
}

int WordsFoundInOrder(const std::vector<std::u16string>& words, const std::u16string& text) {
  std::u16string packed;
  for (char16_t c : text) {
    if (c != u' ' && c != u'\n' && c != u'\r' && c != u'\t' && c != u'\f') packed.push_back(c);
  }
  int found = 0;
  size_t from = 0;
  for (const std::u16string& word : words) {
    size_t at = packed.find(word, from);
    if (at == std::u16string::npos) continue;
    ++found;
    from = at + word.size();
  }
  return found;
}
