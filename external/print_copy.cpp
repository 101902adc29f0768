#include "external/print_copy.h"

#include <string>

#include "document/file_writer.h"
#include "engine/engine_handles.h"
#include "engine/engine_table.h"
#include "external/print_pages.h"

namespace {

// Pages imported per engine call: a page repeated within one call shares its content and
// resources, and the progress box counts on between calls.
constexpr int kPagesPerImport = 8;

bool AppendBlankPage(FPDF_DOCUMENT copy) {
  int count = g_engine.FPDF_GetPageCount(copy);
  ScopedPage before(g_engine.FPDF_LoadPage(copy, count - 1));
  if (before == nullptr) return false;
  double width = g_engine.FPDF_GetPageWidthF(before.get());
  double height = g_engine.FPDF_GetPageHeightF(before.get());
  return ScopedPage(g_engine.FPDFPage_New(copy, count, width, height)) != nullptr;
}

}  // namespace

CopyResult WritePrintCopy(FPDF_DOCUMENT source, const std::vector<int>& sequence, int fd, const CopyProgress& progress) {
  if (sequence.empty() || sequence.front() == kBlankPage) return CopyResult::Failed;
  ScopedDocument copy(g_engine.FPDF_CreateNewDocument());
  if (copy == nullptr) return CopyResult::Failed;
  std::string numbers;
  int waiting = 0;
  auto importWaiting = [&] {
    if (waiting == 0) return true;
    bool ok = g_engine.FPDF_ImportPages(copy.get(), source, numbers.c_str(), g_engine.FPDF_GetPageCount(copy.get())) != 0;
    numbers.clear();
    waiting = 0;
    return ok;
  };
  int total = int(sequence.size());
  for (int at = 0; at < total; ++at) {
    bool ok = true;
    if (sequence[at] == kBlankPage) {
      ok = importWaiting() && AppendBlankPage(copy.get());
    } else {
      numbers += (numbers.empty() ? "" : ",") + std::to_string(sequence[at] + 1);
      if (++waiting == kPagesPerImport || at + 1 == total) ok = importWaiting();
    }
    if (!ok) return CopyResult::Failed;
    if (waiting == 0 && progress && !progress(at + 1, total)) return CopyResult::Cancelled;
  }
  if (g_engine.FPDF_GetPageCount(copy.get()) != total) return CopyResult::Failed;
  FileWriter writer = MakeFileWriter(fd);
  return SaveDocumentToFile(copy.get(), writer, kSaveNoIncremental) ? CopyResult::Written : CopyResult::Failed;
}
