#include "document/open_document.h"

#include <memory>

#include "document/cvn_container.h"
#include "document/office_files.h"
#include "document/recent_documents.h"
#include "document/save_copy.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "document/window_hooks.h"
#include "engine/engine_handles.h"
#include "engine/engine_table.h"
#include "platform/file_system.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"

std::u16string LoadErrorMessage(unsigned long engineError) {
  switch (engineError) {
    case kPdfErrFormat:
      return u"文件不是有效的 PDF 文档。";
    case kPdfErrPassword:
      return u"PDF 文件需要密码，当前版本暂不支持打开加密文件。";
    case kPdfErrSecurity:
      return u"无法读取 PDF 文件安全设置。";
    case kPdfErrPage:
      return u"PDF 文件不包含可读取的页面。";
    default:
      return u"无法打开 PDF 文件。";
  }
}

namespace {

constexpr const char16_t* kOpenFailed = u"打开失败";
constexpr const char16_t* kOpenCvnFailed = u"打开 CVN 失败";

// The reader comes first: a CVN document reads through it until it is closed.
struct LoadedDocument {
  std::unique_ptr<CvnReader> cvnReader;
  std::unique_ptr<EngineBytes> bytes;
  ScopedDocument document;
};

// The file is read once, here; the engine reads only the editor's copy of its bytes.
bool LoadPdf(const std::u16string& pdfPath, LoadedDocument& loaded) {
  std::shared_ptr<OpenedPdf> opened = ReadOpenedPdf(pdfPath);
  if (opened == nullptr) {
    ShowMessage(u"打开 PDF 失败", u"无法打开 PDF 文件。", MessageIcon::Error);
    return false;
  }
  loaded.bytes = BytesForEngine(std::move(opened));
  loaded.document.reset(LoadEngineDocument(*loaded.bytes));
  if (loaded.document == nullptr) {
    ShowMessage(u"打开 PDF 失败", LoadErrorMessage(g_engine.FPDF_GetLastError()), MessageIcon::Error);
    return false;
  }
  return true;
}

bool LoadCvn(const std::u16string& path, LoadedDocument& loaded) {
  if (g_engine.FPDF_LoadCustomDocument == nullptr) {
    ShowMessage(kOpenCvnFailed, u"当前 PDF 组件不支持打开 CVN 文件。", MessageIcon::Error);
    return false;
  }
  auto reader = std::unique_ptr<CvnReader>(new (std::nothrow) CvnReader);
  if (!reader) {
    ShowMessage(kOpenCvnFailed, u"内存不足，无法打开 CVN 文件。", MessageIcon::Error);
    return false;
  }
  CvnOpenResult result = OpenCvnReader(*reader, path);
  if (result != kCvnOk) {
    ShowMessage(kOpenCvnFailed, CvnOpenErrorMessage(result), MessageIcon::Error);
    return false;
  }
  loaded.document.reset(g_engine.FPDF_LoadCustomDocument(&reader->fileAccess, nullptr));
  if (loaded.document == nullptr) {
    ShowMessage(kOpenCvnFailed, LoadErrorMessage(g_engine.FPDF_GetLastError()), MessageIcon::Error);
    return false;
  }
  loaded.cvnReader = std::move(reader);
  return true;
}

void HandToDefaultProgram(const std::u16string& path) {
  bool started = g_platform.openWithDefaultProgram != nullptr && g_platform.openWithDefaultProgram(path);
  if (started) {
    AddRecentDocument(path);
  } else {
    ShowMessage(kOpenFailed, u"无法使用系统默认程序打开 Office 文档。", MessageIcon::Error);
  }
}

// Page count, first page and its size must be usable, and the old page must release.
bool ValidateAndTakeFirstPage(FPDF_DOCUMENT document, ScopedPage& page, int& count) {
  count = g_engine.FPDF_GetPageCount(document);
  page.reset(count > 0 ? g_engine.FPDF_LoadPage(document, 0) : nullptr);
  const char16_t* problem = nullptr;
  if (count <= 0) {
    problem = u"PDF 文件没有可显示的页面。";
  } else if (page == nullptr) {
    problem = u"无法读取 PDF 的第一页。";
  } else if (!(g_engine.FPDF_GetPageWidthF(page.get()) > 0) || !(g_engine.FPDF_GetPageHeightF(page.get()) > 0)) {
    problem = u"PDF 的页面尺寸无效。";
  } else if (!ReleaseCurrentPage()) {
    problem = u"无法生成已修改页面的内容，原文件仍保留在窗口中。";
  }
  if (problem == nullptr) return true;
  page.reset();
  ShowMessage(kOpenFailed, problem, MessageIcon::Error);
  return false;
}

}  // namespace

bool OpenDocument(const std::u16string& givenPath) {
  if (givenPath.empty() || !ConfirmDiscardChanges()) return false;
  // The session keeps the absolute, normalised spelling, whatever folder we were started in.
  std::u16string path = FullPath(givenPath).value_or(givenPath);
  if (IsOtherOfficeType(path)) {
    HandToDefaultProgram(path);
    return false;
  }
  bool isCvn = LowerExtension(path) == u".cvn";
  OfficeConversion conversion;
  std::u16string pdfPath = path;
  if (IsConvertibleOffice(path)) {
    if (g_convertOfficeToPdf == nullptr) {
      ShowMessage(u"缺少 Office 文档渲染组件",
                  u"无法在本窗体中打开 Office 文档：未检测到 LibreOffice。\n请先安装 LibreOffice；此功能不需要 Microsoft Office。",
                  MessageIcon::Information);
      return false;
    }
    if (!g_convertOfficeToPdf(path, conversion)) return false;
    pdfPath = conversion.outputPdf;
  }

  LoadedDocument loaded;
  // Taken before the engine reads: a file replaced meanwhile then only looks changed.
  FileIdentity sourceIdentity = IdentityOfFile(path);
  FileIdentity pdfIdentity = IdentityOfFile(pdfPath);
  bool loadedOk = isCvn ? LoadCvn(path, loaded) : LoadPdf(pdfPath, loaded);
  ScopedPage page;
  int count = 0;
  if (!loadedOk || !ValidateAndTakeFirstPage(loaded.document.get(), page, count)) {
    loaded.document.reset();  // before its converted file goes
    DiscardConversion(conversion);
    return false;
  }

  CloseSessionDocument();
  DiscardHistory();
  ReleaseConversionFolder();
  g_session.conversionFolder = conversion.outputFolder;
  conversion.adopted = true;

  InstallIntoSession(loaded.document.release(), page.release(), 0, count);
  g_session.cvnReader = std::move(loaded.cvnReader);
  g_session.opened = loaded.bytes != nullptr ? loaded.bytes->opened : nullptr;
  g_session.engineBytes = std::move(loaded.bytes);
  g_session.createdInMemory = false;
  g_session.fullRewrite = isCvn;
  g_session.path = path;
  g_session.sourcePath = path;
  g_session.sourceIdentity = sourceIdentity;
  g_session.basePdf = isCvn ? std::u16string() : pdfPath;
  g_session.basePdfIdentity = pdfIdentity;
  g_session.modified = false;
  g_window.documentInstalled(ToolAfterInstall::Hand);

  if (isCvn) {
    g_session.statusText = u"已打开 CVN 文档，可继续编辑矢量图形";
  } else if (IsWordDocument(path)) {
    g_session.statusText = u"Word 文档已转为 PDF；可使用 PDF 工具编辑，保存为 PDF 副本";
  } else {
    g_session.statusText = u"手形工具：使用鼠标或单指拖动浏览页面";
  }
  g_window.rebuildNavigator(count);
  UpdateTitle();
  g_window.changed(Change::Pages);
  AddRecentDocument(path);
  return true;
}

bool ShowOpenDialog() {
  FileDialogRequest request;
  request.filters = {
      {u"PDF 和 CVN 文件 (*.pdf;*.cvn)", u"*.pdf;*.cvn"},
      {u"Corvan CVN 文件 (*.cvn)", u"*.cvn"},
      {u"Office 文档 (*.doc;*.docx;*.xls;*.xlsx;*.ppt;*.pptx;*.pptm;*.pps;*.ppsx;*.ppsm)",
       u"*.doc;*.docx;*.xls;*.xlsx;*.ppt;*.pptx;*.pptm;*.pps;*.ppsx;*.ppsm"},
      {u"所有文件 (*.*)", u"*"},
  };
  request.defaultExtension = u"pdf";
  auto chosen = ShowFileDialog(request);
  return chosen && OpenDocument(*chosen);
}

bool NewBlankDocument() {
  ScopedDocument document(g_engine.FPDF_CreateNewDocument());
  if (document == nullptr) {
    ShowMessage(u"新建失败", u"无法创建空白 PDF 文档。", MessageIcon::Error);
    return false;
  }
  ScopedPage page(g_engine.FPDFPage_New(document.get(), 0, kA4Width, kA4Height));
  if (page == nullptr) {
    ShowMessage(u"新建失败", u"无法创建空白 PDF 页面。", MessageIcon::Error);
    return false;
  }
  return InstallDocument(std::move(document), std::move(page), 1, false, true);
}

bool InstallDocument(ScopedDocument document, ScopedPage firstPage, int pageCount, bool modified,
                     bool askToSave) {
  // The page closes before its document.
  auto closeNew = [&] {
    firstPage.reset();
    document.reset();
  };
  if (!(g_engine.FPDF_GetPageWidthF(firstPage.get()) > 0) || !(g_engine.FPDF_GetPageHeightF(firstPage.get()) > 0) ||
      pageCount != g_engine.FPDF_GetPageCount(document.get())) {
    closeNew();
    ShowMessage(u"新建失败", u"PDF 页面尺寸或页数无效，当前文档未更改。", MessageIcon::Error);
    return false;
  }
  if (askToSave && !ConfirmDiscardChanges()) {
    closeNew();
    return false;
  }
  if (!ReleaseCurrentPage()) {
    closeNew();
    ShowMessage(u"新建失败", u"无法更新当前 PDF 页面内容，新文档未创建。", MessageIcon::Error);
    return false;
  }
  bool hadDocument = g_session.document != nullptr;
  CloseSessionDocument();
  DiscardHistory();
  ReleaseConversionFolder();

  InstallIntoSession(document.release(), firstPage.release(), 0, pageCount);
  g_session.opened = nullptr;
  g_session.createdInMemory = true;
  g_session.fullRewrite = false;
  g_session.path.clear();
  g_session.sourcePath.clear();
  g_session.sourceIdentity = {};
  g_session.basePdf.clear();
  g_session.modified = modified;
  g_window.documentInstalled(ToolAfterInstall::Select);
  g_window.rebuildNavigator(pageCount);

  if (modified) {
    g_session.statusText = u"扫描完成，请保存 PDF";
  } else {
    g_session.statusText = hadDocument ? u"已新建空白 PDF" : u"";
  }
  UpdateTitle();
  g_window.changed(Change::Selection);
  g_window.changed(Change::Pages);
  return true;
}
