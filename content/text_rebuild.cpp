#include "content/text_rebuild.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "content/font_table.h"
#include "content/glyph_coverage.h"
#include "content/subset_name.h"
#include "content/text_objects.h"
#include "engine/engine_handles.h"
#include "platform/file_system.h"
#include "platform/text_encoding.h"

namespace {

FPDF_WIDESTRING Wide(const std::u16string& text) { return reinterpret_cast<FPDF_WIDESTRING>(text.c_str()); }

std::u16string WithoutWhiteSpace(const std::u16string& text) {
  std::u16string kept;
  for (char16_t c : text) {
    if (!IsWhiteSpace(c)) kept.push_back(c);
  }
  return kept;
}

// Line ends and runs of white space read back as one space; none at either end.
std::u16string WithSpacesFolded(const std::u16string& text) {
  std::u16string folded;
  bool gap = false;
  for (char16_t c : text) {
    if (IsWhiteSpace(c)) {
      gap = !folded.empty();
      continue;
    }
    if (gap) folded.push_back(u' ');
    gap = false;
    folded.push_back(c);
  }
  return folded;
}

// A UTF-16 value of the engine's two-call form (size first, then the text); nothing on failure.
template <typename Read>
std::optional<std::u16string> ReadUtf16(Read read) {
  unsigned long needed = 0;
  if (!read(nullptr, 0, &needed) || needed < 2 || needed % 2 != 0) return std::nullopt;
  std::vector<FPDF_WCHAR> buffer(needed / 2, 0);
  unsigned long written = 0;
  if (!read(buffer.data(), needed, &written) || written != needed) return std::nullopt;
  return std::u16string(buffer.begin(), buffer.end() - 1);
}

int IndexOnPage(FPDF_PAGE page, FPDF_PAGEOBJECT object, const PdfEngine& ops) {
  int count = ops.FPDFPage_CountObjects(page);
  for (int i = 0; i < count; ++i) {
    if (ops.FPDFPage_GetObject(page, i) == object) return i;
  }
  return -1;
}

bool TakeOff(FPDF_PAGE page, FPDF_PAGEOBJECT object, const PdfEngine& ops) {
  if (!ops.FPDFPage_RemoveObject(page, object)) return false;
  ops.FPDFPageObj_Destroy(object);  // handed back by the removal
  return true;
}

constexpr int kNumberParam = 2, kStringParam = 3;

// Copies every mark with its number and string parameters; false when one cannot be copied
// exactly (a name, array or dictionary parameter, or an engine refusal).
bool CopyMarks(FPDF_DOCUMENT document, FPDF_PAGEOBJECT from, FPDF_PAGEOBJECT to, const PdfEngine& ops) {
  int marks = ops.FPDFPageObj_CountMarks ? ops.FPDFPageObj_CountMarks(from) : 0;
  if (marks < 0) return false;
  if (marks > 0 && !(ops.FPDFPageObj_GetMark && ops.FPDFPageObjMark_GetName && ops.FPDFPageObj_AddMark &&
                     ops.FPDFPageObjMark_CountParams)) {
    return false;
  }
  for (int i = 0; i < marks; ++i) {
    FPDF_PAGEOBJECTMARK mark = ops.FPDFPageObj_GetMark(from, unsigned(i));
    if (mark == nullptr) return false;
    auto name = ReadUtf16([&](FPDF_WCHAR* b, unsigned long n, unsigned long* out) {
      return ops.FPDFPageObjMark_GetName(mark, b, n, out);
    });
    auto name8 = name ? Utf16ToUtf8(*name) : std::nullopt;
    if (!name8) return false;
    FPDF_PAGEOBJECTMARK copy = ops.FPDFPageObj_AddMark(to, name8->c_str());
    int params = ops.FPDFPageObjMark_CountParams(mark);
    if (copy == nullptr || params < 0) return false;
    for (int p = 0; p < params; ++p) {
      if (!ops.FPDFPageObjMark_GetParamKey || !ops.FPDFPageObjMark_GetParamValueType) return false;
      auto key = ReadUtf16([&](FPDF_WCHAR* b, unsigned long n, unsigned long* out) {
        return ops.FPDFPageObjMark_GetParamKey(mark, unsigned(p), b, n, out);
      });
      auto key8 = key ? Utf16ToUtf8(*key) : std::nullopt;
      if (!key8) return false;
      int type = ops.FPDFPageObjMark_GetParamValueType(mark, key8->c_str());
      bool copied = false;
      if (type == kNumberParam && ops.FPDFPageObjMark_GetParamIntValue && ops.FPDFPageObjMark_SetIntParam) {
        int value = 0;
        copied = ops.FPDFPageObjMark_GetParamIntValue(mark, key8->c_str(), &value) &&
                 ops.FPDFPageObjMark_SetIntParam(document, to, copy, key8->c_str(), value);
      } else if (type == kStringParam && ops.FPDFPageObjMark_GetParamStringValue && ops.FPDFPageObjMark_SetStringParam) {
        auto value = ReadUtf16([&](FPDF_WCHAR* b, unsigned long n, unsigned long* out) {
          return ops.FPDFPageObjMark_GetParamStringValue(mark, key8->c_str(), b, n, out);
        });
        auto value8 = value ? Utf16ToUtf8(*value) : std::nullopt;
        copied = value8 && ops.FPDFPageObjMark_SetStringParam(document, to, copy, key8->c_str(), value8->c_str());
      }
      if (!copied) return false;
    }
  }
  return true;
}

// Everything the reader sees of the text besides its content; false when something could not
// be carried over.
bool CopyLook(FPDF_DOCUMENT document, FPDF_PAGEOBJECT from, FPDF_PAGEOBJECT to, const PdfEngine& ops) {
  FS_MATRIX m{};
  unsigned r = 0, g = 0, b = 0, a = 0;
  float width = 0;
  int mode = ops.FPDFTextObj_GetTextRenderMode(from);
  return ops.FPDFPageObj_GetMatrix(from, &m) && ops.FPDFPageObj_SetMatrix(to, &m) &&
         ops.FPDFPageObj_GetFillColor(from, &r, &g, &b, &a) && ops.FPDFPageObj_SetFillColor(to, r, g, b, a) &&
         ops.FPDFPageObj_GetStrokeColor(from, &r, &g, &b, &a) && ops.FPDFPageObj_SetStrokeColor(to, r, g, b, a) &&
         ops.FPDFPageObj_GetStrokeWidth(from, &width) && ops.FPDFPageObj_SetStrokeWidth(to, width) && mode >= 0 &&
         ops.FPDFTextObj_SetTextRenderMode(to, mode) && CopyMarks(document, from, to, ops);
}

bool HasRebuildEntries(const PdfEngine& ops) {
  return ops.FPDFTextObj_GetFont && ops.FPDFFont_GetBaseFontName && ops.FPDFTextObj_GetFontSize &&
         ops.FPDFPageObj_CreateTextObj && ops.FPDFText_SetText && ops.FPDFPageObj_GetMatrix &&
         ops.FPDFPageObj_SetMatrix && ops.FPDFPageObj_GetFillColor && ops.FPDFPageObj_SetFillColor &&
         ops.FPDFTextObj_GetTextRenderMode && ops.FPDFTextObj_SetTextRenderMode && ops.FPDFPage_InsertObjectAtIndex &&
         ops.FPDFText_LoadPage && ops.FPDFText_ClosePage && ops.FPDFTextObj_GetText;
}

bool HasClip(FPDF_PAGEOBJECT text, const PdfEngine& ops) {
  if (!ops.FPDFPageObj_GetClipPath || !ops.FPDFClipPath_CountPaths) return true;  // cannot tell: assume so
  FPDF_CLIPPATH clip = ops.FPDFPageObj_GetClipPath(text);
  return clip != nullptr && ops.FPDFClipPath_CountPaths(clip) > 0;
}

}  // namespace

bool TextReadsBackAs(FPDF_PAGE page, FPDF_PAGEOBJECT text, const std::u16string& expected, const PdfEngine& ops) {
  ScopedTextPage textPage(ops.FPDFText_LoadPage(page));
  if (textPage == nullptr) return false;
  std::optional<std::u16string> content = ReadTextContent(textPage.get(), text, ops);
  return content && WithSpacesFolded(*content) == WithSpacesFolded(expected);
}

ProbeResult ProbeTextContent(FPDF_DOCUMENT document, FPDF_PAGE page, FPDF_PAGEOBJECT text,
                             const std::u16string& content, const PdfEngine& ops, bool* spacesLost) {
  if (spacesLost != nullptr) *spacesLost = false;
  float size = 0;
  FPDF_FONT font = ops.FPDFTextObj_GetFont ? ops.FPDFTextObj_GetFont(text) : nullptr;
  if (document == nullptr || font == nullptr || !ops.FPDFPageObj_CreateTextObj || !ops.FPDFTextObj_GetFontSize ||
      !ops.FPDFTextObj_GetFontSize(text, &size)) {
    return ProbeResult::Failed;
  }
  if (!CharactersFontCannotWrite(font, content, ops).empty()) return ProbeResult::FontLacks;
  ScopedPageObject owned(ops.FPDFPageObj_CreateTextObj(document, font, size));
  if (owned == nullptr) return ProbeResult::Failed;
  if (!ops.FPDFText_SetText(owned.get(), Wide(content))) return ProbeResult::FontLacks;
  int before = ops.FPDFPage_CountObjects(page);
  FPDF_PAGEOBJECT probe = owned.release();
  ops.FPDFPage_InsertObject(page, probe);  // the page owns it from here, even on failure
  int after = ops.FPDFPage_CountObjects(page);
  if (after != before + 1 || ops.FPDFPage_GetObject(page, after - 1) != probe) {
    return after == before ? ProbeResult::Failed : ProbeResult::PageTouched;
  }
  bool readsBack = TextReadsBackAs(page, probe, content, ops);
  if (!readsBack && spacesLost != nullptr) {
    // Every visible character came back but the spaces did not: the font has no space glyph
    // (TeX spaces words by kerning), and the engine would write code 0 in their place.
    ScopedTextPage textPage(ops.FPDFText_LoadPage(page));
    std::optional<std::u16string> read = ReadTextContent(textPage.get(), probe, ops);
    *spacesLost = read && WithoutWhiteSpace(*read) == WithoutWhiteSpace(content);
  }
  if (!TakeOff(page, probe, ops)) return ProbeResult::PageTouched;
  return readsBack ? ProbeResult::ReadsBack : ProbeResult::FontLacks;
}

bool RewritingKeepsSpacing(FPDF_DOCUMENT document, FPDF_PAGEOBJECT text, const std::u16string& content,
                           const PdfEngine& ops) {
  float size = 0;
  FS_MATRIX m{};
  float left = 0, bottom = 0, right = 0, top = 0;
  FPDF_FONT font = ops.FPDFTextObj_GetFont ? ops.FPDFTextObj_GetFont(text) : nullptr;
  if (document == nullptr || font == nullptr || !ops.FPDFPageObj_CreateTextObj || !ops.FPDFTextObj_GetFontSize ||
      !ops.FPDFPageObj_GetMatrix || !ops.FPDFPageObj_SetMatrix || !ops.FPDFPageObj_GetBounds ||
      !ops.FPDFTextObj_GetFontSize(text, &size) || !ops.FPDFPageObj_GetMatrix(text, &m) ||
      !ops.FPDFPageObj_GetBounds(text, &left, &bottom, &right, &top)) {
    return false;
  }
  // The same content written again by the engine, off the page, where the original is.
  ScopedPageObject again(ops.FPDFPageObj_CreateTextObj(document, font, size));
  float aLeft = 0, aBottom = 0, aRight = 0, aTop = 0;
  if (again == nullptr || !ops.FPDFText_SetText(again.get(), Wide(content)) || !ops.FPDFPageObj_SetMatrix(again.get(), &m) ||
      !ops.FPDFPageObj_GetBounds(again.get(), &aLeft, &aBottom, &aRight, &aTop)) {
    return false;
  }
  float width = std::max(right - left, top - bottom);
  float tolerance = std::max(0.5f, 0.005f * width);
  return std::abs(aLeft - left) <= tolerance && std::abs(aRight - right) <= tolerance &&
         std::abs(aBottom - bottom) <= tolerance && std::abs(aTop - top) <= tolerance;
}

std::optional<std::u16string> EditorFontOf(FPDF_PAGEOBJECT text, const PdfEngine& ops) {
  FPDF_FONT font = ops.FPDFTextObj_GetFont ? ops.FPDFTextObj_GetFont(text) : nullptr;
  if (font == nullptr || !ops.FPDFFont_GetBaseFontName) return std::nullopt;
  size_t needed = ops.FPDFFont_GetBaseFontName(font, nullptr, 0);
  if (needed < 2 || needed > 256) return std::nullopt;
  std::string name(needed, '\0');
  if (ops.FPDFFont_GetBaseFontName(font, name.data(), needed) != needed) return std::nullopt;
  name.resize(needed - 1);
  if (WithoutSubsetTag(name) == name) return std::nullopt;  // the editor only embeds tagged subsets
  for (const auto& entry : FontTable()) {
    auto bytes = ReadWholeFile(FontFolder() + u"/" + Utf8ToUtf16(entry.fileName));
    if (bytes && PostScriptName(*bytes) == WithoutSubsetTag(name)) return std::u16string(entry.displayName);
  }
  return std::nullopt;
}

RebuildResult RebuildTextWithNewSubset(FPDF_DOCUMENT document, FPDF_PAGE page, FPDF_PAGEOBJECT text,
                                       const std::u16string& content, const PdfEngine& ops) {
  RebuildResult result;
  if (document == nullptr || !HasRebuildEntries(ops) || HasClip(text, ops)) return result;
  int index = IndexOnPage(page, text, ops);
  std::optional<std::u16string> face = EditorFontOf(text, ops);
  float size = 0;
  if (index < 0 || !face || !ops.FPDFTextObj_GetFontSize(text, &size)) return result;
  FPDF_FONT font = GetFontByName(*face, content, true);
  if (font == nullptr) return result;
  result.missing = CharactersFontCannotWrite(font, content, ops);
  if (!result.missing.empty()) return result;
  ScopedPageObject owned(ops.FPDFPageObj_CreateTextObj(document, font, size));
  if (owned == nullptr) return result;
  if (!ops.FPDFText_SetText(owned.get(), Wide(content)) || !CopyLook(document, text, owned.get(), ops)) return result;
  // Placed just before the old object, so it takes its place in the page order.
  FPDF_PAGEOBJECT fresh = owned.release();
  bool inserted = ops.FPDFPage_InsertObjectAtIndex(page, fresh, size_t(index));  // the page owns it now
  if (!inserted || ops.FPDFPage_GetObject(page, index) != fresh || ops.FPDFPage_GetObject(page, index + 1) != text) {
    result.pageTouched = IndexOnPage(page, fresh, ops) >= 0 && !TakeOff(page, fresh, ops);
    return result;
  }
  if (!TextReadsBackAs(page, fresh, content, ops) || !TakeOff(page, text, ops)) {
    result.pageTouched = !TakeOff(page, fresh, ops);
    return result;
  }
  result.replacement = fresh;
  return result;
}
