#include "content/watermark_commands.h"

#include <functional>
#include <optional>

#include "content/font_table.h"
#include "content/watermarks.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "document/window_hooks.h"
#include "platform/background_work.h"
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

std::u16string PageProgress(const char16_t* doing, int done, int total) {
  return doing + Num(done) + u" / " + Num(total) + u" 页";
}

// 取消 puts back the document as it was before the run, from the record taken then; true when
// that worked (the record's file then backs the document).
bool PutBackDocument(std::optional<SnapshotRecord>& before) {
  if (!before || !RestoreRecord(*before)) return false;
  before.reset();
  return true;
}

void DropUnused(std::optional<SnapshotRecord>& before) {
  if (before) DropRecord(*before);
}

// A run changes every page, one after the other between turns of the event loop, so the
// window repaints and 取消 answers at once.
struct SlicedOutcome {
  SlicedRunEnd end = SlicedRunEnd::Finished;
  std::u16string failure;  // what stopped the run
  int stoppedAt = 0;       // pages begun when it ended
};

SlicedOutcome RunPages(int pageCount, const char16_t* doing,
                       const std::function<std::optional<std::u16string>(int index)>& page) {
  SlicedOutcome outcome;
  outcome.end = RunInSlices(
      pageCount,
      [&](int index) {
        outcome.stoppedAt = index + 1;
        std::optional<std::u16string> failure = page(index);
        if (failure) outcome.failure = *failure;
        return !failure;
      },
      [doing](int done, int total) { return PageProgress(doing, done, total); });
  return outcome;
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

  WatermarkAddRun run;
  run.ops = WatermarkOpsFromEngine();
  run.document = g_session.document;
  run.currentPage = g_session.currentPage;
  run.currentIndex = g_session.currentPageIndex;
  run.font = font;
  run.text = request.text;
  run.size = request.size;
  if (std::optional<WatermarkOutcome> refused = PrepareWatermarkAdd(run)) {
    ShowMessage(u"添加水印失败", refused->message, MessageIcon::Error);
    return;
  }
  std::optional<SnapshotRecord> before = CaptureRecord();
  SlicedOutcome sliced =
      RunPages(run.pageCount, u"正在添加水印… ", [&run](int index) { return AddWatermarkToPage(run, index); });

  if (sliced.end == SlicedRunEnd::Finished) {
    DropUnused(before);
    AfterWatermarkRun();
    g_session.statusText = FillPlaceholders(u"已在 %d 页添加半透明水印", {Num(run.pageCount)});
    RefreshWindow();
    return;
  }
  if (sliced.end == SlicedRunEnd::Cancelled && PutBackDocument(before)) {
    g_session.statusText = u"已取消添加水印，文档未改变";
    RefreshWindow();
    return;
  }
  DropUnused(before);
  WatermarkOutcome outcome = RollBackWatermarkAdd(run, sliced.stoppedAt, sliced.failure);
  if (outcome.count > 0) {
    AfterWatermarkRun();
    RefreshWindow();
  }
  if (sliced.end == SlicedRunEnd::Cancelled && outcome.count == 0) {
    g_session.statusText = u"已取消添加水印，文档未改变";
    RefreshWindow();
    return;
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
  WatermarkRemoveRun run;
  run.ops = ops;
  run.document = g_session.document;
  run.currentPage = g_session.currentPage;
  run.currentIndex = g_session.currentPageIndex;
  if (std::optional<WatermarkOutcome> refused = PrepareWatermarkRemoval(run)) {
    ShowMessage(u"删除水印失败", refused->message, MessageIcon::Error);
    return;
  }
  std::optional<SnapshotRecord> before = CaptureRecord();
  WatermarkOutcome outcome;
  SlicedOutcome sliced = RunPages(run.pageCount, u"正在删除水印… ", [&](int index) {
    return RemoveWatermarksFromPage(run, index, outcome.count);
  });
  outcome.ok = sliced.end == SlicedRunEnd::Finished;
  outcome.message = sliced.failure;
  if (sliced.end == SlicedRunEnd::Cancelled && (outcome.count == 0 || PutBackDocument(before))) {
    DropUnused(before);
    g_session.statusText = u"已取消删除水印，文档未改变";
    RefreshWindow();
    return;
  }
  DropUnused(before);
  if (outcome.count > 0) {
    AfterWatermarkRun();
    if (outcome.ok) g_session.statusText = FillPlaceholders(u"已删除 %d 个水印对象", {Num(outcome.count)});
    if (sliced.end == SlicedRunEnd::Cancelled) {
      g_session.statusText = FillPlaceholders(u"已取消删除水印，已删除的 %d 个水印对象未能恢复", {Num(outcome.count)});
    }
    RefreshWindow();
  }
  if (sliced.end == SlicedRunEnd::Stopped) {
    ShowMessage(u"删除水印失败", outcome.message, MessageIcon::Error);
  } else if (outcome.ok && outcome.count == 0) {
    ShowMessage(u"删除水印",
                kNothingRemovedText,
                MessageIcon::Information);
  }
}
