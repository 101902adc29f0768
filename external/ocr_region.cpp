#include "external/ocr_region.h"

#include <new>

#include "document/session.h"
#include "document/window_hooks.h"
#include "engine/engine_handles.h"
#include "engine/engine_table.h"
#include "external/ocr_run.h"
#include "platform/platform_seam.h"

namespace {

constexpr int kRenderAnnotations = 0x01;

}  // namespace

std::optional<OcrImage> RenderOcrRegion(FPDF_PAGE page, float pageWidth, float pageHeight, OcrPixelRect pageOnScreen,
                                        OcrPixelRect selection) {
  std::u16string problem;
  std::optional<OcrRenderPlan> plan =
      page != nullptr ? PlanOcrRender(pageWidth, pageHeight, pageOnScreen, selection, problem) : std::nullopt;
  if (!plan) {
    ShowMessage(u"OCR", problem.empty() ? u"OCR 选区或页面尺寸无效，请重新选择。" : problem, MessageIcon::Warning);
    return std::nullopt;
  }
  OcrImage image;
  image.width = plan->width;
  image.height = plan->height;
  try {
    image.pixels.resize(size_t(image.width) * size_t(image.height) * 4);
  } catch (const std::bad_alloc&) {
    ShowMessage(u"OCR", u"内存不足，无法准备 OCR 页面图像。", MessageIcon::Error);
    return std::nullopt;
  }
  ScopedBitmap bitmap(g_engine.FPDFBitmap_CreateEx(image.width, image.height, kBitmapBgra, image.pixels.data(),
                                                   image.width * 4));
  if (bitmap == nullptr) {
    ShowMessage(u"OCR", u"无法创建 OCR 页面图像。", MessageIcon::Error);
    return std::nullopt;
  }
  if (!g_engine.FPDFBitmap_FillRect(bitmap.get(), 0, 0, image.width, image.height, 0xFFFFFFFF)) {
    ShowMessage(u"OCR", u"无法初始化 OCR 页面图像。", MessageIcon::Error);
    return std::nullopt;
  }
  // The whole page at the plan's scale, shifted so the selection lands at the origin.
  g_engine.FPDF_RenderPageBitmap(bitmap.get(), page, -plan->x0, -plan->y0, plan->pageWidth, plan->pageHeight, 0,
                                 kRenderAnnotations);
  bitmap.reset();  // before the pixels it wrote into move out
  return image;
}

bool RecogniseRegion(OcrPixelRect pageOnScreen, OcrPixelRect selection) {
  std::optional<OcrImage> image = RenderOcrRegion(g_session.currentPage, g_session.pageWidth, g_session.pageHeight,
                                                  pageOnScreen, selection);
  if (!image) return false;
  g_session.statusText = u"正在识别所选区域...";
  g_window.changed(Change::Status);
  bool shown = RunOcr(image->pixels.data(), image->width, image->height, image->width * 4);
  g_session.statusText = shown ? u"OCR 识别已完成" : u"OCR 识别未完成";
  g_window.toolModeChanged();
  g_window.changed(Change::Status);
  return shown;
}
