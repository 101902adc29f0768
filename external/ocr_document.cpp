#include "external/ocr_document.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "content/ocr_layer.h"
#include "document/session.h"
#include "document/window_hooks.h"
#include "engine/engine_handles.h"
#include "engine/engine_table.h"
#include "external/ocr_document_run.h"
#include "external/ocr_run.h"
#include "platform/file_system.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char16_t* kCaption = u"识别页面文字";

// The run's private folder (mode 0700); gone with the value, whatever the run left in it.
struct RunFolder {
  std::u16string path;
  ~RunFolder() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove_all(std::filesystem::path(Utf8(path)), ignored);
  }
};

bool CanRecognise() {
  return CanWriteOcrLayer() && g_engine.FPDF_RenderPageBitmap_Start && g_engine.FPDF_RenderPage_Continue &&
         g_engine.FPDF_RenderPage_Close && g_engine.FPDFBitmap_CreateEx && g_engine.FPDFBitmap_FillRect;
}

// Which of the pages hold text of their own; nothing when the user stopped the check.
std::optional<std::vector<bool>> PagesWithText(const std::vector<int>& pages) {
  std::vector<bool> withText(pages.size(), false);
  bool boxUp = false;
  Clock::time_point slice = Clock::now();
  std::optional<std::vector<bool>> result = withText;
  for (size_t i = 0; i < pages.size(); ++i) {
    if (Clock::now() - slice > std::chrono::milliseconds(25)) {
      if (!boxUp) BeginBusy(u"正在检查页面文字...");
      boxUp = true;
      if (PumpBusy() || ProgramEndRequested()) {
        result.reset();
        break;
      }
      slice = Clock::now();
    }
    int index = pages[i];
    if (index == g_session.currentPageIndex && g_session.currentPage != nullptr) {
      (*result)[i] = HasOwnText(g_session.currentPage);
      continue;
    }
    ScopedPage page(g_engine.FPDF_LoadPage(g_session.document, index));
    (*result)[i] = page != nullptr && HasOwnText(page.get());
  }
  if (boxUp) EndBusy();
  return result;
}

void SetStatus(const std::u16string& text) {
  g_session.statusText = text;
  g_window.changed(Change::Status);
}

void ReportOutcome(const OcrRunOutcome& outcome, int left) {
  std::u16string status;
  if (outcome.failed || outcome.cancelled) {
    status = FillPlaceholders(outcome.cancelled ? u"已取消识别：已完成的 %d 页保留识别出的文字（可撤销），其余 %d 页未识别"
                                                : u"识别未完成：已完成的 %d 页保留识别出的文字（可撤销），其余 %d 页未识别",
                              {Num(outcome.recognised), Num(left)});
  } else {
    status = FillPlaceholders(u"已识别 %d 页文字，现在可以查找", {Num(outcome.recognised)});
  }
  if (outcome.skipped > 0) status += FillPlaceholders(u"；%d 页已有文字，已跳过", {Num(outcome.skipped)});
  SetStatus(status);
}

}  // namespace

std::optional<std::vector<int>> ParsePageRange(const std::u16string& text, int pageCount) {
  std::vector<int> pages;
  std::vector<bool> taken(size_t(std::max(pageCount, 0)), false);
  std::u16string part;
  auto take = [&](const std::u16string& piece) {
    std::string item;
    for (char16_t c : piece) {
      if (c == u' ' || c == u'\t' || c == u'\u3000') continue;
      if (c == u'－' || c == u'—' || c == u'~' || c == u'～') c = u'-';
      if (c > 0x7F) return false;
      item.push_back(char(c));
    }
    if (item.empty()) return true;
    size_t dash = item.find('-');
    auto number = [&](const std::string& digits, long& value) {
      if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) return false;
      value = std::strtol(digits.c_str(), nullptr, 10);
      return value >= 1 && value <= pageCount;
    };
    long first = 0, last = 0;
    if (dash == std::string::npos) {
      if (!number(item, first)) return false;
      last = first;
    } else if (!number(item.substr(0, dash), first) || !number(item.substr(dash + 1), last) || last < first) {
      return false;
    }
    for (long p = first; p <= last; ++p) {
      if (!taken[size_t(p - 1)]) pages.push_back(int(p - 1));
      taken[size_t(p - 1)] = true;
    }
    return true;
  };
  for (char16_t c : text + u',') {
    if (c == u',' || c == u'，' || c == u'、' || c == u';' || c == u'；') {
      if (!take(part)) return std::nullopt;
      part.clear();
    } else {
      part.push_back(c);
    }
  }
  if (pages.empty()) return std::nullopt;
  return pages;
}

OcrRunOutcome RecognisePages(const std::vector<int>& pages, bool askAboutTextPages) {
  OcrRunOutcome outcome;
  outcome.chosen = int(pages.size());
  std::optional<std::vector<bool>> withText = PagesWithText(pages);
  if (!withText) {
    outcome.cancelled = true;
    SetStatus(u"已取消识别页面文字");
    return outcome;
  }
  int textPages = int(std::count(withText->begin(), withText->end(), true));
  bool includeTextPages = false;
  if (textPages > 0 && askAboutTextPages) {
    MessageAnswer answer = ShowMessage(
        kCaption,
        FillPlaceholders(u"所选页面中有 %d 页已有文字。是否也识别这些页面？\n\n是：也识别（原有文字保留，另加识别出的文字）\n否：跳过这些页面",
                         {Num(textPages)}),
        MessageIcon::Question, MessageButtons::YesNoCancel, MessageAnswer::No);
    if (answer == MessageAnswer::Cancel) {
      outcome.cancelled = true;
      SetStatus(u"已取消识别页面文字");
      return outcome;
    }
    includeTextPages = answer == MessageAnswer::Yes;
  }
  std::vector<int> todo;
  for (size_t i = 0; i < pages.size(); ++i) {
    if (includeTextPages || !(*withText)[i]) todo.push_back(pages[i]);
  }
  outcome.skipped = int(pages.size() - todo.size());
  if (todo.empty()) {
    SetStatus(u"所选页面都已有文字，无需识别");
    ShowMessage(kCaption, u"所选页面都已有文字，无需识别。", MessageIcon::Information);
    return outcome;
  }

  OcrTools tools;
  tools.tesseract = FindTesseract();
  if (tools.tesseract.empty() || !ShippedLanguageData(tools.languageData)) return outcome;
  tools.timeoutMs = g_platform.childTimeoutMs;
  RunFolder folder;
  std::optional<std::u16string> temp = TempDirectory();
  std::string pattern = temp ? Utf8(*temp) + "/pdfXXXXXX" : std::string();
  if (!temp || mkdtemp(pattern.data()) == nullptr) {
    ShowMessage(u"OCR", u"无法创建 OCR 临时文件。", MessageIcon::Error);
    return outcome;
  }
  folder.path = Utf8ToUtf16(pattern);
  tools.folder = folder.path;

  OcrLoopResult run = RunOcrLoop(tools, todo);
  outcome.recognised = run.recognised;
  outcome.words = run.words;
  outcome.cancelled = run.cancelled;
  outcome.failed = run.failed;
  if (run.recognised > 0) {
    // Removing the old layer leaves the current page's handle with stale resource names.
    ReloadCurrentPage();
    UpdateTitle();
    g_window.changed(Change::PageContent);
  }
  ReportOutcome(outcome, int(todo.size()) - run.recognised);
  if (run.failed && !ProgramEndRequested()) ReportOcrFailure(run.problem);
  return outcome;
}

void RecognisePagesCommand(OcrPagesChoice choice) {
  if (g_session.document == nullptr || g_session.currentPage == nullptr || g_session.pageCount < 1) {
    ShowMessage(kCaption, u"请先打开 PDF 文件，再识别页面文字。", MessageIcon::Information);
    return;
  }
  if (!CanRecognise()) {
    ShowMessage(kCaption, u"当前 PDFium 运行库不支持添加文字层。", MessageIcon::Error);
    return;
  }
  std::vector<int> pages;
  if (choice == OcrPagesChoice::CurrentPage) {
    pages.push_back(g_session.currentPageIndex);
  } else if (choice == OcrPagesChoice::AllPages) {
    for (int i = 0; i < g_session.pageCount; ++i) pages.push_back(i);
  } else {
    if (g_platform.askText == nullptr) return;
    std::optional<std::u16string> typed =
        g_platform.askText(u"识别指定页面文字", u"页码范围（例如 1-3, 5）：", u"1-" + Num(g_session.pageCount));
    if (!typed) return;
    std::optional<std::vector<int>> parsed = ParsePageRange(*typed, g_session.pageCount);
    if (!parsed) {
      ShowMessage(kCaption,
                  FillPlaceholders(u"页码范围无效。请输入 1 到 %d 之间的页码，例如“1-3, 5”。", {Num(g_session.pageCount)}),
                  MessageIcon::Warning);
      return;
    }
    pages = *parsed;
  }
  RecognisePages(pages, choice != OcrPagesChoice::AllPages);
}
