#include "content/text_objects.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "content/glyph_coverage.h"
#include "content/text_rebuild.h"
#include "engine/engine_handles.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"

namespace {

constexpr const char16_t* kEditCaption = u"编辑文本失败";
constexpr const char16_t* kSizeCaption = u"文本字号设置失败";
constexpr const char16_t* kColourCaption = u"文本颜色设置失败";

FPDF_WIDESTRING Wide(const std::u16string& text) { return reinterpret_cast<FPDF_WIDESTRING>(text.c_str()); }

struct Rgba {
  unsigned r = 0, g = 0, b = 0, a = 0;
  bool SameColour(uint32_t colour) const {
    return r == (colour & 0xFF) && g == ((colour >> 8) & 0xFF) && b == ((colour >> 16) & 0xFF);
  }
};

}  // namespace

std::optional<std::u16string> ReadTextContent(FPDF_TEXTPAGE textPage, FPDF_PAGEOBJECT text, const PdfEngine& ops) {
  if (textPage == nullptr || text == nullptr || ops.FPDFTextObj_GetText == nullptr) return std::nullopt;
  unsigned long bytes = ops.FPDFTextObj_GetText(text, textPage, nullptr, 0);
  if (bytes < 2 || bytes % 2 != 0) return std::nullopt;
  std::vector<FPDF_WCHAR> buffer(bytes / 2, 0);
  if (ops.FPDFTextObj_GetText(text, textPage, buffer.data(), bytes) != bytes) return std::nullopt;
  std::u16string content;
  for (FPDF_WCHAR unit : buffer) {
    if (unit == 0) break;
    content.push_back(char16_t(unit));
  }
  return content;
}

TextEditOutcome EditTextObject(FPDF_DOCUMENT document, FPDF_PAGE page, FPDF_PAGEOBJECT text, const PdfEngine& ops) {
  TextEditOutcome outcome;
  if (!ops.FPDFText_LoadPage || !ops.FPDFText_ClosePage || !ops.FPDFTextObj_GetText || !ops.FPDFText_SetText) {
    ShowMessage(kEditCaption, u"当前 PDFium 运行库不支持读取或替换 PDF 文本。", MessageIcon::Error);
    return outcome;
  }
  ScopedTextPage textPage(page != nullptr ? ops.FPDFText_LoadPage(page) : nullptr);
  if (textPage == nullptr) {
    ShowMessage(kEditCaption, u"无法读取当前页的文本。", MessageIcon::Error);
    return outcome;
  }
  std::optional<std::u16string> old = ReadTextContent(textPage.get(), text, ops);
  textPage.reset();  // before the text changes
  if (!old) {
    ShowMessage(kEditCaption, u"无法读取所选文本对象。", MessageIcon::Error);
    return outcome;
  }
  float size = 0;
  bool sizeEditable = ops.FPDFTextObj_GetFontSize && ops.FPDFTextObj_SetFontSize &&
                      ops.FPDFTextObj_GetFontSize(text, &size) && std::isfinite(size);
  TextDialogRequest request;
  request.text = *old;
  request.editing = true;
  request.sizeEditable = sizeEditable;
  if (sizeEditable) request.size = size;
  if (!ShowTextDialog(request)) return outcome;
  bool newSize = sizeEditable && request.size != size;
  // The same words written back would not restore the original codes (a ligature reads as
  // two letters): unchanged text is left alone.
  if (request.text == *old && !newSize) return outcome;

  // The new content is tried away from the original first: its character codes change only
  // once the object's font is known to write the content faithfully.
  bool spacesLost = false;
  ProbeResult probe = request.text == *old ? ProbeResult::ReadsBack
                                           : ProbeTextContent(document, page, text, request.text, ops, &spacesLost);
  std::u16string missing;  // characters no glyph of the text's font (or its face) writes
  if (probe == ProbeResult::FontLacks && !newSize) {
    RebuildResult rebuilt = RebuildTextWithNewSubset(document, page, text, request.text, ops);
    if (rebuilt.replacement != nullptr) {
      outcome.changed = true;
      outcome.replacement = rebuilt.replacement;
      return outcome;
    }
    outcome.pageTouched = rebuilt.pageTouched;
    missing = rebuilt.missing;
  } else {
    outcome.pageTouched = probe == ProbeResult::PageTouched;
  }
  if (probe == ProbeResult::FontLacks && missing.empty() && ops.FPDFTextObj_GetFont) {
    missing = CharactersFontCannotWrite(ops.FPDFTextObj_GetFont(text), request.text, ops);
  }
  if (spacesLost && missing.find(u' ') == std::u16string::npos) missing += u' ';
  if (probe != ProbeResult::ReadsBack) {
    if (outcome.pageTouched) {
      ShowMessage(kEditCaption, u"PDFium 无法替换该文本。页面可能已改变，请检查或撤销。", MessageIcon::Error);
    } else if (!missing.empty()) {
      ShowMessage(kEditCaption,
                  FillPlaceholders(u"该文本的字体中没有这些字符，无法写入：%s。原文本保持不变。", {NameCharacters(missing)}),
                  MessageIcon::Error);
    } else {
      ShowMessage(kEditCaption, u"PDFium 无法替换该文本。原文本保持不变。", MessageIcon::Error);
    }
    return outcome;
  }
  if (request.text != *old && !RewritingKeepsSpacing(document, text, *old, ops)) {
    // Words spaced by kerning: the font has no space of its own to write them with.
    bool spaced = std::any_of(old->begin(), old->end(), [](char16_t c) { return IsWhiteSpace(c); });
    ShowMessage(kEditCaption,
                spaced ? FillPlaceholders(u"该文本的字体中没有这些字符，无法写入：%s。原文本保持不变。", {NameCharacters(u" ")})
                       : u"该文本的字距无法按原样写回。原文本保持不变。",
                MessageIcon::Error);
    return outcome;
  }
  // The size goes first: when it is refused the object is still exactly as it was.
  if (newSize && !ops.FPDFTextObj_SetFontSize(text, request.size)) {
    ShowMessage(kEditCaption, u"无法修改所选文本字号。", MessageIcon::Error);
    return outcome;
  }
  if (request.text != *old && (!ops.FPDFText_SetText(text, Wide(request.text)) ||
                               !TextReadsBackAs(page, text, request.text, ops))) {
    outcome.pageTouched = true;
    ShowMessage(kEditCaption, u"PDFium 无法替换该文本。页面可能已改变，请检查或撤销。", MessageIcon::Error);
    return outcome;
  }
  outcome.changed = true;
  return outcome;
}

std::optional<double> EffectiveFontSize(FPDF_PAGEOBJECT text, const PdfEngine& ops) {
  float size = 0;
  FS_MATRIX m{};
  if (!ops.FPDFTextObj_GetFontSize || !ops.FPDFPageObj_GetMatrix || !ops.FPDFTextObj_GetFontSize(text, &size) ||
      !ops.FPDFPageObj_GetMatrix(text, &m)) {
    return std::nullopt;
  }
  return double(size) * std::hypot(double(m.c), double(m.d));
}

bool ParseEffectiveSize(const std::u16string& typed, double& value) {
  auto utf8 = Utf16ToUtf8(typed);
  if (!utf8) return false;
  const char* start = utf8->c_str();
  char* end = nullptr;
  double parsed = std::strtod(start, &end);
  if (end == start || *end != '\0' || !std::isfinite(parsed) || parsed < 1 || parsed > 1000) return false;
  value = parsed;
  return true;
}

bool ScaleTextAboutOrigin(FPDF_PAGEOBJECT text, double k, const PdfEngine& ops) {
  FS_MATRIX m{};
  if (!ops.FPDFPageObj_GetMatrix || !ops.FPDFPageObj_Transform || !ops.FPDFPageObj_GetMatrix(text, &m)) return false;
  double e = m.e * (1 - k), f = m.f * (1 - k);
  if (!std::isfinite(k) || !std::isfinite(e) || !std::isfinite(f)) return false;
  ops.FPDFPageObj_Transform(text, k, 0, 0, k, e, f);
  return true;
}

namespace {

// Dialog 107: asks until a valid size or Cancel; nothing when cancelled.
std::optional<double> AskEffectiveSize(double current, bool& opened) {
  opened = g_platform.askText != nullptr;
  if (!opened) return std::nullopt;
  char initial[48];
  std::snprintf(initial, sizeof initial, "%.3f", current);
  std::u16string typed = Utf8ToUtf16(initial);
  for (;;) {
    auto answer = g_platform.askText(u"设置文本字号", u"字号（磅）：", typed);
    if (!answer) return std::nullopt;
    double value = 0;
    if (ParseEffectiveSize(*answer, value)) return value;
    ShowMessage(u"字号无效", u"字号必须为 1 到 1000 磅。", MessageIcon::Warning);
    typed = *answer;
  }
}

}  // namespace

TextEditOutcome SetEffectiveFontSize(FPDF_PAGEOBJECT text, const PdfEngine& ops) {
  TextEditOutcome outcome;
  FS_MATRIX m{};
  std::optional<double> size = ops.FPDFPageObj_Transform ? EffectiveFontSize(text, ops) : std::nullopt;
  if (!size || !ops.FPDFPageObj_GetMatrix(text, &m)) {
    ShowMessage(kSizeCaption, u"无法读取文本字号或变换矩阵。", MessageIcon::Error);
    return outcome;
  }
  if (!std::isfinite(*size) || !(*size > 0) || !std::isfinite(m.e) || !std::isfinite(m.f)) {
    ShowMessage(kSizeCaption, u"该文本的字号或变换矩阵无效，无法调整字号。", MessageIcon::Error);
    return outcome;
  }
  bool opened = false;
  std::optional<double> chosen = AskEffectiveSize(*size, opened);
  if (!opened) {
    ShowMessage(kSizeCaption, u"无法打开字号设置窗口。", MessageIcon::Error);
    return outcome;
  }
  if (!chosen || std::fabs(*chosen - *size) < 0.0005) return outcome;
  if (!ScaleTextAboutOrigin(text, *chosen / *size, ops)) {
    ShowMessage(kSizeCaption, u"字号变化过大，无法调整该文本。", MessageIcon::Error);
    return outcome;
  }
  outcome.changed = true;
  return outcome;
}

bool RenderModeShowsFill(int mode) { return mode == 0 || mode == 2 || mode == 4 || mode == 6; }
bool RenderModeShowsStroke(int mode) { return mode == 1 || mode == 2 || mode == 5 || mode == 6; }

TextEditOutcome SetTextColour(FPDF_PAGEOBJECT text, const PdfEngine& ops) {
  TextEditOutcome outcome;
  if (!ops.FPDFTextObj_GetTextRenderMode || !ops.FPDFPageObj_GetFillColor || !ops.FPDFPageObj_SetFillColor ||
      !ops.FPDFPageObj_GetStrokeColor || !ops.FPDFPageObj_SetStrokeColor) {
    ShowMessage(kColourCaption, u"当前 PDF 组件不支持设置文本颜色。", MessageIcon::Error);
    return outcome;
  }
  int mode = ops.FPDFTextObj_GetTextRenderMode(text);
  bool fill = RenderModeShowsFill(mode), stroke = RenderModeShowsStroke(mode);
  Rgba oldFill, oldStroke;
  bool readable = (fill || stroke) &&
                  (!fill || ops.FPDFPageObj_GetFillColor(text, &oldFill.r, &oldFill.g, &oldFill.b, &oldFill.a)) &&
                  (!stroke || ops.FPDFPageObj_GetStrokeColor(text, &oldStroke.r, &oldStroke.g, &oldStroke.b, &oldStroke.a));
  if (!readable) {
    ShowMessage(kColourCaption, u"无法读取该文本的可见颜色，无法调整颜色。", MessageIcon::Error);
    return outcome;
  }
  const Rgba& shown = fill ? oldFill : oldStroke;
  std::optional<uint32_t> chosen = ChooseColour(u"设置文字颜色", shown.r | shown.g << 8 | shown.b << 16);
  if (!chosen) return outcome;
  unsigned r = *chosen & 0xFF, g = (*chosen >> 8) & 0xFF, b = (*chosen >> 16) & 0xFF;
  bool changeFill = fill && !oldFill.SameColour(*chosen);
  bool changeStroke = stroke && !oldStroke.SameColour(*chosen);
  if (changeFill && !ops.FPDFPageObj_SetFillColor(text, r, g, b, oldFill.a)) {
    ShowMessage(kColourCaption, u"无法设置文本填充颜色。", MessageIcon::Error);
    return outcome;
  }
  if (changeStroke && !ops.FPDFPageObj_SetStrokeColor(text, r, g, b, oldStroke.a)) {
    bool restored = !changeFill || ops.FPDFPageObj_SetFillColor(text, oldFill.r, oldFill.g, oldFill.b, oldFill.a);
    if (restored) {
      ShowMessage(kColourCaption, u"无法设置文本描边颜色。", MessageIcon::Error);
    } else {
      outcome.changed = true;
      ShowMessage(kColourCaption, u"无法设置描边颜色，且填充颜色未能恢复。", MessageIcon::Error);
    }
    return outcome;
  }
  outcome.changed = changeFill || changeStroke;
  return outcome;
}

bool DeleteTextObject(FPDF_PAGE page, FPDF_PAGEOBJECT text, const PdfEngine& ops) {
  if (page == nullptr || text == nullptr || !ops.FPDFPage_RemoveObject || !ops.FPDFPageObj_Destroy ||
      !ops.FPDFPage_RemoveObject(page, text)) {
    ShowMessage(u"删除文本失败", u"无法从 PDF 页面删除所选文本。", MessageIcon::Error);
    return false;
  }
  ops.FPDFPageObj_Destroy(text);  // taken back from the page: ours now
  return true;
}
