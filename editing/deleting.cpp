#include "editing/deleting.h"

#include <algorithm>

#include "document/session.h"
#include "document/window_hooks.h"
#include "drawing/labels.h"
#include "editing/drawn_objects.h"
#include "editing/erasing.h"
#include "editing/selection.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"

namespace {

constexpr const char16_t* kCaption = u"删除图形失败";
constexpr const char16_t* kCleanupWarning = u"图形已删除，但自动编号或边长标注未能全部清理。";

void Finish() {
  g_window.changed(Change::Selection);
}

// The page's own content goes only after a yes (No is the default).
bool ConfirmPageContent(const std::vector<FPDF_PAGEOBJECT>& objects, const PdfOps& ops) {
  bool pageContent = std::any_of(objects.begin(), objects.end(),
                                 [&](FPDF_PAGEOBJECT object) {
                                   return !CarriesOwnMark(object, ops) && !HasMarkNamed(object, ops, kImageBackgroundMark);
                                 });
  return !pageContent || ShowMessage(u"删除图形", u"所选内容包含页面原有的图形（不是在本软件中绘制的）。\n确实要删除吗？",
                                     MessageIcon::Warning, MessageButtons::YesNo) == MessageAnswer::Yes;
}

}  // namespace

void DeleteSelected() {
  FPDF_PAGEOBJECT object = g_selection.object;
  if (object == nullptr) return;
  PdfOps ops = CurrentOps();
  if (!ConfirmPageContent({object}, ops)) return;
  FPDF_PAGE page = g_session.currentPage;
  if (page == nullptr || !ops.FPDFPage_RemoveObject || !ops.FPDFPageObj_Destroy || !ops.FPDFPage_RemoveObject(page, object)) {
    ShowMessage(kCaption, u"无法从 PDF 页面删除所选图形。", MessageIcon::Error);
    return;
  }
  bool system = FindCoordinateSystem(object, ops) != 0;  // read before the handle goes
  ops.FPDFPageObj_Destroy(object);
  if (system) g_session.fullRewrite = true;
  bool clean = CleanAllOrphanLabels(ops, g_session.currentPage);
  ClearDrawnSelection();
  g_session.statusText = u"所选图形已删除";
  NotifyObjectModified(u"所选图形已删除");
  if (!clean) ShowMessage(u"标注清理警告", kCleanupWarning, MessageIcon::Warning);
  Finish();
}

bool DeleteSelection() {
  if (g_selection.group.empty()) {
    if (g_selection.object == nullptr) return true;
    DeleteSelected();
    return g_selection.object == nullptr;
  }
  PdfOps ops = CurrentOps();
  FPDF_PAGE page = g_session.currentPage;
  if (g_session.document == nullptr || page == nullptr || !ops.FPDFPage_RemoveObject || !ops.FPDFPageObj_Destroy) {
    ShowMessage(kCaption, u"当前 PDF 页面不支持删除所选图形。", MessageIcon::Error);
    return false;
  }
  if (!ConfirmPageContent(g_selection.group, ops)) return false;
  int deleted = 0;
  std::vector<FPDF_PAGEOBJECT> survivors;
  for (FPDF_PAGEOBJECT member : g_selection.group) {
    bool system = FindCoordinateSystem(member, ops) != 0;
    if (ops.FPDFPage_RemoveObject(page, member)) {
      ops.FPDFPageObj_Destroy(member);
      ++deleted;
      if (system) g_session.fullRewrite = true;
    } else {
      survivors.push_back(member);
    }
  }
  g_selection.group = survivors;
  g_selection.object = nullptr;
  g_selection.selectedImage = nullptr;
  if (deleted > 0) {
    bool clean = CleanAllOrphanLabels(ops, g_session.currentPage);
    g_session.statusText = survivors.empty()
                               ? FillPlaceholders(u"已删除 %d 个所选图形", {Num(deleted)})
                               : FillPlaceholders(u"已删除 %d 个图形，另有 %d 个删除失败",
                                                  {Num(deleted), Num(static_cast<long long>(survivors.size()))});
    NotifyKeepingSelection(u"所选图形已删除");  // the survivors stay selected
    if (!clean) ShowMessage(u"标注清理警告", kCleanupWarning, MessageIcon::Warning);
  }
  if (!survivors.empty()) {
    if (deleted == 0) g_session.statusText = u"无法删除所选图形";
    ShowMessage(u"删除图形未完成", g_session.statusText, MessageIcon::Warning);
  }
  Finish();
  return g_selection.group.empty();
}
