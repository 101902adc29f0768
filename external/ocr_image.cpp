#include "external/ocr_image.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/file_system.h"

std::optional<OcrRenderPlan> PlanOcrRender(float pageWidth, float pageHeight, OcrPixelRect pageOnScreen,
                                           OcrPixelRect selection, std::u16string& problem) {
  double screenWidth = pageOnScreen.right - pageOnScreen.left;
  double screenHeight = pageOnScreen.bottom - pageOnScreen.top;
  bool inside = selection.left >= pageOnScreen.left && selection.top >= pageOnScreen.top &&
                selection.right <= pageOnScreen.right && selection.bottom <= pageOnScreen.bottom;
  if (!std::isfinite(pageWidth) || !std::isfinite(pageHeight) || pageWidth <= 0 || pageHeight <= 0 ||
      screenWidth <= 0 || screenHeight <= 0 || !inside || selection.left >= selection.right ||
      selection.top >= selection.bottom) {
    problem = u"OCR 选区或页面尺寸无效，请重新选择。";
    return std::nullopt;
  }
  double sw = (selection.right - selection.left) * double(pageWidth) / screenWidth;
  double sh = (selection.bottom - selection.top) * double(pageHeight) / screenHeight;
  double k = std::min(7998.0 / sh, 7998.0 / sw);
  k = std::min(k, 300.0 / 72.0);
  k = std::min(k, std::sqrt(23960000.0 / (sw * sh)));
  k = std::min({k, 1000000.0 / pageHeight, 1000000.0 / pageWidth});
  if (!std::isfinite(k) || k <= 0) {
    problem = u"无法计算 OCR 选区的渲染尺寸。";
    return std::nullopt;
  }
  OcrRenderPlan plan;
  plan.scale = k;
  plan.pageWidth = std::max(1, int(std::ceil(pageWidth * k)));
  plan.pageHeight = std::max(1, int(std::ceil(pageHeight * k)));
  auto low = [](int offset, int full, double screen) {
    return std::clamp(int(std::floor(offset * double(full) / screen)), 0, full - 1);
  };
  auto high = [](int offset, int full, double screen, int start) {
    return std::max(start + 1, std::min(full, int(std::ceil(offset * double(full) / screen))));
  };
  plan.x0 = low(selection.left - pageOnScreen.left, plan.pageWidth, screenWidth);
  plan.y0 = low(selection.top - pageOnScreen.top, plan.pageHeight, screenHeight);
  int x1 = high(selection.right - pageOnScreen.left, plan.pageWidth, screenWidth, plan.x0);
  int y1 = high(selection.bottom - pageOnScreen.top, plan.pageHeight, screenHeight, plan.y0);
  plan.width = x1 - plan.x0;
  plan.height = y1 - plan.y0;
  if (plan.width > kOcrMaxSide || plan.height > kOcrMaxSide ||
      (long long)plan.width * plan.height > kOcrMaxPixels) {
    problem = u"所选区域尺寸超出 OCR 可处理范围。";
    return std::nullopt;
  }
  return plan;
}

namespace {

void PutLittleEndian(std::vector<uint8_t>& out, size_t at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out[at + i] = uint8_t(value >> (8 * i));
}

}  // namespace

bool WriteBmp24(const std::u16string& path, const uint8_t* bgra, int width, int height, int stride) {
  if (bgra == nullptr || width < 1 || height < 1 || stride < 4LL * width ||
      (long long)width * height > kOcrMaxPixels) {
    return false;
  }
  uint64_t rowSize = (uint64_t(width) * 3 + 3) & ~uint64_t(3);
  uint64_t imageSize = rowSize * uint64_t(height);
  if (imageSize >= 4294967241ULL) return false;
  std::vector<uint8_t> file(54 + imageSize, 0);
  file[0] = 'B';
  file[1] = 'M';
  PutLittleEndian(file, 2, uint32_t(54 + imageSize), 4);
  PutLittleEndian(file, 10, 54, 4);
  PutLittleEndian(file, 14, 40, 4);
  PutLittleEndian(file, 18, uint32_t(width), 4);
  PutLittleEndian(file, 22, uint32_t(height), 4);  // positive: rows stored bottom-up
  PutLittleEndian(file, 26, 1, 2);
  PutLittleEndian(file, 28, 24, 2);
  PutLittleEndian(file, 34, uint32_t(imageSize), 4);
  for (int y = 0; y < height; ++y) {
    const uint8_t* source = bgra + size_t(height - 1 - y) * size_t(stride);
    uint8_t* row = file.data() + 54 + size_t(y) * rowSize;
    for (int x = 0; x < width; ++x) std::memcpy(row + 3 * x, source + 4 * x, 3);
  }
  int fd = OpenForWriting(path, false);
  if (fd < 0) return false;
  bool written = WriteAll(fd, file.data(), file.size());
  CloseFile(fd);
  if (!written) RemoveFile(path);
  return written;
}
