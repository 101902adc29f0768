#include "external/printing.h"

#include <cmath>
#include <vector>

#include "document/session.h"
#include "engine/engine_table.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"

PrinterSeam g_printer;

namespace {

constexpr const char16_t* kPrintFailed = u"打印失败";
constexpr int kRenderAnnotationsForPrinting = 0x01 | 0x800;

void Fail(const std::u16string& text) { ShowMessage(kPrintFailed, text, MessageIcon::Error); }

// Renders one page into the job; false (after the message) stops the job.
bool PrintPage(int index, int areaWidth, int areaHeight, bool firstSheet) {
  int number = index + 1;
  FPDF_PAGE page = index == g_session.currentPageIndex ? g_session.currentPage : nullptr;
  bool loadedHere = page == nullptr;
  if (loadedHere) page = g_engine.FPDF_LoadPage(g_session.document, index);
  if (page == nullptr) {
    Fail(FillPlaceholders(u"无法加载第 %d 页，打印作业已取消。", {Num(number)}));
    return false;
  }
  float width = g_engine.FPDF_GetPageWidthF(page);
  float height = g_engine.FPDF_GetPageHeightF(page);
  bool ok = std::isfinite(width) && std::isfinite(height) && width > 0 && height > 0;
  if (!ok) Fail(FillPlaceholders(u"第 %d 页的页面尺寸无效，打印作业已取消。", {Num(number)}));
  if (ok && !firstSheet && !g_printer.newSheet()) {
    Fail(FillPlaceholders(u"无法开始打印第 %d 页。", {Num(number)}));
    ok = false;
  }
  if (ok) {
    PrintPlacement place = PlacePageOnSheet(width, height, areaWidth, areaHeight);
    std::vector<uint8_t> pixels(size_t(place.width) * size_t(place.height) * 4);
    FPDF_BITMAP bitmap =
        g_engine.FPDFBitmap_CreateEx(place.width, place.height, kBitmapBgra, pixels.data(), place.width * 4);
    ok = bitmap != nullptr && g_engine.FPDFBitmap_FillRect(bitmap, 0, 0, place.width, place.height, 0xFFFFFFFF);
    if (ok) {
      g_engine.FPDF_RenderPageBitmap(bitmap, page, 0, 0, place.width, place.height, 0, kRenderAnnotationsForPrinting);
    }
    if (bitmap != nullptr) g_engine.FPDFBitmap_Destroy(bitmap);
    ok = ok && g_printer.paint(pixels.data(), place.width, place.height, place.width * 4, place.x, place.y);
    if (!ok) Fail(FillPlaceholders(u"无法完成打印第 %d 页。", {Num(number)}));
  }
  if (loadedHere) g_engine.FPDF_ClosePage(page);
  return ok;
}

}  // namespace

std::vector<int> PrintPageOrder(int first, int last, int copies, bool collate) {
  std::vector<int> order;
  for (int outer = 0; outer < (collate ? copies : 1); ++outer) {
    for (int page = first; page <= last; ++page) {
      for (int inner = 0; inner < (collate ? 1 : copies); ++inner) order.push_back(page);
    }
  }
  return order;
}

PrintPlacement PlacePageOnSheet(float pageWidth, float pageHeight, int areaWidth, int areaHeight) {
  double scale = std::min(areaWidth / double(pageWidth), areaHeight / double(pageHeight));
  PrintPlacement place;
  place.width = int(std::floor(scale * pageWidth + 0.5));
  place.height = int(std::floor(scale * pageHeight + 0.5));
  place.x = (areaWidth - place.width) / 2;
  place.y = (areaHeight - place.height) / 2;
  return place;
}

std::optional<DuplexMode> DuplexToApply(bool requested, bool supported, DuplexMode current) {
  if (!supported) return std::nullopt;
  if (!requested) return DuplexMode::Simplex;
  // A driver's own short-edge choice is kept; anything else becomes long-edge binding.
  return current == DuplexMode::ShortEdge ? DuplexMode::ShortEdge : DuplexMode::LongEdge;
}

void PrintDocument() {
  if (g_session.document == nullptr || g_session.pageCount < 1 || g_printer.showPrintDialog == nullptr) {
    Fail(u"没有可打印的 PDF 页面。");
    return;
  }
  std::optional<PrintChoice> choice = g_printer.showPrintDialog(g_session.pageCount);
  if (!choice) return;
  if (choice->duplexBoxFailed) return Fail(u"无法显示双面打印选项。");
  if (choice->copies < 1) return Fail(u"打印份数无效。");
  int first = 0, last = g_session.pageCount - 1;
  if (choice->hasRange) {
    if (choice->from < 1 || choice->to < choice->from || choice->to > g_session.pageCount) {
      return Fail(u"打印页码范围无效。");
    }
    first = choice->from - 1;
    last = choice->to - 1;
  }
  bool supported = g_printer.supportsDuplex();
  if (choice->duplexRequested && !supported) {
    MessageAnswer answer = ShowMessage(u"双面打印不可用", u"所选打印机不支持双面打印，是否以单面方式继续？",
                                       MessageIcon::Warning, MessageButtons::YesNo);
    if (answer != MessageAnswer::Yes) return;
  }
  if (std::optional<DuplexMode> mode = DuplexToApply(choice->duplexRequested, supported, g_printer.duplex())) {
    if (!g_printer.setDuplex(*mode)) return Fail(u"无法设置打印机的双面打印模式。");
  }
  int areaWidth = 0, areaHeight = 0;
  g_printer.printableArea(areaWidth, areaHeight);
  if (areaWidth <= 0 || areaHeight <= 0) return Fail(u"无法读取打印机的可打印区域。");
  if (!g_printer.beginJob(u"Corvan PDF 文档")) return Fail(u"无法开始打印作业。");
  bool firstSheet = true;
  for (int index : PrintPageOrder(first, last, choice->copies, choice->collate)) {
    if (!PrintPage(index, areaWidth, areaHeight, firstSheet)) {
      g_printer.abortJob();
      return;
    }
    firstSheet = false;
  }
  if (!g_printer.endJob()) Fail(u"无法完成打印作业。");
}
