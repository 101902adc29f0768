// A stroke, its undo record and a copy on a 1,321-page book against the same on a one-page
// sheet, in the same run: what the editor adds to the engine's own cost.
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/bench_setup.h"
#include "bench/bench_timing.h"
#include "bench/real_documents.h"
#include "document/edit_wrapper.h"
#include "document/open_document.h"
#include "document/save_copy.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "engine/engine_loader.h"
#include "engine/engine_table.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"

namespace {

struct StrokeFigures {
  double strokeMs = 0;     // insert, commit and undo record, as the window's wrapper does it
  double recordBytes = 0;  // the undo record's file
  double saveMs = 0;
  double copyExtra = 0;    // bytes the copy adds to the original
  double saveGrowthMb = 0; // peak resident growth during the save
};

std::u16string g_copyPath;
std::optional<std::u16string> AnswerCopyPath(const FileDialogRequest&) { return g_copyPath; }

long PeakResidentKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

StrokeFigures Measure(const std::string& path, const std::string& copy) {
  StrokeFigures figures;
  if (!OpenDocument(Utf8ToUtf16(path))) return figures;
  auto start = BenchClock::now();
  EditScope scope = BeginPossibleEdit();
  FPDF_PAGEOBJECT line = g_engine.FPDFPageObj_CreateNewPath(100, 100);
  g_engine.FPDFPath_LineTo(line, 300, 400);
  g_engine.FPDFPath_SetDrawMode(line, 0, 1);
  g_engine.FPDFPageObj_SetStrokeColor(line, 230, 35, 35, 255);
  g_engine.FPDFPageObj_SetStrokeWidth(line, 6);
  g_engine.FPDFPage_InsertObject(g_session.currentPage, line);
  NotifyObjectModified(u"图形已添加");
  EndPossibleEdit(scope);
  // The record the next edit takes holds this stroke.
  auto record = CaptureRecord();
  figures.strokeMs = MillisecondsSince(start);
  if (record) {
    figures.recordBytes = double(record->fileBytes);
    DropRecord(*record);
  }
  long before = PeakResidentKb();
  g_copyPath = Utf8ToUtf16(copy);
  g_platform.showFileDialog = AnswerCopyPath;
  start = BenchClock::now();
  SavePdfCopy(u"_annotated.pdf", u"已保存 PDF 副本。");
  figures.saveMs = MillisecondsSince(start);
  figures.saveGrowthMb = double(PeakResidentKb() - before) / 1024.0;
  figures.copyExtra = double(std::filesystem::file_size(copy)) - double(std::filesystem::file_size(path));
  return figures;
}

}  // namespace

int main() {
  std::optional<std::string> work = StartEngineBench();
  if (!work) return 1;
  std::string book = PgfManual();
  if (book.empty()) {
    std::printf("BENCH big_book failed: the manual could not be fetched\n");
    return 1;
  }
  std::string sheet = *work + "/sheet.pdf";
  // The manual's first page alone: the same page, one page around it.
  std::system(("qpdf --empty --pages '" + book + "' 1 -- '" + sheet + "'").c_str());
  StrokeFigures one = Measure(sheet, *work + "/sheet-copy.pdf");
  StrokeFigures big = Measure(book, *work + "/book-copy.pdf");
  std::printf("BENCH stroke_on_1300_page_book_visible ratio=%.2f target=1.50 (book %.0f ms, one page %.0f ms; "
              "commit and undo record, without painting)\n",
              big.strokeMs / one.strokeMs, big.strokeMs, one.strokeMs);
  std::printf("BENCH undo_snapshot_bytes_per_stroke_1300_pages ratio=%.3f target=1.00 (%.0f bytes against 65536)\n",
              big.recordBytes / 65536.0, big.recordBytes);
  std::printf("BENCH save_copy_1300_pages_one_stroke ratio=%.2f target=3.00 (save %.0f ms, one-page save %.0f ms, "
              "copy adds %.0f bytes; peak resident growth %.1f MB against %.1f MB allowed)\n",
              big.saveMs / std::max(1.0, one.saveMs), big.saveMs, one.saveMs, big.copyExtra, big.saveGrowthMb,
              1.2 * big.copyExtra / 1048576.0 + 32);
  CloseSessionDocument();
  DiscardHistory();
  UnloadPdfEngine();
  std::filesystem::remove_all(*work);
  return 0;
}
