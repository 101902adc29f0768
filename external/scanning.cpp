#include "external/scanning.h"

#include <iterator>
#include <optional>
#include <utility>
#include <vector>

#include "document/open_document.h"
#include "document/save_copy.h"
#include "document/session.h"
#include "external/sane_device.h"
#include "platform/background_work.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"

namespace {

constexpr const char16_t* kScanFailed = u"扫描失败";

// SANE's statuses in the user's words.
std::u16string SaneStatusText(int status) {
  static const char16_t* const kTexts[] = {u"成功",         u"不支持的操作", u"操作已取消",     u"设备忙",
                                           u"参数无效",     u"没有更多数据", u"卡纸",           u"进纸器中没有文档",
                                           u"扫描仪盖板打开", u"输入输出错误", u"内存不足",       u"访问被拒绝"};
  if (status >= 0 && status < int(std::size(kTexts))) return kTexts[status];
  return u"未知错误";
}

int StatusOfPageFailure(ScanPageFailure failure) {
  switch (failure) {
    case ScanPageFailure::InvalidImage: return kSaneInvalid;
    case ScanPageFailure::OutOfMemory: return kSaneNoMemory;
    default: return kSaneIoError;
  }
}

// How the run ended when it did not simply end.
struct ScanFailure {
  int status = kSaneGood;
  bool noDevice = false;
};

void ShowScanFailure(const ScanFailure& failure, int pages) {
  std::u16string cause = failure.noDevice ? std::u16string(u"未找到扫描仪")
                                          : FillPlaceholders(u"SANE 错误 %d：%s", {Num(failure.status),
                                                                                   SaneStatusText(failure.status)});
  ShowMessage(kScanFailed,
              FillPlaceholders(u"扫描失败（%s）。请检查扫描仪、SANE 驱动及 SANE 服务。%s",
                               {cause, pages > 0 ? u"\n已扫描的页面将打开，请及时保存。" : u"\n当前文档未更改。"}),
              MessageIcon::Error);
}

// The pages of one run; returns a failure, or nothing when the user ended the run.
std::optional<ScanFailure> ScanPages(const ScanOps& ops, FPDF_DOCUMENT document, int& pages) {
  std::vector<ScannerDevice> devices;
  int status = kSaneGood;
  if (RunWhileBusy(u"正在查找扫描仪...", [&] { status = ListScanners(devices); }, nullptr)) return std::nullopt;
  if (status != kSaneGood) return ScanFailure{status};
  if (devices.empty()) return ScanFailure{kSaneGood, true};

  ScanDialogRequest request;
  for (const ScannerDevice& device : devices) request.devices.push_back(device.label);
  for (;;) {
    request.pageNumber = pages + 1;
    if (!ShowScanDialog(request)) return std::nullopt;
    if (request.device < 0 || request.device >= int(devices.size())) return ScanFailure{kSaneInvalid};
    ScanSettings settings{devices[size_t(request.device)].name, request.dpi, request.deviceOptions};
    PageReading reading;
    ScannedPage page;
    bool cancelled = RunWhileBusy(FillPlaceholders(u"正在扫描第 %d 页...", {Num(pages + 1)}),
                                  [&] { page = ScanOnePage(settings, reading); }, [&] { CancelPage(reading); });
    if (cancelled || page.status == kSaneCancelled) return std::nullopt;
    if (page.status != kSaneGood) return ScanFailure{page.status};
    ScanPageFailure added = AddScannedPage(ops, document, pages, *page.image);
    if (added != ScanPageFailure::None) return ScanFailure{StatusOfPageFailure(added)};
    ++pages;
    if (ShowMessage(u"扫描 PDF", u"是否继续扫描下一页？\n选择“否”将打开已扫描的 PDF。", MessageIcon::Question,
                    MessageButtons::YesNo, MessageAnswer::Yes) != MessageAnswer::Yes) {
      return std::nullopt;
    }
  }
}

}  // namespace

ScanRun RunScanSession(const ScanOps& ops) {
  ScanRun run;
  int started = kSaneGood;
  // SANE cannot be interrupted while it starts; 取消 ends the run once it has.
  if (RunWhileBusy(u"正在连接扫描仪...", [&] { started = StartSane(); }, nullptr)) {
    if (started == kSaneGood) StopSane();
    return run;
  }
  if (started != kSaneGood) {
    ShowMessage(kScanFailed, u"无法初始化扫描组件。", MessageIcon::Error);
    return run;
  }
  std::optional<ScanFailure> failure;
  ScopedDocument document(ops.FPDF_CreateNewDocument());
  if (document == nullptr) {
    failure = ScanFailure{kSaneNoMemory};
  } else {
    failure = ScanPages(ops, document.get(), run.pages);
  }
  StopSane();
  if (failure) ShowScanFailure(*failure, run.pages);
  if (run.pages > 0) run.document = std::move(document);
  return run;
}

void ScanToNewDocument() {
  ScanOps ops = ScanOpsFromEngine();
  if (!CanScanIntoPages(ops)) {
    ShowMessage(kScanFailed, u"当前 PDF 组件不支持扫描图片。", MessageIcon::Error);
    return;
  }
  if (!ConfirmDiscardChanges()) return;
  ScanRun run = RunScanSession(ops);
  if (run.document == nullptr) return;
  ScopedPage first(g_engine.FPDF_LoadPage(run.document.get(), 0));
  if (first == nullptr) {
    ShowMessage(kScanFailed, u"无法打开扫描后的 PDF，当前文档未更改。", MessageIcon::Error);
    return;
  }
  InstallDocument(std::move(run.document), std::move(first), run.pages, true, false);
}
