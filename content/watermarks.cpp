#include "content/watermarks.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <optional>
#include <random>
#include <utility>
#include <vector>

#include "engine/engine_handles.h"
#include "engine/page_box.h"
#include "platform/text_encoding.h"

WatermarkOps WatermarkOpsFromEngine() {
  WatermarkOps ops;
#define CORVAN_WATERMARK_COPY(slot) ops.slot = g_engine.slot;
  CORVAN_WATERMARK_OPS(CORVAN_WATERMARK_COPY)
#undef CORVAN_WATERMARK_COPY
  return ops;
}

bool IsWatermarkTableUsable(const WatermarkOps& o) {
  return o.FPDF_GetPageCount && o.FPDF_LoadPage && o.FPDF_ClosePage && o.FPDF_GetPageWidthF &&
         o.FPDF_GetPageHeightF && o.FPDFPage_CountObjects && o.FPDFPage_GetObject && o.FPDFPage_InsertObject &&
         o.FPDFPage_RemoveObject && o.FPDFPage_GenerateContent && o.FPDFPageObj_Destroy &&
         o.FPDFPageObj_CreateTextObj && o.FPDFText_SetText && o.FPDFPageObj_SetFillColor &&
         o.FPDFPageObj_Transform && o.FPDFPageObj_GetBounds && o.FPDFPageObj_AddMark && o.FPDFPageObj_CountMarks &&
         o.FPDFPageObj_GetMark && o.FPDFPageObjMark_GetName;
}

std::string MakeWatermarkRunMark() {
  unsigned char bytes[16];
  try {
    std::random_device random;
    for (int i = 0; i < 16; i += 4) {
      uint32_t word = random();
      for (int k = 0; k < 4; ++k) bytes[i + k] = static_cast<unsigned char>(word >> (8 * k));
    }
  } catch (...) {
    return {};
  }
  bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);  // a version-4 (random) GUID
  bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);
  unsigned long data1 = (unsigned long)bytes[0] << 24 | bytes[1] << 16 | bytes[2] << 8 | bytes[3];
  unsigned data2 = bytes[4] << 8 | bytes[5];
  unsigned data3 = bytes[6] << 8 | bytes[7];
  char text[80];
  int length = std::snprintf(text, sizeof text, "%s%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X",
                             kWatermarkMarkPrefix, data1, data2, data3, bytes[8], bytes[9], bytes[10], bytes[11],
                             bytes[12], bytes[13], bytes[14], bytes[15]);
  if (length < 1 || length > 79) return {};
  return std::string(text, size_t(length));
}

namespace {

std::u16string PageMessage(const char16_t* prefix, int index, const char16_t* suffix) {
  return prefix + Num(index + 1) + suffix;
}

// A page of the run: the current page as it is, any other loaded for the run.
struct RunPage {
  FPDF_PAGE page = nullptr;
  ScopedPage loaded;
};

RunPage OpenRunPage(const WatermarkOps& ops, FPDF_DOCUMENT document, FPDF_PAGE currentPage, int currentIndex,
                    int index) {
  if (currentPage != nullptr && index == currentIndex) return {currentPage, nullptr};
  ScopedPage loaded(ops.FPDF_LoadPage(document, index));
  FPDF_PAGE page = loaded.get();
  return {page, std::move(loaded)};
}

std::optional<std::u16string> MarkName(const WatermarkOps& ops, FPDF_PAGEOBJECTMARK mark) {
  unsigned long needed = 0;
  if (!ops.FPDFPageObjMark_GetName(mark, nullptr, 0, &needed) || needed < 2) return std::nullopt;
  std::vector<FPDF_WCHAR> buffer(needed / 2 + 1, 0);
  unsigned long written = 0;
  if (!ops.FPDFPageObjMark_GetName(mark, buffer.data(), buffer.size() * 2, &written) || written != needed) {
    return std::nullopt;
  }
  return std::u16string(buffer.begin(), buffer.begin() + (needed / 2 - 1));
}

// An artifact mark whose /Subtype is the name /Watermark; a string "Watermark" does not count.
bool IsWatermarkArtifact(const WatermarkOps& ops, FPDF_PAGEOBJECTMARK mark) {
  constexpr int kNameType = 4;
  if (!ops.FPDFPageObjMark_GetParamValueType || !ops.FPDFPageObjMark_GetParamStringValue) return false;
  if (ops.FPDFPageObjMark_GetParamValueType(mark, "Subtype") != kNameType) return false;
  FPDF_WCHAR value[16] = {};
  unsigned long needed = 0;
  if (!ops.FPDFPageObjMark_GetParamStringValue(mark, "Subtype", value, sizeof value, &needed)) return false;
  return needed == sizeof(u"Watermark") && std::u16string(value, value + 9) == u"Watermark";
}

enum class Recognition { Watermark, Other, Unreadable };

Recognition RecogniseWatermark(const WatermarkOps& ops, FPDF_PAGEOBJECT object, const std::u16string* runMark) {
  static const std::u16string prefix = Utf8ToUtf16(kWatermarkMarkPrefix);
  int marks = ops.FPDFPageObj_CountMarks(object);
  if (marks < 0) return Recognition::Unreadable;
  for (int i = 0; i < marks; ++i) {
    FPDF_PAGEOBJECTMARK mark = ops.FPDFPageObj_GetMark(object, static_cast<unsigned long>(i));
    if (mark == nullptr) return Recognition::Unreadable;
    std::optional<std::u16string> name = MarkName(ops, mark);
    if (!name) return Recognition::Unreadable;
    if (runMark != nullptr) {
      if (*name == *runMark) return Recognition::Watermark;
    } else if (name->size() >= prefix.size() && name->compare(0, prefix.size(), prefix) == 0) {
      return Recognition::Watermark;
    } else if (*name == u"Artifact" && IsWatermarkArtifact(ops, mark)) {
      return Recognition::Watermark;
    }
  }
  return Recognition::Other;
}

bool HasAnnotationEntries(const WatermarkOps& ops) {
  return ops.FPDFPage_GetAnnotCount && ops.FPDFPage_GetAnnot && ops.FPDFPage_CloseAnnot && ops.FPDFPage_RemoveAnnot &&
         ops.FPDFAnnot_GetSubtype;
}

// The handle is closed again before the annotation may be removed.
std::optional<int> AnnotationSubtype(const WatermarkOps& ops, FPDF_PAGE page, int i) {
  ScopedAnnotation annotation(ops.FPDFPage_GetAnnot(page, i));
  if (annotation == nullptr) return std::nullopt;
  return ops.FPDFAnnot_GetSubtype(annotation.get());
}

// Removes the watermark annotations of one page, last to first; nothing on success.
std::optional<std::u16string> RemoveWatermarkAnnotations(const WatermarkOps& ops, FPDF_PAGE page, int index,
                                                         int& removed) {
  int count = ops.FPDFPage_GetAnnotCount(page);
  if (count < 0) return PageMessage(u"无法读取第 ", index, u" 页的批注。");
  for (int i = count - 1; i >= 0; --i) {
    std::optional<int> subtype = AnnotationSubtype(ops, page, i);
    if (!subtype) return PageMessage(u"无法读取第 ", index, u" 页的批注内容。");
    if (*subtype != kWatermarkAnnotationSubtype) continue;
    if (!ops.FPDFPage_RemoveAnnot(page, i)) return PageMessage(u"无法删除第 ", index, u" 页的水印批注。");
    ++removed;
  }
  return std::nullopt;
}

// Removes the watermark objects of one page (the caller owns nothing afterwards); nothing on success.
std::optional<std::u16string> RemoveWatermarkObjects(const WatermarkOps& ops, FPDF_PAGE page, int index,
                                                     int objectCount, const std::u16string* runMark, int& removed) {
  std::vector<FPDF_PAGEOBJECT> found;
  for (int i = 0; i < objectCount; ++i) {
    FPDF_PAGEOBJECT object = ops.FPDFPage_GetObject(page, i);
    if (object == nullptr) return PageMessage(u"无法读取第 ", index, u" 页的图形对象。");
    Recognition recognition = RecogniseWatermark(ops, object, runMark);
    if (recognition == Recognition::Unreadable) return PageMessage(u"无法识别第 ", index, u" 页的水印标记。");
    if (recognition == Recognition::Watermark) found.push_back(object);
  }
  int removedHere = 0;
  std::optional<std::u16string> failure;
  for (FPDF_PAGEOBJECT object : found) {
    if (!ops.FPDFPage_RemoveObject(page, object)) {
      failure = PageMessage(u"无法删除第 ", index, u" 页的水印对象。");
      break;
    }
    ops.FPDFPageObj_Destroy(object);  // handed back by the removal
    ++removedHere;
    ++removed;
  }
  // What was taken off must reach the content stream even when a later removal failed.
  if (removedHere > 0 && !ops.FPDFPage_GenerateContent(page) && !failure) {
    failure = PageMessage(u"第 ", index, u" 页水印已删除，但 PDF 页面内容更新失败。");
  }
  return failure;
}

// The watermark text object of one page, placed and inserted; nothing on success. On failure the
// object is destroyed unless the page already owns it.
std::optional<std::u16string> AddToPage(const WatermarkOps& ops, FPDF_DOCUMENT document, FPDF_PAGE page, int index,
                                        FPDF_FONT font, const std::u16string& text, float size,
                                        const std::string& runMark) {
  ScopedPageObject owned(ops.FPDFPageObj_CreateTextObj(document, font, size));
  FPDF_PAGEOBJECT object = owned.get();
  float width = ops.FPDF_GetPageWidthF(page);
  float height = ops.FPDF_GetPageHeightF(page);
  if (object == nullptr || !(width > 0) || !(height > 0) ||
      !ops.FPDFText_SetText(object, reinterpret_cast<FPDF_WIDESTRING>(text.c_str())) ||
      !ops.FPDFPageObj_SetFillColor(object, kWatermarkGrey, kWatermarkGrey, kWatermarkGrey, kWatermarkAlpha)) {
    return PageMessage(u"无法创建第 ", index, u" 页的水印文字。");
  }
  if (ops.FPDFPageObj_AddMark(object, runMark.c_str()) == nullptr) {
    return PageMessage(u"无法标记第 ", index, u" 页的水印对象。");
  }

  // 45° counter-clockwise as the page is shown: a turned page turns the text with it.
  int quarterTurns = ops.FPDFPage_GetRotation ? ops.FPDFPage_GetRotation(page) : 0;
  if (quarterTurns < 0 || quarterTurns > 3) quarterTurns = 0;
  double angle = (45.0 + 90.0 * quarterTurns) * std::numbers::pi / 180.0;
  ops.FPDFPageObj_Transform(object, std::cos(angle), std::sin(angle), -std::sin(angle), std::cos(angle), 0, 0);

  float left = 0, bottom = 0, right = 0, top = 0;
  if (!ops.FPDFPageObj_GetBounds(object, &left, &bottom, &right, &top)) {
    return PageMessage(u"无法计算第 ", index, u" 页的水印位置。");
  }
  // Centred on what is shown: the crop box, which need not start at (0, 0).
  PageBox shown = DisplayedPageBox(page);
  ops.FPDFPageObj_Transform(object, 1, 0, 0, 1, (shown.left + shown.right - left - right) * 0.5,
                            (shown.bottom + shown.top - bottom - top) * 0.5);

  // The page owns the object from here on, even when the insertion fails.
  int before = ops.FPDFPage_CountObjects(page);
  ops.FPDFPage_InsertObject(page, owned.release());
  int after = ops.FPDFPage_CountObjects(page);
  if (after != before + 1 || ops.FPDFPage_GetObject(page, after - 1) != object) {
    return PageMessage(u"无法将水印添加到第 ", index, u" 页。");
  }
  if (!ops.FPDFPage_GenerateContent(page)) {
    return PageMessage(u"第 ", index, u" 页水印已加入，但 PDF 页面内容生成失败。");
  }
  return std::nullopt;
}

}  // namespace

std::optional<WatermarkOutcome> PrepareWatermarkAdd(WatermarkAddRun& run) {
  WatermarkOutcome refused;
  if (!IsWatermarkTableUsable(run.ops)) {
    refused.message = u"当前 PDFium 运行库不支持添加或识别水印。";
    return refused;
  }
  if (run.document == nullptr || run.font == nullptr || run.text.empty() || !std::isfinite(run.size) ||
      run.size < kWatermarkMinSize || run.size > kWatermarkMaxSize) {
    refused.message = u"水印文字或字号无效。";
    return refused;
  }
  run.runMark = MakeWatermarkRunMark();
  if (run.runMark.empty()) {
    refused.message = u"无法生成本次水印的唯一标记。";
    return refused;
  }
  run.pageCount = run.ops.FPDF_GetPageCount(run.document);
  if (run.pageCount < 1) {
    refused.message = u"当前 PDF 没有可添加水印的页面。";
    return refused;
  }
  return std::nullopt;
}

std::optional<std::u16string> AddWatermarkToPage(const WatermarkAddRun& run, int index) {
  RunPage page = OpenRunPage(run.ops, run.document, run.currentPage, run.currentIndex, index);
  if (page.page == nullptr) return PageMessage(u"无法读取第 ", index, u" 页。");
  return AddToPage(run.ops, run.document, page.page, index, run.font, run.text, run.size, run.runMark);
}

WatermarkOutcome RollBackWatermarkAdd(const WatermarkAddRun& run, int pages, const std::u16string& failure) {
  // A failing page may hold this run's object too, so it counts as changed until the
  // rollback says otherwise.
  WatermarkOutcome outcome;
  outcome.count = pages;
  outcome.message = failure;
  WatermarkOutcome rollback =
      RemoveWatermarksFromPages(run.ops, run.document, run.currentPage, run.currentIndex, &run.runMark, pages);
  if (rollback.ok) {
    outcome.count = 0;
  } else if (!failure.empty()) {
    outcome.message += u"\n部分水印未能自动回滚：" + rollback.message;
  } else {
    outcome.message = rollback.message;
  }
  return outcome;
}

WatermarkOutcome AddWatermarkToAllPages(const WatermarkOps& ops, FPDF_DOCUMENT document, FPDF_PAGE currentPage,
                                        int currentIndex, FPDF_FONT font, const std::u16string& text, float size) {
  WatermarkAddRun run;
  run.ops = ops;
  run.document = document;
  run.currentPage = currentPage;
  run.currentIndex = currentIndex;
  run.font = font;
  run.text = text;
  run.size = size;
  if (std::optional<WatermarkOutcome> refused = PrepareWatermarkAdd(run)) return *refused;
  for (int index = 0; index < run.pageCount; ++index) {
    // Only the pages up to this one can hold this run's objects.
    if (std::optional<std::u16string> failure = AddWatermarkToPage(run, index)) {
      return RollBackWatermarkAdd(run, index + 1, *failure);
    }
  }
  WatermarkOutcome outcome;
  outcome.ok = true;
  outcome.count = run.pageCount;
  return outcome;
}

std::optional<WatermarkOutcome> PrepareWatermarkRemoval(WatermarkRemoveRun& run, int pageLimit) {
  WatermarkOutcome refused;
  if (!IsWatermarkTableUsable(run.ops)) {
    refused.message = u"当前 PDFium 运行库不支持识别或删除水印。";
    return refused;
  }
  int pageCount = run.ops.FPDF_GetPageCount(run.document);
  if (pageCount < 0) {
    refused.message = u"无法读取 PDF 页数。";
    return refused;
  }
  run.pageCount = std::min(pageCount, pageLimit);
  run.withAnnotations = !run.runMark && HasAnnotationEntries(run.ops);
  return std::nullopt;
}

std::optional<std::u16string> RemoveWatermarksFromPage(const WatermarkRemoveRun& run, int index, int& removed) {
  RunPage page = OpenRunPage(run.ops, run.document, run.currentPage, run.currentIndex, index);
  if (page.page == nullptr) return PageMessage(u"无法读取第 ", index, u" 页。");
  int objects = run.ops.FPDFPage_CountObjects(page.page);
  if (objects < 0) return PageMessage(u"无法读取第 ", index, u" 页的内容。");
  if (run.withAnnotations) {
    if (std::optional<std::u16string> failure = RemoveWatermarkAnnotations(run.ops, page.page, index, removed)) {
      return failure;
    }
  }
  return RemoveWatermarkObjects(run.ops, page.page, index, objects, run.runMark ? &*run.runMark : nullptr, removed);
}

WatermarkOutcome RemoveWatermarksFromAllPages(const WatermarkOps& ops, FPDF_DOCUMENT document, FPDF_PAGE currentPage,
                                              int currentIndex, const std::string* runMark) {
  return RemoveWatermarksFromPages(ops, document, currentPage, currentIndex, runMark, INT_MAX);
}

WatermarkOutcome RemoveWatermarksFromPages(const WatermarkOps& ops, FPDF_DOCUMENT document, FPDF_PAGE currentPage,
                                           int currentIndex, const std::string* runMark, int pageLimit) {
  WatermarkRemoveRun run;
  run.ops = ops;
  run.document = document;
  run.currentPage = currentPage;
  run.currentIndex = currentIndex;
  if (runMark != nullptr) run.runMark = Utf8ToUtf16(*runMark);
  if (std::optional<WatermarkOutcome> refused = PrepareWatermarkRemoval(run, pageLimit)) return *refused;
  WatermarkOutcome outcome;
  for (int index = 0; index < run.pageCount; ++index) {
    if (std::optional<std::u16string> failure = RemoveWatermarksFromPage(run, index, outcome.count)) {
      outcome.message = *failure;
      return outcome;
    }
  }
  outcome.ok = true;
  return outcome;
}
