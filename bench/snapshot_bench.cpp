// Cost of one undo snapshot (CaptureRecord: commit, write the whole document to a temporary
// file) against a plain FPDF_SaveAsCopy of the same document into memory (for the large
// scan: and those bytes written to a file in the same folder), in the same run.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_documents.h"
#include "bench/bench_setup.h"
#include "bench/bench_timing.h"
#include "document/file_writer.h"
#include "document/open_document.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "engine/engine_loader.h"
#include "engine/engine_table.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"
#include "support/image_document.h"

namespace {

struct Baseline {
  const char* label;
  double target;
  bool writesFile;
};

void Measure(const char* name, const std::string& path, int rounds, const Baseline& against) {
  if (!OpenDocument(Utf8ToUtf16(path))) {
    std::printf("BENCH %s failed to open its document\n", name);
    return;
  }
  std::vector<double> capture, baseline;
  // The baseline writes into a fresh buffer reserved at the final size: a plain in-memory
  // copy without regrowth, as strong a baseline as memory allows without reusing pages.
  size_t size = 0;
  std::string floorFile = path + ".floor";
  for (int round = 0; round < rounds; ++round) {
    auto start = BenchClock::now();
    size = against.writesFile ? SaveToMemoryAndFile(g_session.document, size, floorFile)
                              : SaveToMemory(g_session.document, size);
    baseline.push_back(MillisecondsSince(start));
    std::remove(floorFile.c_str());

    start = BenchClock::now();
    auto record = CaptureRecord();
    capture.push_back(MillisecondsSince(start));
    if (record) DropRecord(*record);
  }
  double ratio = Median(capture) / Median(baseline);
  std::printf("BENCH %s ratio=%.3f target=%.2f (CaptureRecord %.2f ms, %s %.2f ms, %.1f MB, median of %d)\n", name,
              ratio, against.target, Median(capture), against.label, Median(baseline), size / 1048576.0, rounds);
}

}  // namespace

int main() {
  std::optional<std::string> work = StartEngineBench();
  if (!work) return 1;
  const std::string& folder = *work;
  MakeTextDocument(folder + "/text-200.pdf", 200);
  WriteNoiseImagePdf(folder + "/image-20mb.pdf", 1, 2600, 2600);  // 20 MB: noise does not compress
  Measure("undo_snapshot_200_page_text", folder + "/text-200.pdf", 15, {"SaveAsCopy to memory", 1.25, false});
  Measure("undo_snapshot_20mb_image", folder + "/image-20mb.pdf", 15,
          {"SaveAsCopy to memory and the bytes to a file", 1.10, true});
  CloseSessionDocument();
  DiscardHistory();
  UnloadPdfEngine();
  std::filesystem::remove_all(folder);
  return 0;
}
