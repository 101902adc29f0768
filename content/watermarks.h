// Watermarks over a whole document: one grey, semi-transparent, diagonal text per page, and
// removing watermarks again (the editor's own, standard watermark annotations, and page
// content marked as a watermark artifact). Each adding run tags what it writes with a mark
// unique to the run, so a run that fails half-way takes back exactly its own objects.
#pragma once

#include <climits>
#include <optional>
#include <string>

#include "engine/engine_table.h"

// The engine entry points the watermark code calls, handed to it as a table (tests swap single
// entries to make the engine fail part-way). The first twenty are needed for anything; the two
// mark-parameter readers recognise artifact marks, the five annotation entries standard
// watermark annotations; the page rotation keeps the text rising on turned pages.
#define CORVAN_WATERMARK_OPS(X)                                                                    \
  X(FPDF_GetPageCount) X(FPDF_LoadPage) X(FPDF_ClosePage) X(FPDF_GetPageWidthF)                    \
  X(FPDF_GetPageHeightF) X(FPDFPage_CountObjects) X(FPDFPage_GetObject) X(FPDFPage_InsertObject)   \
  X(FPDFPage_RemoveObject) X(FPDFPage_GenerateContent) X(FPDFPageObj_Destroy)                      \
  X(FPDFPageObj_CreateTextObj) X(FPDFText_SetText) X(FPDFPageObj_SetFillColor)                     \
  X(FPDFPageObj_Transform) X(FPDFPageObj_GetBounds) X(FPDFPageObj_AddMark)                         \
  X(FPDFPageObj_CountMarks) X(FPDFPageObj_GetMark) X(FPDFPageObjMark_GetName)                      \
  X(FPDFPageObjMark_GetParamValueType) X(FPDFPageObjMark_GetParamStringValue)                      \
  X(FPDFPage_GetAnnotCount) X(FPDFPage_GetAnnot) X(FPDFPage_CloseAnnot) X(FPDFPage_RemoveAnnot)    \
  X(FPDFAnnot_GetSubtype) X(FPDFPage_GetRotation)

struct WatermarkOps {
#define CORVAN_WATERMARK_SLOT(slot) decltype(PdfEngine::slot) slot = nullptr;
  CORVAN_WATERMARK_OPS(CORVAN_WATERMARK_SLOT)
#undef CORVAN_WATERMARK_SLOT
};

// The watermark entries of the loaded engine.
WatermarkOps WatermarkOpsFromEngine();
// Whether the table can add and recognise watermarks at all (its first twenty entries).
bool IsWatermarkTableUsable(const WatermarkOps& ops);

constexpr const char* kWatermarkMarkPrefix = "CorvanWatermark-";
constexpr int kWatermarkAnnotationSubtype = 24;
constexpr unsigned kWatermarkGrey = 128;
constexpr unsigned kWatermarkAlpha = 72;
constexpr float kWatermarkMinSize = 4;
constexpr float kWatermarkMaxSize = 144;

// "CorvanWatermark-" and a fresh random GUID in upper-case hexadecimal, 52 characters; empty
// when no random source could be read.
std::string MakeWatermarkRunMark();

// What a whole-document run did. `count` is the pages watermarked or the objects removed that
// stay changed in the document, also after a failure; `message` says what failed.
struct WatermarkOutcome {
  bool ok = false;
  int count = 0;
  std::u16string message;
};

// One adding run, a page at a time: what every page of it needs.
struct WatermarkAddRun {
  WatermarkOps ops;
  FPDF_DOCUMENT document = nullptr;
  FPDF_PAGE currentPage = nullptr;  // used as it is and never closed; other pages are loaded
  int currentIndex = -1;
  FPDF_FONT font = nullptr;
  std::u16string text;
  float size = 0;
  std::string runMark;  // set by PrepareWatermarkAdd
  int pageCount = 0;    // set by PrepareWatermarkAdd
};

// Checks the request, makes the run mark and counts the pages; the failed outcome when the run
// cannot start (nothing was changed then).
std::optional<WatermarkOutcome> PrepareWatermarkAdd(WatermarkAddRun& run);
// Puts the watermark onto page `index`; nothing on success. On a failure the page may still
// hold the run's object (inserted, content not generated): the page owns it either way.
std::optional<std::u16string> AddWatermarkToPage(const WatermarkAddRun& run, int index);
// Takes back what the run wrote on its first `pages` pages, after `failure` stopped it. The
// count stays above zero only when this rollback failed too.
WatermarkOutcome RollBackWatermarkAdd(const WatermarkAddRun& run, int pages, const std::u16string& failure);

// Puts one watermark text onto every page. The current page (when given) is used as it is and
// stays open; other pages are loaded and closed. On a failure everything this run wrote is
// taken back; the count stays above zero only when that rollback failed too.
WatermarkOutcome AddWatermarkToAllPages(const WatermarkOps& ops, FPDF_DOCUMENT document, FPDF_PAGE currentPage,
                                        int currentIndex, FPDF_FONT font, const std::u16string& text, float size);

// One removing run, a page at a time.
struct WatermarkRemoveRun {
  WatermarkOps ops;
  FPDF_DOCUMENT document = nullptr;
  FPDF_PAGE currentPage = nullptr;
  int currentIndex = -1;
  std::optional<std::u16string> runMark;  // only that run's objects; nothing: every watermark
  bool withAnnotations = false;           // set by PrepareWatermarkRemoval
  int pageCount = 0;                      // set by PrepareWatermarkRemoval, at most the limit
};

// Checks the table and counts the pages (at most `pageLimit`); the failed outcome when the
// run cannot start.
std::optional<WatermarkOutcome> PrepareWatermarkRemoval(WatermarkRemoveRun& run, int pageLimit = INT_MAX);
// Removes the watermarks of page `index`, adding what it removed to `removed` (also when it
// fails part-way); nothing on success.
std::optional<std::u16string> RemoveWatermarksFromPage(const WatermarkRemoveRun& run, int index, int& removed);

// Removes watermarks from every page: with a run mark only the objects of that run, without one
// the editor's own watermarks, artifact watermarks and watermark annotations. Stops at the
// first failure; what earlier pages lost stays removed and counted.
WatermarkOutcome RemoveWatermarksFromAllPages(const WatermarkOps& ops, FPDF_DOCUMENT document, FPDF_PAGE currentPage,
                                              int currentIndex, const std::string* runMark);
// The same over the first `pageLimit` pages only (a rollback needs no more than the pages its
// run reached).
WatermarkOutcome RemoveWatermarksFromPages(const WatermarkOps& ops, FPDF_DOCUMENT document, FPDF_PAGE currentPage,
                                           int currentIndex, const std::string* runMark, int pageLimit);
