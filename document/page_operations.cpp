#include "document/page_operations.h"

#include "document/open_document.h"
#include "document/save_copy.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "document/window_hooks.h"
#include "engine/engine_handles.h"
#include "engine/engine_table.h"
#include "platform/file_system.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"

namespace {

struct PageOperationTexts {
  const char16_t* caption;
  const char16_t* commitFailed;
  const char16_t* backupFailed;
  const char16_t* releaseFailed;
  const char16_t* restoredMessage;
  const char16_t* restoredStatus;
  const char16_t* cannotRestoreMessage;
  const char16_t* keepBackupStatus;
};

const PageOperationTexts kMergeTexts = {
    u"合并 PDF 失败", u"无法保存当前 PDF 页面更改，未执行合并。", u"无法备份当前 PDF，未执行合并。",
    u"无法关闭当前 PDF 页面，未执行合并。", u"合并失败，已恢复原文档。", u"合并失败，已恢复原文档",
    u"合并失败，无法自动恢复。\n完整备份保留在：%s", u"合并失败，请保留备份文件"};
const PageOperationTexts kInsertTexts = {
    u"增加空白 PDF 失败", u"无法获取当前 PDF 页面尺寸，未插入空白页。", u"无法备份当前 PDF，未插入空白页。",
    u"无法关闭当前 PDF 页面，未插入空白页。", u"插入空白 PDF 页失败，已恢复原文档。",
    u"插入失败，已从备份恢复 PDF", u"插入空白 PDF 页失败，无法自动恢复。\n完整备份保留在：%s",
    u"插入失败，请保留备份文件"};
const PageOperationTexts kDeleteTexts = {
    u"删除页面失败", u"无法更新当前 PDF 页面内容，未删除页面。", u"无法备份当前 PDF，未删除页面。",
    u"无法关闭当前 PDF 页面，未删除页面。", u"删除页面失败，已恢复原 PDF。", u"删除失败，已从备份恢复 PDF",
    u"删除页面失败，无法自动恢复。\n完整备份保留在：%s", u"删除失败，请保留备份文件"};
const PageOperationTexts kMoveTexts = {
    u"移动页面失败", u"无法更新当前 PDF 页面内容，页面未移动。", u"无法保护当前 PDF 状态，页面未移动。",
    u"无法关闭当前 PDF 页面，页面未移动。", u"PDF 页面顺序更新失败，已恢复原文档。", u"已从备份恢复 PDF",
    u"PDF 页面顺序更新失败，无法自动恢复。\n完整备份保留在：%s", u"页面移动失败，请保留备份文件"};

struct Backup {
  std::u16string path;
  int pageIndex = 0;
  int pageCount = 0;
  bool modified = false;
};

// Commit, back up, release the page. On failure the document is untouched and reported.
bool PrepareBackup(const PageOperationTexts& texts, Backup& backup) {
  if (!CommitPageContent()) {
    ShowMessage(texts.caption, texts.commitFailed, MessageIcon::Error);
    return false;
  }
  // Complete: when it cannot be reloaded the user is told to keep it as the document.
  auto path = TakeSnapshot(true, SnapshotForm::Complete);
  if (!path) {
    ShowMessage(texts.caption, texts.backupFailed, MessageIcon::Error);
    return false;
  }
  backup.path = *path;
  backup.pageIndex = g_session.currentPageIndex;
  backup.pageCount = g_session.pageCount;
  backup.modified = g_session.modified;
  if (!ReleaseCurrentPage()) {
    RemoveFile(backup.path);
    ShowMessage(texts.caption, texts.releaseFailed, MessageIcon::Error);
    return false;
  }
  return true;
}

void FinishSuccess(const Backup& backup, const std::u16string& status) {
  RemoveFile(backup.path);
  g_window.rebuildNavigator(g_session.pageCount);
  MarkModified();
  g_session.statusText = status;
  UpdateTitle();
  g_window.changed(Change::Pages);
}

void Recover(const PageOperationTexts& texts, const Backup& backup) {
  if (ReloadFromBackup(backup.path, backup.pageIndex, backup.modified)) {
    ShowMessage(texts.caption, texts.restoredMessage, MessageIcon::Error);
    g_session.statusText = texts.restoredStatus;
  } else {
    ShowMessage(texts.caption, FillPlaceholders(texts.cannotRestoreMessage, {backup.path}), MessageIcon::Error);
    EmptySession();
    MarkModified();
    g_session.statusText = texts.keepBackupStatus;
  }
  g_window.rebuildNavigator(g_session.pageCount);
  UpdateTitle();
  g_window.changed(Change::Pages);
}

}  // namespace

bool ReloadFromBackup(const std::u16string& backupPath, int pageIndex, bool modified) {
  // The backup becomes the file the restored document reads from; it is deleted with it.
  if (!InstallFromSnapshotFile(backupPath, pageIndex)) return false;
  g_session.createdInMemory = false;
  g_session.modified = modified;
  g_window.resetPageDrag();
  g_window.clearToolState();
  return true;
}

bool MergePdf(int insertPosition) {
  if (g_session.document == nullptr) {
    ShowMessage(u"合并 PDF", u"请先打开第一个 PDF 文件，再选择要追加的 PDF。", MessageIcon::Information);
    return false;
  }
  FileDialogRequest request;
  request.title = u"选择要追加的 PDF 文件";
  request.filters = {{u"PDF 文件 (*.pdf)", u"*.pdf"}, {u"所有文件 (*.*)", u"*"}};
  request.defaultExtension = u"pdf";
  auto chosen = ShowFileDialog(request);
  if (!chosen) return false;
  auto utf8 = Utf16ToUtf8(*chosen);
  if (!utf8) {
    ShowMessage(kMergeTexts.caption, u"第二个 PDF 文件路径无法转换为 UTF-8。", MessageIcon::Error);
    return false;
  }
  ScopedDocument second(g_engine.FPDF_LoadDocument(utf8->c_str(), nullptr));
  if (second == nullptr) {
    ShowMessage(u"打开第二个 PDF 失败", LoadErrorMessage(g_engine.FPDF_GetLastError()), MessageIcon::Error);
    return false;
  }
  int added = g_engine.FPDF_GetPageCount(second.get());
  if (added <= 0) {
    ShowMessage(kMergeTexts.caption, u"所选 PDF 中没有可追加的页面。", MessageIcon::Error);
    return false;
  }
  bool append = insertPosition < 0;
  int index = append ? g_session.pageCount : insertPosition;
  Backup backup;
  if (index > g_session.pageCount || !PrepareBackup(kMergeTexts, backup)) return false;
  bool imported = g_engine.FPDF_ImportPages(g_session.document, second.get(), nullptr, index) != 0;
  second.reset();
  int count = g_engine.FPDF_GetPageCount(g_session.document);
  bool ok = imported && count == backup.pageCount + added;
  if (ok) {
    g_session.pageCount = count;
    ok = SwitchToPage(append ? backup.pageIndex : index);
  }
  if (!ok) {
    Recover(kMergeTexts, backup);
    return false;
  }
  FinishSuccess(backup, append ? FillPlaceholders(u"已追加 %d 页，现共 %d 页；正在另存合并文件", {Num(added), Num(count)})
                               : FillPlaceholders(u"已在第 %d 页后插入 %d 页，现共 %d 页",
                                                  {Num(index), Num(added), Num(count)}));
  SavePdfCopy(u"_merged.pdf", u"已保存合并 PDF 副本。");
  return true;
}

bool InsertBlankPage(int position) {
  float width = g_session.pageWidth;
  float height = g_session.pageHeight;
  if (g_session.document == nullptr || g_session.currentPage == nullptr || !(width > 0) || !(height > 0) ||
      position < 0 || position > g_session.pageCount) {
    ShowMessage(kInsertTexts.caption, kInsertTexts.commitFailed, MessageIcon::Error);
    return false;
  }
  Backup backup;
  if (!PrepareBackup(kInsertTexts, backup)) return false;
  // The new page is only counted here; turning to it loads it again.
  bool created = ScopedPage(g_engine.FPDFPage_New(g_session.document, position, width, height)) != nullptr;
  int count = g_engine.FPDF_GetPageCount(g_session.document);
  bool ok = created && count == backup.pageCount + 1;
  if (ok) {
    g_session.pageCount = count;
    ok = SwitchToPage(position);
  }
  if (!ok) {
    Recover(kInsertTexts, backup);
    return false;
  }
  FinishSuccess(backup, FillPlaceholders(u"已在第 %d 页后增加空白 PDF 页，现共 %d 页", {Num(position), Num(count)}));
  return true;
}

bool DeleteCurrentPage() {
  if (g_session.document == nullptr || g_session.currentPageIndex < 0 ||
      g_session.currentPageIndex >= g_session.pageCount) {
    return false;
  }
  if (g_session.pageCount < 2) {
    ShowMessage(u"无法删除页面", u"PDF 文档至少需保留一个页面。", MessageIcon::Information);
    return false;
  }
  if (g_engine.FPDFPage_Delete == nullptr) {
    ShowMessage(u"删除页面不可用", u"当前 PDFium 运行库不支持删除页面。", MessageIcon::Information);
    return false;
  }
  Backup backup;
  if (!PrepareBackup(kDeleteTexts, backup)) return false;
  int deleted = backup.pageIndex;
  g_engine.FPDFPage_Delete(g_session.document, deleted);
  int count = g_engine.FPDF_GetPageCount(g_session.document);
  bool ok = count == backup.pageCount - 1;
  if (ok) {
    g_session.pageCount = count;
    ok = SwitchToPage(deleted < count ? deleted : count - 1);
  }
  if (!ok) {
    Recover(kDeleteTexts, backup);
    return false;
  }
  FinishSuccess(backup, FillPlaceholders(u"已删除第 %d 页，剩余 %d 页", {Num(deleted + 1), Num(count)}));
  return true;
}

bool MovePage(int from, int to) {
  if (g_engine.FPDF_MovePages == nullptr) {
    ShowMessage(u"页面移动不可用", u"当前 PDF 运行库不支持页面排序。", MessageIcon::Information);
    return false;
  }
  int count = g_session.pageCount;
  if (g_session.document == nullptr || from < 0 || from >= count || to < 0 || to >= count) return false;
  if (from == to) return true;
  Backup backup;
  if (!PrepareBackup(kMoveTexts, backup)) return false;
  bool ok = g_engine.FPDF_MovePages(g_session.document, &from, 1, to) != 0 && SwitchToPage(to);
  if (!ok) {
    Recover(kMoveTexts, backup);
    return false;
  }
  FinishSuccess(backup, FillPlaceholders(u"已将第 %d 页移动到第 %d 页", {Num(from + 1), Num(to + 1)}));
  return true;
}

bool RotateCurrentPage(int quarterTurns) {
  constexpr const char16_t* kCaption = u"旋转失败";
  FPDF_PAGE page = g_session.currentPage;
  if (page == nullptr) return false;
  int old = g_engine.FPDFPage_GetRotation(page);
  if (old < 0 || old > 3) {
    ShowMessage(kCaption, u"无法读取当前页面旋转状态。", MessageIcon::Error);
    return false;
  }
  if (!CommitPageContent()) {
    ShowMessage(kCaption, u"无法更新当前 PDF 页面内容。", MessageIcon::Error);
    return false;
  }
  int rotation = ((old + quarterTurns) % 4 + 4) % 4;
  g_engine.FPDFPage_SetRotation(page, rotation);
  float width = g_engine.FPDF_GetPageWidthF(page);
  float height = g_engine.FPDF_GetPageHeightF(page);
  if (g_engine.FPDFPage_GetRotation(page) != rotation || !(width > 0) || !(height > 0)) {
    g_engine.FPDFPage_SetRotation(page, old);
    ShowMessage(kCaption, u"PDF 页面旋转失败，原旋转状态已保留。", MessageIcon::Error);
    return false;
  }
  g_session.pageWidth = width;
  g_session.pageHeight = height;
  MarkModified();
  g_window.changed(Change::PageContent);
  g_session.statusText = quarterTurns > 0 ? u"当前页已顺时针旋转 90°" : u"当前页已逆时针旋转 90°";
  UpdateTitle();
  g_window.changed(Change::Status);
  return true;
}
