#include "support/reader_checks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/engine_table.h"
#include "support/pdf_fixtures.h"

CommandResult RunCommand(const std::string& command, bool withErrors) {
  CommandResult result;
  FILE* pipe = popen((command + (withErrors ? " 2>&1" : " 2>/dev/null")).c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) result.output.append(buffer, n);
  result.ok = pclose(pipe) == 0;
  return result;
}

GreyImage ReadGreyPgm(const std::string& path) {
  GreyImage picture;
  std::string bytes = ReadBytes(path);
  int width = 0, height = 0, maxValue = 0, used = 0;
  if (std::sscanf(bytes.c_str(), "P5 %d %d %d%n", &width, &height, &maxValue, &used) != 3 || maxValue != 255) {
    return picture;
  }
  size_t start = size_t(used) + 1;
  if (width <= 0 || height <= 0 || bytes.size() < start + size_t(width) * height) return picture;
  picture.width = width;
  picture.height = height;
  picture.pixels.assign(bytes.begin() + long(start), bytes.begin() + long(start + size_t(width) * height));
  return picture;
}

GreyImage PopplerRender(const std::string& pdf, int index, const std::string& workFolder) {
  std::string stem = workFolder + "/poppler-render";
  std::string page = std::to_string(index + 1);
  if (!RunCommand("pdftoppm -gray -r 72 -f " + page + " -l " + page + " -singlefile '" + pdf + "' '" + stem + "'").ok) {
    return {};
  }
  return ReadGreyPgm(stem + ".pgm");
}

GreyImage MupdfRender(const std::string& pdf, int index, const std::string& workFolder) {
  std::string out = workFolder + "/mupdf-render.pgm";
  if (!RunCommand("mutool draw -q -r 72 -c gray -o '" + out + "' '" + pdf + "' " + std::to_string(index + 1)).ok) {
    return {};
  }
  return ReadGreyPgm(out);
}

GreyImage EngineRender(FPDF_PAGE page) {
  GreyImage picture;
  int width = int(std::lround(g_engine.FPDF_GetPageWidthF(page)));
  int height = int(std::lround(g_engine.FPDF_GetPageHeightF(page)));
  if (g_engine.FPDFPage_GetRotation(page) % 2 == 1) std::swap(width, height);
  FPDF_BITMAP bitmap = g_engine.FPDFBitmap_CreateEx(width, height, kBitmapBgrx, nullptr, 0);
  if (bitmap == nullptr) return picture;
  g_engine.FPDFBitmap_FillRect(bitmap, 0, 0, width, height, 0xFFFFFFFF);
  g_engine.FPDF_RenderPageBitmap(bitmap, page, 0, 0, width, height, 0, 0);
  const auto* bytes = static_cast<const unsigned char*>(g_engine.FPDFBitmap_GetBuffer(bitmap));
  int stride = g_engine.FPDFBitmap_GetStride(bitmap);
  picture.width = width;
  picture.height = height;
  picture.pixels.resize(size_t(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const unsigned char* p = bytes + size_t(y) * stride + size_t(x) * 4;
      picture.pixels[size_t(y) * width + x] = static_cast<unsigned char>((p[0] * 29 + p[1] * 150 + p[2] * 77) >> 8);
    }
  }
  g_engine.FPDFBitmap_Destroy(bitmap);
  return picture;
}

double MeanGrey(const GreyImage& picture, int left, int top, int right, int bottom) {
  left = std::max(0, left), top = std::max(0, top);
  right = std::min(picture.width, right), bottom = std::min(picture.height, bottom);
  if (right <= left || bottom <= top) return -1;
  double sum = 0;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) sum += picture.At(x, y);
  }
  return sum / (double(right - left) * (bottom - top));
}

double DifferingBlockShare(const GreyImage& a, const GreyImage& b) {
  if (a.Empty() || b.Empty() || std::abs(a.width - b.width) > 1 || std::abs(a.height - b.height) > 1) return 1;
  int width = std::min(a.width, b.width), height = std::min(a.height, b.height);
  int blocks = 0, differing = 0;
  for (int y = 0; y + 8 <= height; y += 8) {
    for (int x = 0; x + 8 <= width; x += 8) {
      ++blocks;
      differing += std::fabs(MeanGrey(a, x, y, x + 8, y + 8) - MeanGrey(b, x, y, x + 8, y + 8)) > 40;
    }
  }
  return blocks > 0 ? double(differing) / blocks : 1;
}
