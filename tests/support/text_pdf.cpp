#include "support/text_pdf.h"

#include <cstdio>
#include <memory>
#include <sstream>

#include "support/pdf_fixtures.h"

namespace {

constexpr const char* kFont = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>";

std::string Stream(const std::string& dictionary, const std::string& content) {
  return "<< " + dictionary + " /Length " + std::to_string(content.size()) + " >>\nstream\n" + content +
         "\nendstream";
}

}  // namespace

void WriteTextPdf(const std::string& path, const std::string& pageEntries, const std::string& content,
                  const std::string& extraResources) {
  WritePdfObjects(path, {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                      "<< /Type /Page /Parent 2 0 R " + pageEntries + " /Resources << /Font << /F1 4 0 R >> " +
                          extraResources + " >> /Contents 5 0 R >>",
                      kFont, Stream("", content)});
}

void WriteNestedFormPdf(const std::string& path, int depth, const std::string& innerContent,
                        const std::string& pageContent) {
  // 1 catalog, 2 pages, 3 page, 4 font, 5 page content, 6 … 5 + depth the forms.
  std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 4 0 R >> "
                                      "/XObject << /Fx1 6 0 R >> >> /Contents 5 0 R >>",
                                      kFont, Stream("", pageContent)};
  for (int level = 1; level <= depth; ++level) {
    std::string resources = "/Resources << /Font << /F1 4 0 R >>";
    std::string content = innerContent;
    if (level < depth) {
      resources += " /XObject << /Fx" + std::to_string(level + 1) + " " + std::to_string(6 + level) + " 0 R >>";
      content = "q 1 0 0 1 5 5 cm /Fx" + std::to_string(level + 1) + " Do Q";
    }
    resources += " >>";
    objects.push_back(Stream("/Type /XObject /Subtype /Form /BBox [0 0 595 842] " + resources, content));
  }
  WritePdfObjects(path, objects);
}

std::string TextAt(float x, float y, float size, const std::string& text) {
  std::string escaped;
  for (char c : text) {
    if (c == '(' || c == ')' || c == '\\') escaped += '\\';
    escaped += c;
  }
  char head[96];
  std::snprintf(head, sizeof head, "BT /F1 %g Tf %g %g Td (", size, x, y);
  return head + escaped + ") Tj ET\n";
}

std::string ExtractedText(const std::string& path) {
  std::string command = "pdftotext -f 1 -l 1 -layout '" + path + "' - 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string text;
  if (!pipe) return text;
  char buffer[4096];
  size_t read;
  while ((read = fread(buffer, 1, sizeof buffer, pipe.get())) > 0) text.append(buffer, read);
  return text;
}
