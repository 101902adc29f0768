// Force erase on a 300-dpi A4 scan (2480 × 3508 pixels filling the page): one erase step (a
// click) and a 2,000-pixel stroke, each against a bare FPDFImageObj_GetBitmap +
// FPDFImageObj_SetBitmap round trip of the same image (times the engine writes the stroke
// needs: one, as the stroke crosses one image), measured in pairs in the same run. Steps after
// the first on a picture paint the pixels the previous step wrote, as the tool does.
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_documents.h"
#include "bench/bench_setup.h"
#include "bench/bench_timing.h"
#include "content/force_erase.h"
#include "content/image_file.h"
#include "document/open_document.h"
#include "document/session.h"
#include "engine/engine_table.h"
#include "widgets/qt_image_codec.h"

namespace {

constexpr int kScanWidth = 2480, kScanHeight = 3508;
// The page as the window shows it fitted: 842 points over 750 pixels, 20 pixels from the top.
constexpr float kScale = 750.0f / 842.0f;

// An A4 page fitted 750 pixels high, 20 pixels from the window's corner.
const ScreenMapping kFittedPage{PageFrame{0, 0, 595, 842, 0},
                                IntRect{20, 20, 20 + int(595 * kScale + 0.5f), 20 + int(842 * kScale + 0.5f)}};

std::vector<uint8_t> g_scanJpeg;

bool LoadScanJpeg(FPDF_PAGEOBJECT image, FPDF_PAGE page) {
  FPDF_PAGE pages[] = {page};
  return LoadJpegBytes(g_engine, page ? pages : nullptr, page ? 1 : 0, image, g_scanJpeg);
}

// Grey paper with dark text-like runs, written as an opaque image filling an A4 page: as
// pixels, or as a JPEG (how scanners store pages), which force erase keeps a JPEG.
bool WriteScan(const std::string& path, bool jpeg) {
  FPDF_DOCUMENT document = g_engine.FPDF_CreateNewDocument();
  FPDF_PAGE page = g_engine.FPDFPage_New(document, 0, 595, 842);
  FPDF_BITMAP bitmap = g_engine.FPDFBitmap_CreateEx(kScanWidth, kScanHeight, kBitmapBgrx, nullptr, 0);
  auto* pixels = static_cast<uint8_t*>(g_engine.FPDFBitmap_GetBuffer(bitmap));
  int stride = g_engine.FPDFBitmap_GetStride(bitmap);
  std::mt19937 random(11);
  for (int row = 0; row < kScanHeight; ++row) {
    for (int column = 0; column < kScanWidth; ++column) {
      uint8_t v = uint8_t(215 + random() % 25);
      if (row % 60 < 18 && (column / 23) % 5 != 0) v = uint8_t(20 + random() % 40);
      uint8_t* p = pixels + size_t(row) * stride + size_t(column) * 4;
      p[0] = p[1] = p[2] = v;
    }
  }
  FPDF_PAGEOBJECT image = g_engine.FPDFPageObj_NewImageObj(document);
  if (jpeg) g_scanJpeg = EncodeJpegWithQt(pixels, kScanWidth, kScanHeight, stride, true);
  if (jpeg && !LoadScanJpeg(image, nullptr)) return false;
  if (!jpeg) g_engine.FPDFImageObj_SetBitmap(nullptr, 0, image, bitmap);
  g_engine.FPDFImageObj_SetMatrix(image, 595, 0, 0, 842, 0, 0);
  g_engine.FPDFPage_InsertObject(page, image);
  if (jpeg) {
    // A twin off the page for the bare round trips, which would leave the scan as pixels.
    FPDF_PAGEOBJECT twin = g_engine.FPDFPageObj_NewImageObj(document);
    if (!LoadScanJpeg(twin, nullptr)) return false;
    g_engine.FPDFImageObj_SetMatrix(twin, 595, 0, 0, 842, 2000, 0);
    g_engine.FPDFPage_InsertObject(page, twin);
  }
  g_engine.FPDFPage_GenerateContent(page);
  g_engine.FPDFBitmap_Destroy(bitmap);
  g_engine.FPDF_ClosePage(page);
  SaveToFile(document, path);
  g_engine.FPDF_CloseDocument(document);
  return std::filesystem::file_size(path) > 0;
}

using GetBitmapFn = FPDF_BITMAP (*)(FPDF_PAGEOBJECT);

double RoundTrip(GetBitmapFn getBitmap, FPDF_PAGEOBJECT image) {
  auto start = BenchClock::now();
  FPDF_BITMAP bitmap = getBitmap(image);
  FPDF_PAGE pages[] = {g_session.currentPage};
  g_engine.FPDFImageObj_SetBitmap(pages, 1, image, bitmap);
  g_engine.FPDFBitmap_Destroy(bitmap);
  return MillisecondsSince(start);
}

// What the tool keeps between strokes on one picture, as long as nothing else edits the document.
ErasedPicture g_kept;

// Times one run; false when it did not write the image exactly once.
bool TimedErase(const std::vector<ScreenPoint>& stroke, double& ms) {
  auto start = BenchClock::now();
  ForceEraseResult result = ForceEraseImages(g_engine, g_session.document, g_session.currentPage, stroke,
                                             kForceEraseRadius, kFittedPage, &g_kept);
  ms = MillisecondsSince(start);
  return result.modified == 1 && result.skipped == 0;
}

// One step (a click, each round on fresh pixels) against the bare round trip of the same
// picture; a JPEG scan's round trips go to its twin, given the JPEG again before each.
bool MeasureStep(GetBitmapFn getBitmap, const char* name, const char* what, bool jpeg) {
  FPDF_PAGEOBJECT image = g_engine.FPDFPage_GetObject(g_session.currentPage, jpeg ? 1 : 0);
  auto trip = [&] {
    if (jpeg) LoadScanJpeg(image, g_session.currentPage);
    return RoundTrip(getBitmap, image);
  };
  trip();  // warm both paths once
  double first = 0;
  TimedErase({{30, 30}}, first);  // the first step on the picture renders it at its own size
  std::vector<double> steps, trips;
  for (int round = 0; round < 9; ++round) {
    trips.push_back(trip());
    double ms = 0;
    if (!TimedErase({{100 + 40 * round, 300}}, ms)) {
      std::printf("BENCH %s failed: the click did not erase\n", name);
      return false;
    }
    steps.push_back(ms);
  }
  std::printf("BENCH %s ratio=%.3f target=2.0 (%s: erase step %.1f ms, GetBitmap+SetBitmap %.1f ms, "
              "%d x %d pixels, median of 9 pairs; the first step on the picture %.1f ms)\n",
              name, MedianPairedRatio(steps, trips), what, Median(steps), Median(trips), kScanWidth, kScanHeight, first);
  return true;
}

}  // namespace

int main() {
  std::optional<std::string> folder = StartEngineBench();
  if (!folder) return 1;
  auto getBitmap = reinterpret_cast<GetBitmapFn>(ResolveEngineSymbol("FPDFImageObj_GetBitmap"));
  std::string path = *folder + "/scan.pdf", jpegPath = *folder + "/jpeg-scan.pdf";
  if (getBitmap == nullptr || !WriteScan(path, false) || !WriteScan(jpegPath, true) ||
      !OpenDocument(Utf8ToUtf16(path))) {
    std::printf("BENCH force_erase_step failed to set up\n");
    return 1;
  }
  if (!MeasureStep(getBitmap, "force_erase_step", "scan stored as pixels", false)) return 1;
  FPDF_PAGEOBJECT image = g_engine.FPDFPage_GetObject(g_session.currentPage, 0);

  // A 2,000-pixel stroke: four passes of 500 one-pixel steps across the page (the picture
  // spans screen rows 20 to 770), each round on fresh pixels just below the last.
  std::vector<double> strokes, strokeTrips;
  for (int round = 0; round < 9; ++round) {
    std::vector<ScreenPoint> stroke;
    for (int pass = 0; pass < 4; ++pass) {
      int y = 60 + 150 * pass + 28 * round;
      for (int i = 0; i < 500; ++i) stroke.push_back({pass % 2 == 0 ? 30 + i : 529 - i, y + (i % 100 < 50 ? i % 50 : 50 - i % 50) / 5});
    }
    strokeTrips.push_back(RoundTrip(getBitmap, image));
    double ms = 0;
    if (!TimedErase(stroke, ms)) {
      std::printf("BENCH force_erase_stroke failed: the stroke did not erase\n");
      return 1;
    }
    strokes.push_back(ms);
  }
  std::printf("BENCH force_erase_stroke ratio=%.3f target=2.0 (2000-pixel stroke %.1f ms, 1 engine write; "
              "GetBitmap+SetBitmap %.1f ms, median of 9 pairs)\n",
              MedianPairedRatio(strokes, strokeTrips), Median(strokes), Median(strokeTrips));
  // The same click on a JPEG scan: the erased picture is encoded again as a JPEG.
  InstallQtImageCodec();
  g_kept = ErasedPicture{};  // the tool forgets it with the document
  CloseSessionDocument();
  if (!OpenDocument(Utf8ToUtf16(jpegPath)) ||
      !MeasureStep(getBitmap, "force_erase_step_jpeg_scan", "scan stored as a JPEG", true)) {
    return 1;
  }
  CloseSessionDocument();
  UnloadPdfEngine();
  return 0;
}
