#include "support/pdf_fixtures.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "document/file_writer.h"
#include "engine/engine_table.h"
#include "platform/file_system.h"
#include "platform/text_encoding.h"

void AddLinePath(FPDF_PAGE page, float x, float y) {
  FPDF_PAGEOBJECT path = g_engine.FPDFPageObj_CreateNewPath(x, y);
  g_engine.FPDFPath_LineTo(path, x + 40, y + 20);
  g_engine.FPDFPageObj_SetStrokeColor(path, 230, 35, 35, 255);
  g_engine.FPDFPageObj_SetStrokeWidth(path, 2);
  g_engine.FPDFPath_SetDrawMode(path, 0, 1);
  g_engine.FPDFPage_InsertObject(page, path);
}

FPDF_PAGEOBJECT AddFilledBox(FPDF_PAGE page, float left, float bottom, float right, float top, unsigned red,
                             unsigned green, unsigned blue) {
  FPDF_PAGEOBJECT path = g_engine.FPDFPageObj_CreateNewPath(left, bottom);
  g_engine.FPDFPath_LineTo(path, right, bottom);
  g_engine.FPDFPath_LineTo(path, right, top);
  g_engine.FPDFPath_LineTo(path, left, top);
  g_engine.FPDFPath_Close(path);
  g_engine.FPDFPageObj_SetFillColor(path, red, green, blue, 255);
  g_engine.FPDFPath_SetDrawMode(path, kFillWinding, 0);
  g_engine.FPDFPage_InsertObject(page, path);  // the page owns it
  return path;
}

bool SaveDocumentToPath(FPDF_DOCUMENT document, const std::string& path) {
  int fd = OpenForWriting(Utf8ToUtf16(path), false);
  if (fd < 0) return false;
  FileWriter writer = MakeFileWriter(fd);
  bool ok = SaveDocumentToFile(document, writer, kSaveNoIncremental);
  CloseFile(fd);
  return ok;
}

namespace {

void SaveOrDie(FPDF_DOCUMENT document, const std::string& path) {
  if (!SaveDocumentToPath(document, path)) std::abort();
}

}  // namespace

void WriteTestPdf(const std::string& path, const std::vector<PageSpec>& pages) {
  FPDF_DOCUMENT document = g_engine.FPDF_CreateNewDocument();
  for (size_t i = 0; i < pages.size(); ++i) {
    FPDF_PAGE page = g_engine.FPDFPage_New(document, int(i), pages[i].width, pages[i].height);
    for (int k = 0; k < pages[i].pathObjects; ++k) AddLinePath(page, 20.0f + 10 * k, 30.0f + 12 * k);
    g_engine.FPDFPage_SetRotation(page, pages[i].rotation);
    g_engine.FPDFPage_GenerateContent(page);
    g_engine.FPDF_ClosePage(page);
  }
  SaveOrDie(document, path);
  g_engine.FPDF_CloseDocument(document);
}

void WriteNumberedPdf(const std::string& path, int pageCount) {
  std::vector<PageSpec> pages;
  for (int i = 0; i < pageCount; ++i) pages.push_back({300.0f + i, 400, 0, 1});
  WriteTestPdf(path, pages);
}

void WritePdfObjects(const std::string& path, const std::vector<std::string>& objects) {
  std::ostringstream body;
  body << "%PDF-1.7\n";
  std::vector<size_t> offsets;
  for (const std::string& text : objects) {
    offsets.push_back(size_t(body.tellp()));
    body << offsets.size() << " 0 obj\n" << text << "\nendobj\n";
  }
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

void WriteHandMadePdf(const std::string& path, const std::string& pageEntries) {
  WritePdfObjects(path, {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                         "<< /Type /Page /Parent 2 0 R " + pageEntries + " >>"});
}

bool WriteEncryptedCopy(const std::string& input, const std::string& output) {
  std::string command = std::string(CORVAN_QPDF) + " --encrypt secret owner 256 -- '" + input + "' '" +
                        output + "' >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<float> PageWidths(FPDF_DOCUMENT document) {
  std::vector<float> widths;
  int count = g_engine.FPDF_GetPageCount(document);
  for (int i = 0; i < count; ++i) {
    FPDF_PAGE page = g_engine.FPDF_LoadPage(document, i);
    widths.push_back(g_engine.FPDF_GetPageWidthF(page));
    g_engine.FPDF_ClosePage(page);
  }
  return widths;
}

int ObjectCountOnPage(FPDF_DOCUMENT document, int index) {
  FPDF_PAGE page = g_engine.FPDF_LoadPage(document, index);
  int count = g_engine.FPDFPage_CountObjects(page);
  g_engine.FPDF_ClosePage(page);
  return count;
}

std::vector<float> PageWidthsOfFile(const std::string& path) {
  FPDF_DOCUMENT document = g_engine.FPDF_LoadDocument(path.c_str(), nullptr);
  if (document == nullptr) return {};
  auto widths = PageWidths(document);
  g_engine.FPDF_CloseDocument(document);
  return widths;
}

int ObjectCountOfFile(const std::string& path, int index) {
  FPDF_DOCUMENT document = g_engine.FPDF_LoadDocument(path.c_str(), nullptr);
  if (document == nullptr) return -1;
  int count = ObjectCountOnPage(document, index);
  g_engine.FPDF_CloseDocument(document);
  return count;
}
