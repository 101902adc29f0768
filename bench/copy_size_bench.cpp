// What a saved copy costs after one pen stroke: its size against the original's, for a
// 45 MB scan, a 1,000-page file packed into object streams and the same file linearised;
// the target is 1.02 times the original plus 64 KB.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/bench_documents.h"
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

// Opens the file, draws one stroke with its undo snapshot, saves a copy and prints the line.
bool MeasureCopy(const char* name, const std::string& file, const std::string& folder) {
  uint64_t original = FileSizeAt(Utf8ToUtf16(file)).value_or(0);
  if (!OpenDocument(Utf8ToUtf16(file))) {
    std::printf("BENCH %s failed to open its document\n", name);
    return false;
  }
  OneStroke();
  g_target = Utf8ToUtf16(folder + "/copy.pdf");
  auto start = BenchClock::now();
  bool saved = SavePdfCopy(u"_annotated.pdf", u"");
  double saveMs = MillisecondsSince(start);
  uint64_t copy = FileSizeAt(g_target).value_or(0);
  double ratio = original > 0 && saved ? double(copy) / double(original) : 0;
  double target = original > 0 ? 1.02 + 65536.0 / double(original) : 0;
  std::printf("BENCH %s ratio=%.4f target=%.4f (copy %.1f KB, original %.1f KB, save %.0f ms)\n", name, ratio, target,
              copy / 1024.0, original / 1024.0, saveMs);
  RemoveFile(g_target);
  return saved;
}

bool Repack(const std::string& options, const std::string& from, const std::string& to) {
  std::string command = std::string(CORVAN_QPDF) + " " + options + " '" + from + "' '" + to + "'";
  return std::system(command.c_str()) == 0;
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
  MeasureCopy("copy_size_45mb_scan_one_stroke", scan, folder);
  std::string plain = folder + "/plain-1000.pdf";
  MakeTextDocument(plain, 1000, 1);
  if (Repack("--object-streams=generate", plain, folder + "/packed.pdf")) {
    MeasureCopy("copy_size_packed_1000_pages_one_stroke", folder + "/packed.pdf", folder);
  }
  if (Repack("--linearize", plain, folder + "/linearised.pdf")) {
    MeasureCopy("copy_size_linearised_1000_pages_one_stroke", folder + "/linearised.pdf", folder);
  }
  CloseSessionDocument();
  DiscardHistory();
  UnloadPdfEngine();
  std::filesystem::remove_all(folder);
  return 0;
}
