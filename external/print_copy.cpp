#include "external/print_copy.h"

#include <string>

#include "document/file_writer.h"
#include "engine/engine_table.h"
#include "external/print_pages.h"

namespace {

// Inserts the blank pages at their places, each the size of the page before it.
bool InsertBlankPages(FPDF_DOCUMENT copy, const std::vector<int>& sequence) {
  for (size_t index = 1; index < sequence.size(); ++index) {
    if (sequence[index] != kBlankPage) continue;
    FPDF_PAGE previous = g_engine.FPDF_LoadPage(copy, int(index) - 1);
    if (previous == nullptr) return false;
    double width = g_engine.FPDF_GetPageWidthF(previous);
    double height = g_engine.FPDF_GetPageHeightF(previous);
    g_engine.FPDF_ClosePage(previous);
    FPDF_PAGE blank = g_engine.FPDFPage_New(copy, int(index), width, height);
    if (blank == nullptr) return false;
    g_engine.FPDF_ClosePage(blank);
  }
  return true;
}

}  // namespace

bool WritePrintCopy(FPDF_DOCUMENT source, const std::vector<int>& sequence, int fd) {
  // One import of every printed page: repeated pages share their content and resources.
  std::string numbers;
  for (int index : sequence) {
    if (index == kBlankPage) continue;
    if (!numbers.empty()) numbers += ',';
    numbers += std::to_string(index + 1);
  }
  if (numbers.empty() || sequence.front() == kBlankPage) return false;
  FPDF_DOCUMENT copy = g_engine.FPDF_CreateNewDocument();
  if (copy == nullptr) return false;
  bool ok = g_engine.FPDF_ImportPages(copy, source, numbers.c_str(), 0) != 0 && InsertBlankPages(copy, sequence) &&
            g_engine.FPDF_GetPageCount(copy) == int(sequence.size());
  if (ok) {
    FileWriter writer = MakeFileWriter(fd);
    ok = SaveDocumentToFile(copy, writer, kSaveNoIncremental);
  }
  g_engine.FPDF_CloseDocument(copy);
  return ok;
}
