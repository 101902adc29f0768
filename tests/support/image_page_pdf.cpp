#include "support/image_page_pdf.h"

#include <cstdio>
#include <sstream>

#include "engine/engine_table.h"
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

  std::vector<std::string> objects;
  auto object = [&objects](const std::string& text) { objects.push_back(text); };
  char media[96];
  std::snprintf(media, sizeof media, "[0 0 %g %g]", s.mediaWidth, s.mediaHeight);
  std::string page = "<< /Type /Page /Parent 2 0 R /MediaBox " + std::string(media);
  if (!s.cropBox.empty()) page += " /CropBox " + s.cropBox;
  if (s.rotate != 0) page += " /Rotate " + std::to_string(s.rotate);
  page += " /Resources << /XObject << /Im1 5 0 R >> /Font << /F1 7 0 R >> >> /Contents 4 0 R >>";
  object("<< /Type /Catalog /Pages 2 0 R >>");
  std::string kids = "3 0 R";
  for (int k = 1; k < s.pages; ++k) kids += " " + std::to_string(8 + 2 * (k - 1)) + " 0 R";
  object("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(s.pages) + " >>");
  object(page);
  object("<< /Length " + std::to_string(stream.size()) + " >>\nstream\n" + stream + "\nendstream");
  const std::vector<uint8_t>& data = s.jpeg.empty() ? rgb : s.jpeg;
  std::string image = "<< /Type /XObject /Subtype /Image /Width " + std::to_string(s.width) + " /Height " +
                      std::to_string(s.height) + " /ColorSpace " + (s.grey ? "/DeviceGray" : "/DeviceRGB") +
                      " /BitsPerComponent 8 /Length " + std::to_string(data.size()) + (s.softMask ? " /SMask 6 0 R" : "") +
                      (s.jpeg.empty() ? "" : " /Filter /DCTDecode") + " >>\nstream\n" +
                      std::string(data.begin(), data.end()) + "\nendstream";
  object(image);
  std::string alpha(size_t(s.width) * s.height, char(128));
  object("<< /Type /XObject /Subtype /Image /Width " + std::to_string(s.width) + " /Height " +
         std::to_string(s.height) + " /ColorSpace /DeviceGray /BitsPerComponent 8 /Length " +
         std::to_string(alpha.size()) + " >>\nstream\n" + alpha + "\nendstream");
  object("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
  for (int k = 1; k < s.pages; ++k) {
    std::string next = page;
    next.replace(next.find("/Contents 4 0 R"), 15, "/Contents " + std::to_string(9 + 2 * (k - 1)) + " 0 R");
    object(next);
    object("<< /Length " + std::to_string(stream.size()) + " >>\nstream\n" + stream + "\nendstream");
  }
  WritePdfObjects(path, objects);
}

bool ImagePixels::White(int column, int row) const {
  const uint8_t* p = &bgra[(size_t(row) * width + column) * 4];
  return p[0] == 255 && p[1] == 255 && p[2] == 255;
}

int ImagePixels::WhiteCount() const {
  int n = 0;
  for (int r = 0; r < height; ++r) {
    for (int c = 0; c < width; ++c) n += White(c, r);
  }
  return n;
}

ImagePixels ReadImagePixels(FPDF_DOCUMENT document, FPDF_PAGE page, FPDF_PAGEOBJECT image) {
  ImagePixels out;
  unsigned w = 0, h = 0;
  FS_MATRIX m{};
  if (!g_engine.FPDFImageObj_GetImagePixelSize(image, &w, &h) || !g_engine.FPDFPageObj_GetMatrix(image, &m)) return out;
  g_engine.FPDFImageObj_SetMatrix(image, w, 0, 0, h, 0, 0);
  FPDF_BITMAP bitmap = g_engine.FPDFImageObj_GetRenderedBitmap(document, page, image);
  g_engine.FPDFImageObj_SetMatrix(image, m.a, m.b, m.c, m.d, m.e, m.f);
  if (bitmap == nullptr) return out;
  out.width = int(w);
  out.height = int(h);
  auto* buffer = static_cast<uint8_t*>(g_engine.FPDFBitmap_GetBuffer(bitmap));
  int stride = g_engine.FPDFBitmap_GetStride(bitmap);
  for (unsigned r = 0; r < h; ++r) out.bgra.insert(out.bgra.end(), buffer + r * stride, buffer + r * stride + 4 * w);
  g_engine.FPDFBitmap_Destroy(bitmap);
  return out;
}

FPDF_PAGEOBJECT FirstImage(FPDF_PAGE page) {
  int count = g_engine.FPDFPage_CountObjects(page);
  for (int i = 0; i < count; ++i) {
    FPDF_PAGEOBJECT o = g_engine.FPDFPage_GetObject(page, i);
    if (g_engine.FPDFPageObj_GetType(o) == kPageObjImage) return o;
  }
  return nullptr;
}
