#include "external/printing.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "document/session.h"
#include "engine/engine_handles.h"
#include "engine/engine_table.h"
#include "external/cups_queue.h"
#include "external/print_copy.h"
#include "platform/file_system.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"

PrinterSeam g_printer;

namespace {

constexpr const char16_t* kPrintFailed = u"打印失败";
constexpr const char16_t* kJobName = u"Corvan PDF 文档";
constexpr int kRenderAnnotationsForPrinting = 0x01 | 0x800;
// A sheet is rendered in bands of at most this many bytes, whatever its size.
constexpr size_t kBandBytes = size_t(16) << 20;

void Fail(const std::u16string& text) { ShowMessage(kPrintFailed, text, MessageIcon::Error); }

// The job is named after the document, as the queue and the PDF file's title show it.
std::u16string JobName() {
  std::u16string name = FileNamePart(g_session.path);
  return name.empty() ? kJobName : name;
}

enum class SheetResult { Printed, Failed, Cancelled };

// Renders one page into the job band by band; Failed comes after the message.
SheetResult PrintPageInBands(int index, int areaWidth, int areaHeight, std::vector<uint8_t>& pixels) {
  int number = index + 1;
  FPDF_PAGE page = index == g_session.currentPageIndex ? g_session.currentPage : nullptr;
  ScopedPage loadedHere(page == nullptr ? g_engine.FPDF_LoadPage(g_session.document, index) : nullptr);
  if (page == nullptr) page = loadedHere.get();
  if (page == nullptr) {
    Fail(FillPlaceholders(u"无法加载第 %d 页，打印作业已取消。", {Num(number)}));
    return SheetResult::Failed;
  }
  SheetResult result = SheetResult::Printed;
  float width = g_engine.FPDF_GetPageWidthF(page);
  float height = g_engine.FPDF_GetPageHeightF(page);
  PrintPlacement place;
  if (!std::isfinite(width) || !std::isfinite(height) || width <= 0 || height <= 0) {
    Fail(FillPlaceholders(u"第 %d 页的页面尺寸无效，打印作业已取消。", {Num(number)}));
    result = SheetResult::Failed;
  } else {
    place = PlacePageOnSheet(width, height, areaWidth, areaHeight);
  }
  int rows = result == SheetResult::Printed ? BandRows(place.width, place.height) : 0;
  if (rows > 0) {
    try {
      pixels.resize(size_t(place.width) * size_t(rows) * 4);
    } catch (const std::bad_alloc&) {
      Fail(FillPlaceholders(u"内存不足，无法打印第 %d 页。", {Num(number)}));
      result = SheetResult::Failed;
    }
  }
  for (int top = 0; result == SheetResult::Printed && top < place.height; top += rows) {
    int bandHeight = std::min(rows, place.height - top);
    ScopedBitmap bitmap(
        g_engine.FPDFBitmap_CreateEx(place.width, bandHeight, kBitmapBgra, pixels.data(), place.width * 4));
    bool ok = bitmap != nullptr && g_engine.FPDFBitmap_FillRect(bitmap.get(), 0, 0, place.width, bandHeight, 0xFFFFFFFF);
    if (ok) {
      g_engine.FPDF_RenderPageBitmap(bitmap.get(), page, 0, -top, place.width, place.height, 0,
                                     kRenderAnnotationsForPrinting);
    }
    bitmap.reset();  // the band's pixels are complete
    ok = ok && g_printer.paint(pixels.data(), place.width, bandHeight, place.width * 4, place.x, place.y + top);
    if (!ok) {
      Fail(FillPlaceholders(u"无法完成打印第 %d 页。", {Num(number)}));
      result = SheetResult::Failed;
    } else if (PumpBusy()) {
      result = SheetResult::Cancelled;
    }
  }
  return result;
}

// The rendered job: into a PDF file or a printer that takes no PDF.
void PrintRendered(const std::vector<int>& sequence) {
  int areaWidth = 0, areaHeight = 0;
  g_printer.printableArea(areaWidth, areaHeight);
  if (areaWidth <= 0 || areaHeight <= 0) return Fail(u"无法读取打印机的可打印区域。");
  if (!g_printer.beginJob(JobName())) return Fail(u"无法开始打印作业。");
  BeginBusy(u"正在打印...");
  std::vector<uint8_t> pixels;
  SheetResult result = SheetResult::Printed;
  for (size_t sheet = 0; sheet < sequence.size() && result == SheetResult::Printed; ++sheet) {
    if (sheet > 0 && !g_printer.newSheet()) {
      int number = sequence[sheet] == kBlankPage ? sequence[sheet - 1] + 1 : sequence[sheet] + 1;
      Fail(FillPlaceholders(u"无法开始打印第 %d 页。", {Num(number)}));
      result = SheetResult::Failed;
    } else if (sequence[sheet] != kBlankPage) {
      result = PrintPageInBands(sequence[sheet], areaWidth, areaHeight, pixels);
    }
  }
  EndBusy();
  std::vector<uint8_t>().swap(pixels);  // ending the job needs memory of its own
  if (result != SheetResult::Printed) return g_printer.abortJob();
  if (!g_printer.endJob()) Fail(u"无法完成打印作业。");
}

const char* SidesOf(DuplexMode mode) {
  switch (mode) {
    case DuplexMode::LongEdge:
      return "two-sided-long-edge";
    case DuplexMode::ShortEdge:
      return "two-sided-short-edge";
    default:
      return "one-sided";
  }
}

std::u16string PageCounter(int copied, int total) {
  return FillPlaceholders(u"正在打印... 第 %d / %d 页", {Num(copied), Num(total)});
}

// The pages in printing order as a PDF copy, with the progress box counting them; false after
// the message, or silently when 取消 was pressed.
bool WriteCopyCounting(const std::vector<int>& sequence, int fd) {
  BeginBusy(u"正在打印...");
  CopyResult result = WritePrintCopy(g_session.document, sequence, fd, [](int copied, int total) {
    UpdateBusy(PageCounter(copied, total));
    return !PumpBusy();
  });
  EndBusy();
  if (result == CopyResult::Written && !FlushFile(fd)) result = CopyResult::Failed;
  if (result == CopyResult::Failed) Fail(u"无法开始打印作业。");
  return result == CopyResult::Written;
}

// The queue's job: the pages as a PDF copy in a private temporary file, handed to CUPS.
void PrintOnCupsQueue(const std::string& queue, const std::vector<int>& sequence, DuplexMode mode) {
  TempFile file = CreateUniqueTempFile(u"corvan-print-");
  if (file.fd < 0) return Fail(u"无法开始打印作业。");
  bool written = WriteCopyCounting(sequence, file.fd);
  CloseFile(file.fd);
  CupsJobOptions options{Utf8(JobName()), SidesOf(mode), g_printer.mediaName ? g_printer.mediaName() : std::string(),
                         g_printer.queueOptions ? g_printer.queueOptions() : QueueOptions()};
  if (written) {
    CupsSubmission submission = SubmitPdfToCupsQueue(queue, Utf8(file.path), options);
    if (submission.job == 0 && submission.reason.empty()) Fail(u"无法完成打印作业。");
    if (submission.job == 0 && !submission.reason.empty()) {
      Fail(FillPlaceholders(u"无法完成打印作业：%s", {Utf8ToUtf16(submission.reason)}));
    }
  }
  RemoveFile(file.path);
}

}  // namespace

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

int BandRows(int width, int height) {
  if (width <= 0 || height <= 0) return 0;
  size_t rowBytes = size_t(width) * 4;
  return int(std::clamp<size_t>(kBandBytes / rowBytes, 1, size_t(height)));
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
  if (choice->rangesUnreadable || !PageSpansValid(choice->ranges, g_session.pageCount)) return Fail(u"打印页码范围无效。");
  std::vector<int> pages = SelectedPages(g_session.pageCount, choice->ranges, choice->pageSet, choice->reverse);
  if (pages.empty()) return Fail(u"所选范围内没有可打印的页面。");
  // Either the editor's box or the dialog's own duplex choice asks for both sides.
  bool requested = choice->duplexRequested || choice->dialogDuplex != DuplexMode::Simplex;
  bool supported = g_printer.supportsDuplex();
  if (requested && !supported) {
    MessageAnswer answer = ShowMessage(u"双面打印不可用", u"所选打印机不支持双面打印，是否以单面方式继续？",
                                       MessageIcon::Warning, MessageButtons::YesNo, MessageAnswer::Yes);
    if (answer != MessageAnswer::Yes) return;
  }
  DuplexMode mode = DuplexMode::Simplex;
  if (std::optional<DuplexMode> apply = DuplexToApply(requested, supported, g_printer.duplex())) {
    if (!g_printer.setDuplex(*apply)) return Fail(u"无法设置打印机的双面打印模式。");
    mode = *apply;
  }
  std::vector<int> sequence = SheetSequence(pages, choice->copies, choice->collate, mode != DuplexMode::Simplex);
  std::string queue = g_printer.queueName ? g_printer.queueName() : std::string();
  if (IsCupsQueue(queue)) return PrintOnCupsQueue(queue, sequence, mode);
  PrintRendered(sequence);
}
