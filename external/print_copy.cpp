#include "external/print_copy.h"

#include <string>

#include "document/file_writer.h"
#include "engine/engine_handles.h"
#include "engine/engine_table.h"
#include "external/print_pages.h"

namespace {

bool PageSize(FPDF_DOCUMENT document, int index, double& width, double& height) {
  ScopedPage page(g_engine.FPDF_LoadPage(document, index));
  if (page == nullptr) return false;
  width = g_engine.FPDF_GetPageWidthF(page.get());
  height = g_engine.FPDF_GetPageHeightF(page.get());
  return true;
}

// Inserts the blank pages at their places, each the size of the page before it.
bool InsertBlankPages(FPDF_DOCUMENT copy, const std::vector<int>& sequence) {
  for (size_t index = 1; index < sequence.size(); ++index) {
    if (sequence[index] != kBlankPage) continue;
    double width = 0, height = 0;
    if (!PageSize(copy, int(index) - 1, width, height)) return false;
    if (ScopedPage(g_engine.FPDFPage_New(copy, int(index), width, height)) == nullptr) return false;
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
  ScopedDocument copy(g_engine.FPDF_CreateNewDocument());
  if (copy == nullptr) return false;
  bool ok = g_engine.FPDF_ImportPages(copy.get(), source, numbers.c_str(), 0) != 0 &&
            InsertBlankPages(copy.get(), sequence) && g_engine.FPDF_GetPageCount(copy.get()) == int(sequence.size());
  if (!ok) return false;
  FileWriter writer = MakeFileWriter(fd);
  return SaveDocumentToFile(copy.get(), writer, kSaveNoIncremental);
}
