#include "content/watermark_commands.h"

#include "content/font_table.h"
#include "content/watermarks.h"
#include "document/session.h"
#include "document/window_hooks.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"

namespace {

// Pages changed: the document is modified once for the whole run and every page re-renders.
// Removals (also a failed run's rollback) leave the current page's handle with stale resource
// names, so it is opened afresh.
void AfterWatermarkRun() {
  ReloadCurrentPage();
  MarkModified();
  g_window.clearSelections();
  g_window.changed(Change::PageShown);
  g_window.rebuildNavigator(g_session.pageCount);
}

void RefreshWindow() {
  UpdateTitle();
  g_window.changed(Change::Selection);
}

}  // namespace

void AddWatermarkCommand() {
  if (g_session.document == nullptr || g_session.currentPage == nullptr) {
    ShowMessage(u"添加水印", u"请先打开或新建 PDF 文档。", MessageIcon::Warning);
    return;
  }
  if (g_platform.showTextDialog == nullptr) {
    ShowMessage(u"添加水印失败", u"无法打开水印输入窗口。", MessageIcon::Error);
    return;
  }
  TextDialogRequest request;
  request.watermark = true;
  request.size = 48;
  if (!ShowTextDialog(request)) return;
  FPDF_FONT font = DefaultFontFor(request.text);
  if (font == nullptr) return;

  WatermarkOutcome outcome = AddWatermarkToAllPages(WatermarkOpsFromEngine(), g_session.document,
                                                    g_session.currentPage, g_session.currentPageIndex, font,
                                                    request.text, request.size);
  if (outcome.ok) {
    AfterWatermarkRun();
    g_session.statusText = FillPlaceholders(u"已在 %d 页添加半透明水印", {Num(outcome.count)});
    RefreshWindow();
    return;
  }
  if (outcome.count > 0) {
    AfterWatermarkRun();
    RefreshWindow();
  }
  ShowMessage(u"添加水印失败", outcome.message, MessageIcon::Error);
}

void RemoveWatermarksCommand() {
  if (g_session.document == nullptr) {
    ShowMessage(u"删除水印", u"当前没有打开的 PDF 文档。", MessageIcon::Warning);
    return;
  }
  WatermarkOps ops = WatermarkOpsFromEngine();
  if (!IsWatermarkTableUsable(ops)) {
    ShowMessage(u"删除水印", u"当前 PDFium 运行库不支持识别或删除水印。", MessageIcon::Warning);
    return;
  }
  WatermarkOutcome outcome = RemoveWatermarksFromAllPages(ops, g_session.document, g_session.currentPage,
                                                          g_session.currentPageIndex, nullptr);
  if (outcome.count > 0) {
    AfterWatermarkRun();
    if (outcome.ok) g_session.statusText = FillPlaceholders(u"已删除 %d 个水印对象", {Num(outcome.count)});
    RefreshWindow();
  }
  if (!outcome.ok) {
    ShowMessage(u"删除水印失败", outcome.message, MessageIcon::Error);
  } else if (outcome.count == 0) {
    ShowMessage(u"删除水印",
                kNothingRemovedText,
                MessageIcon::Information);
  }
}
