#include "support/searchable_pdf.h"

#include <cstdio>

#include "platform/text_encoding.h"
#include "support/pdf_fixtures.h"

void WriteSearchablePdf(const std::string& path, const std::vector<SearchablePage>& pages,
                        const std::string& catalogEntries, const std::vector<std::string>& extraObjects) {
  constexpr int kFirstPage = 7;  // objects 1–6: catalog, page tree, fonts
  std::string kids;
  for (size_t i = 0; i < pages.size(); ++i) kids += std::to_string(kFirstPage + 2 * i) + " 0 R ";
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R " + catalogEntries + " >>",
      "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages.size()) + " >>",
      "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
      "<< /Type /Font /Subtype /Type0 /BaseFont /STSong-Light /Encoding /UniGB-UCS2-H /DescendantFonts [5 0 R] >>",
      "<< /Type /Font /Subtype /CIDFontType0 /BaseFont /STSong-Light /CIDSystemInfo << /Registry (Adobe) "
      "/Ordering (GB1) /Supplement 2 >> /FontDescriptor 6 0 R /DW 1000 >>",
      "<< /Type /FontDescriptor /FontName /STSong-Light /Flags 6 /FontBBox [0 -200 1000 900] /ItalicAngle 0 "
      "/Ascent 880 /Descent -120 /CapHeight 880 /StemV 80 >>"};
  for (size_t i = 0; i < pages.size(); ++i) {
    objects.push_back("<< /Type /Page /Parent 2 0 R " + pages[i].entries +
                      " /Resources << /Font << /F1 3 0 R /F2 4 0 R >> >> /Contents " +
                      std::to_string(kFirstPage + 2 * i + 1) + " 0 R >>");
    objects.push_back("<< /Length " + std::to_string(pages[i].content.size()) + " >>\nstream\n" +
                      pages[i].content + "\nendstream");
  }
  objects.insert(objects.end(), extraObjects.begin(), extraObjects.end());
  WritePdfObjects(path, objects);
}

std::string ChineseTextAt(float x, float y, float size, const std::string& utf8) {
  std::string hex;
  for (char16_t unit : Utf8ToUtf16(utf8)) {
    char code[8];
    std::snprintf(code, sizeof code, "%04X", unsigned(unit));
    hex += code;
  }
  char head[96];
  std::snprintf(head, sizeof head, "BT /F2 %g Tf %g %g Td <", size, x, y);
  return head + hex + "> Tj ET";
}
