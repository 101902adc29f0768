#include "support/image_page_pdf.h"

#include <cstdio>
#include <sstream>

#include "support/pdf_fixtures.h"

void WriteImagePagePdf(const std::string& path, const ImagePageSpec& s) {
  std::vector<uint8_t> rgb = s.rgb;
  if (rgb.empty()) rgb.assign(size_t(s.width) * s.height * 3, 128);
  std::ostringstream content;
  const FS_MATRIX& m = s.matrix;
  content << "q\n";
  if (s.clipped) content << m.e << ' ' << m.f << ' ' << m.a / 2 << ' ' << m.d << " re W n\n";
  content << m.a << ' ' << m.b << ' ' << m.c << ' ' << m.d << ' ' << m.e << ' ' << m.f << " cm /Im1 Do\nQ\n";
  if (s.textBeside) content << "BT /F1 12 Tf 20 20 Td (beside) Tj ET\n1 0 0 RG 2 w 10 10 m 300 10 l S\n";
  const std::string stream = content.str();

  std::ostringstream body;
  body << "%PDF-1.4\n";
  std::vector<size_t> offsets;
  auto object = [&](const std::string& text) {
    offsets.push_back(size_t(body.tellp()));
    body << offsets.size() << " 0 obj\n" << text << "\nendobj\n";
  };
  char media[96];
  std::snprintf(media, sizeof media, "[0 0 %g %g]", s.mediaWidth, s.mediaHeight);
  std::string page = "<< /Type /Page /Parent 2 0 R /MediaBox " + std::string(media);
  if (!s.cropBox.empty()) page += " /CropBox " + s.cropBox;
  if (s.rotate != 0) page += " /Rotate " + std::to_string(s.rotate);
  page += " /Resources << /XObject << /Im1 5 0 R >> /Font << /F1 7 0 R >> >> /Contents 4 0 R >>";
  object("<< /Type /Catalog /Pages 2 0 R >>");
  object("<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
  object(page);
  object("<< /Length " + std::to_string(stream.size()) + " >>\nstream\n" + stream + "\nendstream");
  std::string image = "<< /Type /XObject /Subtype /Image /Width " + std::to_string(s.width) + " /Height " +
                      std::to_string(s.height) + " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Length " +
                      std::to_string(rgb.size()) + (s.softMask ? " /SMask 6 0 R" : "") + " >>\nstream\n" +
                      std::string(rgb.begin(), rgb.end()) + "\nendstream";
  object(image);
  std::string alpha(size_t(s.width) * s.height, char(128));
  object("<< /Type /XObject /Subtype /Image /Width " + std::to_string(s.width) + " /Height " +
         std::to_string(s.height) + " /ColorSpace /DeviceGray /BitsPerComponent 8 /Length " +
         std::to_string(alpha.size()) + " >>\nstream\n" + alpha + "\nendstream");
  object("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
  size_t xref = size_t(body.tellp());
  body << "xref\n0 " << offsets.size() + 1 << "\n0000000000 65535 f \n";
  for (size_t offset : offsets) {
    char line[32];
    std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
    body << line;
  }
  body << "trailer\n<< /Size " << offsets.size() + 1 << " /Root 1 0 R >>\nstartxref\n" << xref << "\n%%EOF\n";
  WriteBytes(path, body.str());
}
