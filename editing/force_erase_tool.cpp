#include "editing/force_erase_tool.h"

#include "content/force_erase.h"
#include "content/shared_pictures.h"
#include "document/session.h"
#include "document/window_hooks.h"
#include "editing/pointer_input.h"
#include "platform/platform_seam.h"
#include "view/page_view.h"

namespace {

// The picture the last stroke wrote, reused by the next one while nothing else changed the
// document in between (an edit, undo, another document).
struct KeptPicture {
  ErasedPicture picture;
  uint64_t document = 0;
  uint64_t generation = 0;
};
KeptPicture g_kept;

ErasedPicture* KeptForThisStroke() {
  if (g_kept.document != DocumentSerial() || g_kept.generation != EditGeneration()) g_kept.picture = ErasedPicture{};
  return &g_kept.picture;
}

}  // namespace

void ForgetKeptPicture() { g_kept = KeptPicture{}; }

size_t KeptPictureBytes() { return g_kept.picture.pixels.capacity(); }

void RunForceErase(const std::vector<ScreenPoint>& trail) {
  if (g_session.document == nullptr || g_session.currentPage == nullptr || trail.empty()) return;
  PdfOps ops = CurrentOps();
  if (!HasForceEraseEntries(ops)) {
    ShowMessage(u"强制擦除失败", u"当前 PDFium 运行库不支持直接修改图片像素。", MessageIcon::Error);
    return;
  }
  ForceEraseResult result = ForceEraseImages(ops, g_session.document, g_session.currentPage, trail,
                                             kForceEraseRadius, CurrentScreenMapping(), KeptForThisStroke());
  if (!result.ran) return;
  const bool changed = result.modified > 0 || result.possiblyChanged;
  bool committed = true;
  if (changed) {
    MarkModified();
    // The rewritten image streams are new objects: an incremental save would not carry them.
    g_session.fullRewrite = true;
    g_window.clearSelections();
    g_window.changed(Change::PageContent);
    g_window.changed(Change::Pages);
    UpdateTitle();
    committed = ops.FPDFPage_GenerateContent(g_session.currentPage) != 0 &&
                RegeneratePagesSharing(ops, g_session.document, g_session.currentPageIndex, result.modifiedImages);
  }
  g_kept.document = DocumentSerial();
  g_kept.generation = EditGeneration();
  if (result.skipped == 0) {
    g_session.statusText = result.modified > 0 ? u"图片像素已修改；共享图片可能同时改变"
                                               : u"没有需要修改的图片像素（文字和图形不受影响）";
  }
  g_window.changed(Change::Selection);
  if (!committed) {
    ShowMessage(u"PDF 内容更新警告", u"图片已修改，但页面内容生成失败；请检查或撤销。", MessageIcon::Warning);
  }
  if (result.skipped > 0) {
    ShowMessage(u"强制擦除未完成",
                changed ? u"部分图片无法处理，页面可能已改变，请检查或撤销。"
                        : u"无法处理图片；裁剪、透明图形状态或过大的图片不会被修改。",
                MessageIcon::Warning);
  }
}

