// What a saved copy costs after one pen stroke on a 45 MB scan: its size against the
// original's, and the time of that save against writing the original's bytes once.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_setup.h"
#include "bench/bench_timing.h"
#include "document/edit_wrapper.h"
#include "document/open_document.h"
#include "document/save_copy.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "engine/engine_loader.h"
#include "engine/engine_table.h"
#include "platform/file_system.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"
#include "support/image_document.h"

namespace {

std::u16string g_target;
std::optional<std::u16string> ChooseTarget(const FileDialogRequest&) { return g_target; }
MessageAnswer Answer(const MessageBoxRequest&) { return MessageAnswer::No; }

void OneStroke() {
  EditScope scope = BeginPossibleEdit();  // the undo snapshot before it, as in the window
  FPDF_PAGEOBJECT path = g_engine.FPDFPageObj_CreateNewPath(100, 100);
  for (int i = 1; i <= 40; ++i) g_engine.FPDFPath_LineTo(path, 100.0f + 5 * i, 100.0f + (i % 7) * 3);
  g_engine.FPDFPageObj_SetStrokeColor(path, 230, 35, 35, 255);
  g_engine.FPDFPageObj_SetStrokeWidth(path, 6);
  g_engine.FPDFPath_SetDrawMode(path, 0, 1);
  g_engine.FPDFPage_InsertObject(g_session.currentPage, path);
  NotifyObjectModified(u"曲线已添加");
  EndPossibleEdit(scope);
}

}  // namespace

int main() {
  std::optional<std::string> work = StartEngineBench();
  if (!work) return 1;
  const std::string& folder = *work;
  g_platform.showFileDialog = ChooseTarget;
  g_platform.showMessageBox = Answer;
  std::string scan = folder + "/scan-45mb.pdf";
  WriteNoiseImagePdf(scan, 3, 2240, 2240);  // three pages of 15 MB that no filter shrinks
  uint64_t original = FileSizeAt(Utf8ToUtf16(scan)).value_or(0);
  if (!OpenDocument(Utf8ToUtf16(scan))) {
    std::printf("BENCH copy_size_45mb_scan_one_stroke failed to open its document\n");
    return 1;
  }
  OneStroke();
  g_target = Utf8ToUtf16(folder + "/scan_annotated.pdf");
  auto start = BenchClock::now();
  bool saved = SavePdfCopy(u"_annotated.pdf", u"");
  double saveMs = MillisecondsSince(start);
  uint64_t copy = FileSizeAt(g_target).value_or(0);
  double ratio = original > 0 && saved ? double(copy) / double(original) : 0;
  std::printf("BENCH copy_size_45mb_scan_one_stroke ratio=%.4f target=1.02 (copy %.2f MB, original %.2f MB, save %.0f ms)\n",
              ratio, copy / 1048576.0, original / 1048576.0, saveMs);
  CloseSessionDocument();
  DiscardHistory();
  UnloadPdfEngine();
  std::filesystem::remove_all(folder);
  return 0;
}
