#include "editing/text_marks.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>

#include "document/session.h"
#include "document/window_hooks.h"
#include "editing/page_text_select.h"
#include "engine/engine_handles.h"
#include "engine/engine_table.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"
#include "view/tool_state.h"

namespace {

// A highlight lets the glyphs show through; lines are solid.
constexpr unsigned kHighlightAlpha = 110;

int Subtype(TextMarkKind kind) {
  switch (kind) {
    case TextMarkKind::Highlight:
      return kAnnotHighlight;
    case TextMarkKind::Underline:
      return kAnnotUnderline;
    default:
      return kAnnotStrikeOut;
  }
}

std::string Number(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", double(value));
  return text;
}

std::string Colour(uint32_t rgb) {
  return Number(float(rgb & 0xFF) / 255) + " " + Number(float(rgb >> 8 & 0xFF) / 255) + " " +
         Number(float(rgb >> 16 & 0xFF) / 255);
}

std::u16string Author() {
  for (const char* name : {"CORVAN_AUTHOR", "USER", "LOGNAME"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return Utf8ToUtf16(value);
  }
  return u"教师";
}

const char16_t* DoneText(TextMarkKind kind) {
  switch (kind) {
    case TextMarkKind::Highlight:
      return u"已添加高亮";
    case TextMarkKind::Underline:
      return u"已添加下划线";
    default:
      return u"已添加删除线";
  }
}

bool SetString(FPDF_ANNOTATION annot, const char* key, const std::u16string& value) {
  std::u16string terminated = value + u'\0';
  return g_engine.FPDFAnnot_SetStringValue(annot, key, reinterpret_cast<FPDF_WIDESTRING>(terminated.c_str())) != 0;
}

// The annotation just appended is the page's last one.
void RemoveLastAnnotation(FPDF_PAGE page) {
  int count = g_engine.FPDFPage_GetAnnotCount(page);
  if (count > 0) g_engine.FPDFPage_RemoveAnnot(page, count - 1);
}

}  // namespace

bool TextMarksAvailable() {
  return g_engine.FPDFPage_CreateAnnot != nullptr && g_engine.FPDFAnnot_SetColor != nullptr &&
         g_engine.FPDFAnnot_AppendAttachmentPoints != nullptr && g_engine.FPDFAnnot_SetRect != nullptr &&
         g_engine.FPDFAnnot_SetAP != nullptr && g_engine.FPDFAnnot_SetStringValue != nullptr &&
         g_engine.FPDFPage_CloseAnnot != nullptr && g_engine.FPDFPage_GetAnnotCount != nullptr &&
         g_engine.FPDFPage_RemoveAnnot != nullptr;
}

std::string TextMarkAppearance(TextMarkKind kind, const std::vector<TextRect>& lines, uint32_t rgb) {
  std::string content;
  if (kind == TextMarkKind::Highlight) {
    content = "/GS gs " + Colour(rgb) + " rg\n";
    for (const TextRect& r : lines) {
      content += Number(r.left) + " " + Number(r.bottom) + " " + Number(r.right - r.left) + " " +
                 Number(r.top - r.bottom) + " re f\n";
    }
    return content;
  }
  content = Colour(rgb) + " RG\n";
  for (const TextRect& r : lines) {
    float height = r.top - r.bottom;
    float width = std::max(0.5f, height * 0.07f);
    float y = kind == TextMarkKind::Underline ? r.bottom + width / 2 : r.bottom + height * 0.45f;
    content += Number(width) + " w " + Number(r.left) + " " + Number(y) + " m " + Number(r.right) + " " + Number(y) +
               " l S\n";
  }
  return content;
}

std::string PdfDate(long long secondsSince1970) {
  std::time_t moment = std::time_t(secondsSince1970);
  std::tm utc{};
  gmtime_r(&moment, &utc);
  char text[32];
  std::strftime(text, sizeof text, "D:%Y%m%d%H%M%SZ", &utc);
  return text;
}

bool AddTextMark(FPDF_PAGE page, TextMarkKind kind, const std::vector<TextRect>& lines, uint32_t rgb,
                 const std::u16string& author, const std::string& date) {
  if (page == nullptr || lines.empty() || !TextMarksAvailable()) return false;
  ScopedAnnotation annot(g_engine.FPDFPage_CreateAnnot(page, Subtype(kind)));
  if (annot == nullptr) return false;
  unsigned alpha = kind == TextMarkKind::Highlight ? kHighlightAlpha : 255;
  FS_RECTF bounds{lines[0].left, lines[0].top, lines[0].right, lines[0].bottom};
  bool ok = g_engine.FPDFAnnot_SetColor(annot.get(), kAnnotColour, rgb & 0xFF, rgb >> 8 & 0xFF, rgb >> 16 & 0xFF, alpha) != 0;
  for (const TextRect& r : lines) {
    FS_QUADPOINTSF quad{r.left, r.top, r.right, r.top, r.left, r.bottom, r.right, r.bottom};
    ok = ok && g_engine.FPDFAnnot_AppendAttachmentPoints(annot.get(), &quad) != 0;
    bounds = {std::min(bounds.left, r.left), std::max(bounds.top, r.top), std::max(bounds.right, r.right),
              std::min(bounds.bottom, r.bottom)};
  }
  bounds = {bounds.left - 1, bounds.top + 1, bounds.right + 1, bounds.bottom - 1};
  ok = ok && g_engine.FPDFAnnot_SetRect(annot.get(), &bounds) != 0;
  std::u16string appearance = Utf8ToUtf16(TextMarkAppearance(kind, lines, rgb)) + u'\0';
  ok = ok && g_engine.FPDFAnnot_SetAP(annot.get(), kAnnotAppearanceNormal,
                                      reinterpret_cast<FPDF_WIDESTRING>(appearance.c_str())) != 0;
  ok = ok && SetString(annot.get(), "T", author) && SetString(annot.get(), "M", Utf8ToUtf16(date));
  annot.reset();
  if (!ok) RemoveLastAnnotation(page);
  return ok;
}

bool MarkSelectedText(TextMarkKind kind) {
  std::vector<TextRect> lines = SelectedPageTextRects();
  if (lines.empty()) return false;
  if (!TextMarksAvailable()) {
    ShowMessage(u"标记文字", u"当前 PDFium 运行库不支持添加批注。", MessageIcon::Error);
    return false;
  }
  if (!AddTextMark(g_session.currentPage, kind, lines, g_tool.drawColor, Author(), PdfDate(std::time(nullptr)))) {
    ShowMessage(u"标记文字", u"无法在此页添加标记。", MessageIcon::Error);
    return false;
  }
  MarkModified();
  g_session.statusText = DoneText(kind);
  g_window.changed(Change::PageContent);
  g_window.changed(Change::Status);
  return true;
}

int g_menuTextMark = -1;

namespace {

bool IsTextMark(int subtype) {
  return subtype == kAnnotHighlight || subtype == kAnnotUnderline || subtype == kAnnotStrikeOut;
}

TextMarkKind KindOf(int subtype) {
  return subtype == kAnnotHighlight ? TextMarkKind::Highlight
                                    : subtype == kAnnotUnderline ? TextMarkKind::Underline : TextMarkKind::StrikeOut;
}

// Each quadrilateral as the box around its corners.
std::vector<TextRect> MarkLines(FPDF_ANNOTATION annot) {
  std::vector<TextRect> lines;
  size_t count = g_engine.FPDFAnnot_CountAttachmentPoints(annot);
  for (size_t i = 0; i < count; ++i) {
    FS_QUADPOINTSF q{};
    if (!g_engine.FPDFAnnot_GetAttachmentPoints(annot, i, &q)) continue;
    lines.push_back({std::min({q.x1, q.x2, q.x3, q.x4}), std::max({q.y1, q.y2, q.y3, q.y4}),
                     std::max({q.x1, q.x2, q.x3, q.x4}), std::min({q.y1, q.y2, q.y3, q.y4})});
  }
  return lines;
}

bool MarkEditingAvailable() {
  return TextMarksAvailable() && g_engine.FPDFPage_GetAnnot != nullptr && g_engine.FPDFAnnot_GetSubtype != nullptr &&
         g_engine.FPDFAnnot_CountAttachmentPoints != nullptr && g_engine.FPDFAnnot_GetAttachmentPoints != nullptr;
}

void MarkChanged(const char16_t* done) {
  g_menuTextMark = -1;
  MarkModified();
  g_session.statusText = done;
  g_window.changed(Change::PageContent);
  g_window.changed(Change::Status);
}

}  // namespace

int TextMarkAt(FPDF_PAGE page, float x, float y) {
  if (page == nullptr || !MarkEditingAvailable()) return -1;
  for (int i = g_engine.FPDFPage_GetAnnotCount(page) - 1; i >= 0; --i) {
    ScopedAnnotation annot(g_engine.FPDFPage_GetAnnot(page, i));
    if (annot == nullptr || !IsTextMark(g_engine.FPDFAnnot_GetSubtype(annot.get()))) continue;
    for (const TextRect& r : MarkLines(annot.get())) {
      if (x >= r.left && x <= r.right && y >= r.bottom && y <= r.top) return i;
    }
  }
  return -1;
}

bool DeleteMenuTextMark() {
  FPDF_PAGE page = g_session.currentPage;
  if (page == nullptr || g_menuTextMark < 0 || !MarkEditingAvailable()) return false;
  if (!g_engine.FPDFPage_RemoveAnnot(page, g_menuTextMark)) return false;
  MarkChanged(u"已删除标记");
  return true;
}

bool RecolourMenuTextMark() {
  FPDF_PAGE page = g_session.currentPage;
  if (page == nullptr || g_menuTextMark < 0 || !MarkEditingAvailable() || g_platform.chooseColour == nullptr) return false;
  ScopedAnnotation annot(g_engine.FPDFPage_GetAnnot(page, g_menuTextMark));
  if (annot == nullptr) return false;
  int subtype = g_engine.FPDFAnnot_GetSubtype(annot.get());
  if (!IsTextMark(subtype)) return false;
  std::optional<uint32_t> rgb = g_platform.chooseColour(u"标记颜色", g_tool.drawColor);
  if (!rgb) return false;
  TextMarkKind kind = KindOf(subtype);
  unsigned alpha = kind == TextMarkKind::Highlight ? kHighlightAlpha : 255;
  std::vector<TextRect> lines = MarkLines(annot.get());
  std::u16string appearance = Utf8ToUtf16(TextMarkAppearance(kind, lines, *rgb)) + u'\0';
  // The engine refuses a colour while an appearance is there: it goes first and comes back.
  bool ok = !lines.empty() && g_engine.FPDFAnnot_SetAP(annot.get(), kAnnotAppearanceNormal, nullptr) &&
            g_engine.FPDFAnnot_SetColor(annot.get(), kAnnotColour, *rgb & 0xFF, *rgb >> 8 & 0xFF, *rgb >> 16 & 0xFF, alpha) &&
            g_engine.FPDFAnnot_SetAP(annot.get(), kAnnotAppearanceNormal,
                                     reinterpret_cast<FPDF_WIDESTRING>(appearance.c_str()));
  if (!ok) {
    ShowMessage(u"标记颜色", u"无法修改此标记的颜色。", MessageIcon::Error);
    return false;
  }
  MarkChanged(u"标记颜色已修改");
  return true;
}
