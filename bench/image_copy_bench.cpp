// Copying an 8000 × 8000 picture to the clipboard (the 复制 command on Qt's offscreen
// clipboard) against the one thing the copy cannot do without: the engine's render of the
// picture at its own pixel size. The PNG and BMP other programs read are made only when one
// asks, so the copy should cost little more than that render. Pairs in one run; the peak
// memory of the whole run is printed beside them.
#include <QClipboard>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "bench/bench_documents.h"
#include "bench/bench_setup.h"
#include "bench/bench_timing.h"
#include "content/image_file.h"
#include "content/image_pixels.h"
#include "document/open_document.h"
#include "document/session.h"
#include "editing/image_clipboard.h"
#include "editing/selection.h"
#include "engine/engine_table.h"
#include "platform/text_encoding.h"
#include "support/jpeg_maker.h"
#include "widgets/qt_clipboard.h"

namespace {

constexpr int kSide = 8000;

// A photo-like gradient, encoded row by row so that no 8000² buffer is needed.
std::vector<uint8_t> GradientJpeg() {
  return EncodeJpeg({kSide, kSide, JpegPixels::Rgb, 80}, [](int y, uint8_t* row) {
    for (int x = 0; x < kSide; ++x) {
      row[size_t(x) * 3] = uint8_t(x / 32), row[size_t(x) * 3 + 1] = uint8_t(y / 32), row[size_t(x) * 3 + 2] = uint8_t((x + y) / 64);
    }
  });
}

bool WritePicturePage(const std::string& path) {
  FPDF_DOCUMENT document = g_engine.FPDF_CreateNewDocument();
  FPDF_PAGE page = g_engine.FPDFPage_New(document, 0, 595, 842);
  FPDF_PAGEOBJECT image = g_engine.FPDFPageObj_NewImageObj(document);
  if (!LoadJpegBytes(g_engine, nullptr, 0, image, GradientJpeg())) return false;
  g_engine.FPDFImageObj_SetMatrix(image, 500, 0, 0, 500, 50, 200);
  g_engine.FPDFPage_InsertObject(page, image);
  g_engine.FPDFPage_GenerateContent(page);
  g_engine.FPDF_ClosePage(page);
  SaveToFile(document, path);
  g_engine.FPDF_CloseDocument(document);
  return true;
}

double OwnSizeRenderMs(FPDF_PAGEOBJECT image) {
  FS_MATRIX own{};
  g_engine.FPDFPageObj_GetMatrix(image, &own);
  auto start = BenchClock::now();
  OwnSizeRender render = RenderImageAtOwnSize(g_engine, g_session.document, g_session.currentPage, image, own, kSide, kSide);
  const double ms = MillisecondsSince(start);
  if (render.bitmap != nullptr) g_engine.FPDFBitmap_Destroy(render.bitmap);
  return render.bitmap != nullptr ? ms : -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  std::optional<std::string> folder = StartEngineBench();
  if (!folder) return 1;
  QGuiApplication application(argc, argv);
  InstallQtClipboard();
  const std::string path = *folder + "/large-picture.pdf";
  if (!WritePicturePage(path) || !OpenDocument(Utf8ToUtf16(path))) {
    std::printf("BENCH image_copy_large failed to set up\n");
    return 1;
  }
  FPDF_PAGEOBJECT image = g_engine.FPDFPage_GetObject(g_session.currentPage, 0);
  g_selection.selectedImage = image;
  std::vector<double> copies, renders;
  for (int round = 0; round < 5; ++round) {
    renders.push_back(OwnSizeRenderMs(image));
    QGuiApplication::clipboard()->clear();
    auto start = BenchClock::now();
    if (!CopySelectedImage()) {
      std::printf("BENCH image_copy_large failed: the copy was refused\n");
      return 1;
    }
    copies.push_back(MillisecondsSince(start));
    if (renders.back() < 0) return 1;
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("BENCH image_copy_large ratio=%.3f target=1.50 (copy %.0f ms, own-size render %.0f ms, %d x %d pixels, "
              "median of 5 pairs; peak memory of the run %.0f MB)\n",
              MedianPairedRatio(copies, renders), Median(copies), Median(renders), kSide, kSide,
              double(usage.ru_maxrss) / 1024);
  return 0;
}
