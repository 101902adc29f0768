#include "document/session.h"

#include "document/document_fonts.h"
#include "document/office_files.h"
#include "document/page_labels.h"
#include "document/window_hooks.h"
#include "engine/engine_handles.h"
#include "engine/engine_table.h"
#include "platform/file_system.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"

DocumentSession g_session;

namespace {

uint64_t g_editGeneration = 0;
uint64_t g_documentSerial = 0;

}  // namespace

uint64_t EditGeneration() { return g_editGeneration; }

uint64_t DocumentSerial() { return g_documentSerial; }

void MarkModified() {
  ++g_editGeneration;
  g_session.modified = true;
  g_window.clearDrawnSelection();
}

bool CommitPageContent() {
  if (g_session.currentPage == nullptr) return true;
  return g_engine.FPDFPage_GenerateContent(g_session.currentPage) != 0;
}

void NotifyObjectModified(const std::u16string& doneClause) {
  MarkModified();
  g_window.changed(Change::PageContent);
  UpdateTitle();
  if (!CommitPageContent()) {
    ShowMessage(u"PDF 内容更新警告", doneClause + u"，但 PDF 页面内容生成失败；请尽快另存为新文件。",
                MessageIcon::Warning);
  }
}

std::u16string WindowTitle() {
  std::u16string title = kApplicationName;
  if (g_session.document == nullptr) return title;
  std::u16string name = g_session.path.empty() ? u"未命名" : FileNamePart(g_session.path);
  title += u" - " + name + u"  (" + Num(g_session.currentPageIndex + 1) + u"/" +
           Num(g_session.pageCount) + u")";
  if (g_session.modified) title += u" *";
  return title;
}

void UpdateTitle() { g_window.setTitle(WindowTitle()); }

bool ReleaseCurrentPage() {
  g_window.leaveOcrSelection();
  g_window.clearSelections();
  if (g_session.currentPage != nullptr) {
    if (!CommitPageContent()) return false;
    g_engine.FPDF_ClosePage(g_session.currentPage);
    g_session.currentPage = nullptr;
  }
  g_window.destroyRenderCache();
  return true;
}

bool ReloadCurrentPage() {
  if (g_session.document == nullptr || g_session.currentPage == nullptr || !CommitPageContent()) return false;
  ScopedPage page(g_engine.FPDF_LoadPage(g_session.document, g_session.currentPageIndex));
  if (page == nullptr) return false;
  g_window.leaveOcrSelection();
  g_window.clearSelections();
  g_engine.FPDF_ClosePage(g_session.currentPage);
  g_window.destroyRenderCache();
  g_session.currentPage = page.release();
  return true;
}

bool SwitchToPage(int index) {
  if (g_session.document == nullptr || index < 0 || index >= g_session.pageCount) return false;
  ScopedPage page(g_engine.FPDF_LoadPage(g_session.document, index));
  if (page == nullptr) return false;
  float width = g_engine.FPDF_GetPageWidthF(page.get());
  float height = g_engine.FPDF_GetPageHeightF(page.get());
  if (!(width > 0) || !(height > 0) || !CommitPageContent()) return false;
  g_window.leaveOcrSelection();
  g_window.clearSelections();
  if (g_session.currentPage != nullptr) g_engine.FPDF_ClosePage(g_session.currentPage);
  g_window.destroyRenderCache();
  g_session.currentPage = page.release();
  g_session.currentPageIndex = index;
  g_session.pageWidth = width;
  g_session.pageHeight = height;
  g_window.pageSwitched();
  return true;
}

bool GoToPage(int index) {
  if (index < 0 || index >= g_session.pageCount) return false;
  if (index == g_session.currentPageIndex && g_session.currentPage != nullptr) {
    g_window.changed(Change::Pages);
    return true;
  }
  if (!SwitchToPage(index)) {
    ShowMessage(u"页面切换失败", u"无法读取该 PDF 页面。", MessageIcon::Error);
    g_window.changed(Change::Pages);
    return false;
  }
  g_session.statusText.clear();
  g_window.changed(Change::Selection);
  UpdateTitle();
  g_window.changed(Change::Pages);
  return true;
}

bool GoToPageOffset(int offset) { return GoToPage(g_session.currentPageIndex + offset); }

bool GoToTypedPageNumber(const std::u16string& typed) {
  std::u16string text = typed.substr(0, 32);
  size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  long long value = 0;
  bool digits = false;
  while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
    value = value * 10 + (text[i++] - u'0');
    if (value > 1'000'000'000) value = 1'000'000'000;
    digits = true;
  }
  if (negative) value = -value;
  bool valid = i == text.size() && digits && value >= 1 && value <= g_session.pageCount;
  if (valid && GoToPage(int(value - 1))) return true;
  int labelled = valid ? -1 : PageIndexOfLabel(g_session.document, g_session.pageCount, typed);
  if (labelled >= 0) return GoToPage(labelled);
  if (!valid) {
    ShowMessage(u"页码无效", u"请输入 1 到总页数之间的页码。", MessageIcon::Warning);
    g_window.focusPageNumberBox();
  }
  return false;
}

void CloseSessionDocument() {
  g_window.documentClosing();
  if (g_session.currentPage != nullptr) g_engine.FPDF_ClosePage(g_session.currentPage);
  g_session.currentPage = nullptr;
  CloseDocumentFonts();
  if (g_session.document != nullptr) g_engine.FPDF_CloseDocument(g_session.document);
  g_session.document = nullptr;
  g_session.cvnReader.reset();
  g_session.engineBytes.reset();
  if (!g_session.backingFile.empty()) RemoveFile(g_session.backingFile);
  g_session.backingFile.clear();
}

void InstallIntoSession(FPDF_DOCUMENT document, FPDF_PAGE page, int index, int count) {
  ++g_documentSerial;
  g_session.document = document;
  g_session.currentPage = page;
  g_session.currentPageIndex = index;
  g_session.pageCount = count;
  g_session.pageWidth = g_engine.FPDF_GetPageWidthF(page);
  g_session.pageHeight = g_engine.FPDF_GetPageHeightF(page);
}

void EmptySession() {
  CloseSessionDocument();
  g_session.currentPageIndex = 0;
  g_session.pageCount = 0;
  g_session.pageWidth = 0;
  g_session.pageHeight = 0;
  g_session.createdInMemory = false;
}

void ReleaseConversionFolder() {
  if (!g_session.conversionFolder.empty()) DeleteConversionFolder(g_session.conversionFolder);
  g_session.conversionFolder.clear();
}
