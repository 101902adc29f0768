#include "support/scan_fidelity.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "content/picture_page.h"
#include "engine/engine_table.h"
#include "support/test_jpeg.h"

namespace {

// Paper with a faint shading, dark rows of "text" and a coloured stamp; never pure white, so
// the picture's edges show against the page.
std::vector<uint8_t> ScanPicture(int width, int height) {
  std::vector<uint8_t> bgrx(size_t(width) * height * 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &bgrx[(size_t(y) * width + x) * 4];
      int paper = 215 + 25 * x / width - 10 * y / height;
      bool text = (y / 9) % 4 == 1 && (x / 7) % 6 != 0 && x > width / 10 && x < width * 9 / 10;
      bool stamp = x > width * 6 / 10 && x < width * 8 / 10 && y > height * 7 / 10 && y < height * 8 / 10;
      p[0] = uint8_t(text ? 40 : stamp ? 60 : paper - 8);
      p[1] = uint8_t(text ? 35 : stamp ? 50 : paper - 3);
      p[2] = uint8_t(text ? 30 : stamp ? 200 : paper);
      p[3] = 255;
    }
  }
  return bgrx;
}

ScanCase Make(const std::string& name, int width, int height, bool grey, int sampling, FS_MATRIX matrix, int rotate,
              const std::string& cropBox) {
  ScanCase c;
  c.name = name;
  c.spec.width = width;
  c.spec.height = height;
  c.spec.grey = grey;
  c.spec.matrix = matrix;
  c.spec.rotate = rotate;
  c.spec.cropBox = cropBox;
  std::vector<uint8_t> pixels = ScanPicture(width, height);
  c.spec.jpeg = EncodeTestJpeg(pixels.data(), width, height, grey, sampling, 90);
  return c;
}

bool White(const uint8_t* p) { return p[0] == 255 && p[1] == 255 && p[2] == 255; }

}  // namespace

std::vector<ScanCase> ScanFidelityCases() {
  return {
      Make("colour 4:2:0, the whole page", 620, 877, false, 2, {595, 0, 0, 842, 0, 0}, 0, ""),
      Make("grey, turned a quarter, cropped", 600, 850, true, 1, {595, 0, 0, 842, 0, 0}, 90, "[40 60 560 800]"),
      Make("colour 4:4:4, turned three quarters, cropped, picture off the edges", 500, 640, false, 1,
           {480.3f, 0, 0, 610.7f, 55.2f, 101.6f}, 270, "[30.5 20.25 580 830]"),
      Make("colour 4:2:0, picture turned by its matrix, page upside down", 700, 500, false, 2,
           {0, 700, -500, 0, 540, 70}, 180, ""),
      Make("grey 4:2:0, small picture placed between pixels", 300, 400, true, 2,
           {300.5f, 0, 0, 400.25f, 100.3f, 200.7f}, 0, ""),
      Make("colour 4:2:0, a 200-dpi scan decoded at a half or a quarter", 1654, 2339, false, 2,
           {595, 0, 0, 842, 0, 0}, 0, ""),
  };
}

std::vector<ShownSize> ShownSizesFor(float pageWidth, float pageHeight) {
  // The default window's view area less the margins: 1048 × 692 pixels.
  float fitWidth = 1048.0f / pageWidth, fitPage = std::min(fitWidth, 692.0f / pageHeight);
  float zoomed = std::min({2800.0f / pageWidth, 2800.0f / pageHeight, 4 * fitWidth});
  std::vector<ShownSize> sizes;
  for (auto [name, scale] : {std::pair<const char*, float>{"fit width", fitWidth}, {"fit page", fitPage},
                             {"400 %", zoomed}}) {
    sizes.push_back({name, int(pageWidth * scale + 0.5f), int(pageHeight * scale + 0.5f)});
  }
  return sizes;
}

ScanComparison CompareWithEngine(FPDF_PAGE page, int width, int height) {
  ScanComparison result;
  result.width = width;
  result.height = height;
  size_t bytes = size_t(width) * height * 4;
  std::vector<uint8_t> engine(bytes), fast(bytes);
  FPDF_BITMAP bitmap = g_engine.FPDFBitmap_CreateEx(width, height, kBitmapBgrx, engine.data(), width * 4);
  g_engine.FPDFBitmap_FillRect(bitmap, 0, 0, width, height, 0xFFFFFFFF);
  g_engine.FPDF_RenderPageBitmap(bitmap, page, 0, 0, width, height, 0, 0x01);
  g_engine.FPDFBitmap_Destroy(bitmap);
  FPDF_PAGEOBJECT image = OnlyPicture(g_engine, page);
  std::optional<PicturePage> picture = image ? ReadPicturePage(g_engine, page, image) : std::nullopt;
  result.composed = picture && ComposePicturePage(*picture, width, height, 0xFFFFFFFF, fast.data());
  if (!result.composed) return result;
  double sum = 0;
  for (size_t pixel = 0; pixel < size_t(width) * height; ++pixel) {
    const uint8_t* a = &engine[pixel * 4];
    const uint8_t* b = &fast[pixel * 4];
    for (int channel = 0; channel < 3; ++channel) sum += std::abs(int(a[channel]) - int(b[channel]));
    result.coverageMismatches += White(a) != White(b);
  }
  result.meanDifference = sum / (3.0 * double(width) * height);
  return result;
}
