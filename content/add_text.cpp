#include "content/add_text.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "content/font_table.h"
#include "content/glyph_coverage.h"
#include "content/text_rules.h"
#include "document/session.h"
#include "document/window_hooks.h"
#include "engine/engine_handles.h"
#include "engine/page_box.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"

TextToolSettings g_textSettings;

namespace {

bool HasWritingEntries(const PdfOps& ops) {
  return ops.FPDFPageObj_CreateTextObj && ops.FPDFText_SetText && ops.FPDFPageObj_SetFillColor &&
         ops.FPDFPageObj_Transform && ops.FPDFPageObj_Destroy && ops.FPDFPage_InsertObject &&
         ops.FPDFPage_CountObjects && ops.FPDFPage_GetObject && ops.FPDFPage_RemoveObject &&
         ops.FPDFPage_GenerateContent;
}

// The characters the font subset must hold: each one once.
std::u16string DistinctCharacters(const std::vector<std::u16string>& lines) {
  std::u16string all;
  for (const auto& line : lines) all += line;
  std::sort(all.begin(), all.end());
  all.erase(std::unique(all.begin(), all.end()), all.end());
  return all;
}

ScopedPageObject MakeLine(const TextToolContext& ctx, FPDF_FONT font, float size, uint32_t colour,
                          const std::u16string& line, const FS_MATRIX& m) {
  const PdfOps& ops = ctx.ops;
  ScopedPageObject text(ops.FPDFPageObj_CreateTextObj(ctx.document, font, size));
  if (text == nullptr) return nullptr;
  std::u16string terminated = line + u'\0';
  bool ok = ops.FPDFText_SetText(text.get(), reinterpret_cast<FPDF_WIDESTRING>(terminated.c_str())) &&
            ops.FPDFPageObj_SetFillColor(text.get(), colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF, 255);
  if (!ok) return nullptr;
  ops.FPDFPageObj_Transform(text.get(), m.a, m.b, m.c, m.d, m.e, m.f);
  return text;
}

void Announce(const TextToolContext& ctx, bool generated) {
  if (ctx.textAdded != nullptr) ctx.textAdded(generated);
}

void PageChanged(const TextToolContext& ctx) {
  if (ctx.pageChanged != nullptr) ctx.pageChanged();
}

}  // namespace

bool FontWritesEvery(FPDF_FONT font, const std::u16string& characters, const PdfOps& ops) {
  std::u16string missing = CharactersFontCannotWrite(font, characters, ops);
  if (missing.empty()) return true;
  ShowMessage(kTextNotAddedCaption,
              FillPlaceholders(u"所选字体中没有这些字符，无法写入：%s。文本未添加。", {NameCharacters(missing)}),
              MessageIcon::Warning);
  return false;
}

bool AddTextLines(const TextToolContext& ctx, PagePoint anchor, const std::u16string& text,
                  const std::u16string& fontName, float size, uint32_t colour) {
  const PdfOps& ops = ctx.ops;
  if (ctx.document == nullptr || ctx.page == nullptr || !HasWritingEntries(ops) || ctx.fontByName == nullptr) {
    return false;
  }
  if (!std::isfinite(anchor.x) || !std::isfinite(anchor.y) || !std::isfinite(size) || size <= 0) return false;
  auto lines = SplitTextLines(text);
  if (!lines) return false;
  FPDF_FONT font = ctx.fontByName(fontName, DistinctCharacters(*lines), false);
  std::u16string typed;  // in typing order: characters beyond 16 bits stay whole
  for (const auto& line : *lines) typed += line;
  if (font == nullptr || !FontWritesEvery(font, typed, ops)) return false;
  // Lines stack downwards as the user sees the page: work in displayed coordinates.
  PagePoint at = PageToDisplayed(ctx.frame, anchor.x, anchor.y);
  auto baselines = LineBaselines(lines->size(), size, ctx.frame.DisplayedHeight(), at.y);
  if (!baselines) return false;

  std::vector<ScopedPageObject> made;
  for (size_t i = 0; i < lines->size(); ++i) {
    if ((*lines)[i].empty()) continue;  // keeps its slot, makes nothing
    ScopedPageObject object = MakeLine(ctx, font, size, colour, (*lines)[i], UprightMatrix(ctx.frame, at.x, (*baselines)[i]));
    if (object == nullptr) return false;
    made.push_back(std::move(object));
  }
  int before = ops.FPDFPage_CountObjects(ctx.page);
  if (before < 0) return false;
  std::vector<FPDF_PAGEOBJECT> placed;  // in the page and checked
  size_t inserted = 0;
  bool countGrew = false;
  for (; inserted < made.size(); ++inserted) {
    FPDF_PAGEOBJECT object = made[inserted].release();
    ops.FPDFPage_InsertObject(ctx.page, object);  // the page owns it from here, even on failure
    int count = ops.FPDFPage_CountObjects(ctx.page);
    int expected = before + int(inserted) + 1;
    if (count != expected || ops.FPDFPage_GetObject(ctx.page, expected - 1) != object) {
      countGrew = count > expected - 1;
      break;
    }
    placed.push_back(object);
  }
  if (inserted == made.size()) {
    PageChanged(ctx);
    bool generated = ops.FPDFPage_GenerateContent(ctx.page) != 0;
    Announce(ctx, generated);
    return generated;
  }

  // Broken off at object `inserted`: what went in comes out, what never went in is freed;
  // the broken object itself belongs to the page.
  bool removalFailed = false;
  for (FPDF_PAGEOBJECT object : placed) {
    if (ops.FPDFPage_RemoveObject(ctx.page, object)) {
      ops.FPDFPageObj_Destroy(object);
    } else {
      removalFailed = true;
    }
  }
  made.clear();
  if (removalFailed || countGrew) {
    PageChanged(ctx);
    ops.FPDFPage_GenerateContent(ctx.page);
    Announce(ctx, false);
    ShowMessage(u"文本插入失败", u"文本插入失败，页面可能已改变，请检查或撤销。", MessageIcon::Warning);
  }
  return false;
}
