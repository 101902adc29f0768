#include "drawing/labels.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "document/session.h"
#include "drawing/find_remove.h"
#include "engine/engine_handles.h"
#include "engine/page_box.h"
#include "platform/text_encoding.h"

namespace {

bool HasLabelEntries(const PdfOps& ops) {
  return ops.FPDFPageObj_CreateTextObj && ops.FPDFText_SetText && ops.FPDFPageObj_SetFillColor &&
         ops.FPDFPageObj_Transform && ops.FPDFPage_InsertObject && ops.FPDFPage_RemoveObject &&
         ops.FPDFPage_GenerateContent && ops.FPDFPageObj_Destroy && ops.FPDFPageObj_GetType &&
         ops.FPDFPage_CountObjects && ops.FPDFPage_GetObject && ops.FPDFPageObj_CountMarks && ops.FPDFPageObj_GetMark &&
         ops.FPDFPageObj_AddMark && ops.FPDFPageObjMark_GetName;
}

MarkKind KindForVertexCount(size_t count) {
  return count == 2 ? MarkKind::Line : count == 3 ? MarkKind::Triangle : MarkKind::Rectangle;
}

std::u16string LabelText(int vertex, uint32_t number) { return std::u16string(1, char16_t(u'a' + vertex)) + Num(number); }

bool SetText(const PdfOps& ops, FPDF_PAGEOBJECT text, const std::u16string& content) {
  std::u16string terminated = content;
  terminated.push_back(u'\0');
  return ops.FPDFText_SetText(text, reinterpret_cast<FPDF_WIDESTRING>(terminated.c_str())) != 0;
}

// Takes an object back off the page when it is there; forgets it otherwise (the page owns it).
void TakeBack(const PdfOps& ops, FPDF_PAGE page, FPDF_PAGEOBJECT object) {
  if (ops.FPDFPage_RemoveObject(page, object)) ops.FPDFPageObj_Destroy(object);
}

}  // namespace

std::optional<std::vector<LabelPlacement>> ComputeLabelPlacements(const std::vector<ScreenPoint>& vertices,
                                                                   const ScreenMapping& screen, uint32_t labelNumber) {
  const PageFrame& frame = screen.frame;
  float pageWidth = frame.DisplayedWidth(), pageHeight = frame.DisplayedHeight();
  std::vector<PagePoint> points;  // displayed coordinates
  PagePoint centre{0, 0};
  for (const ScreenPoint& v : vertices) {
    auto page = MapToPage(screen, float(v.x), float(v.y));
    if (!page) return std::nullopt;
    PagePoint p = PageToDisplayed(frame, page->x, page->y);
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return std::nullopt;
    points.push_back(p);
    centre.x += p.x;
    centre.y += p.y;
  }
  if (points.empty()) return std::nullopt;
  centre.x /= float(points.size());
  centre.y /= float(points.size());
  std::vector<LabelPlacement> placements;
  for (size_t j = 0; j < points.size(); ++j) {
    float dx = points[j].x - centre.x, dy = points[j].y - centre.y;
    float length = std::hypot(dx, dy);
    if (!(length > 0.0001f)) return std::nullopt;
    LabelPlacement placement;
    placement.text = LabelText(int(j), labelNumber);
    float width = float(placement.text.size()) * kLabelFontSize * 0.55f;
    float anchorX = points[j].x + dx / length * 12;
    float anchorY = points[j].y + dy / length * 12;
    float x = anchorX - width / 2;
    placement.x = std::min(x, pageWidth - width) < 0 ? 0 : std::min(x, pageWidth - width);
    float top = pageHeight - 10 < 10 ? 10 : pageHeight - 10;
    float y = std::min(std::max(anchorY, 10.0f), top);
    placement.baseline = y - 3.5f;
    placements.push_back(placement);
  }
  return placements;
}

FS_MATRIX LabelMatrix(const PageFrame& frame, const LabelPlacement& placement) {
  return UprightMatrix(frame, placement.x, placement.baseline);
}

namespace {

// Makes and inserts the labels; the caller regenerates the page content.
LabelSetResult InsertLabelSet(const PdfOps& ops, const LabelContext& ctx, const std::string& markName,
                              const std::vector<ScreenPoint>& vertices) {
  LabelSetResult result;
  size_t count = vertices.size();
  if (count < 2 || count > 4) return result;
  uint32_t number = ReadLabelNumber(markName, KindForVertexCount(count));
  if (number == 0 || ctx.document == nullptr || ctx.page == nullptr || ctx.font == nullptr || !(ctx.screen.frame.width > 0) ||
      !(ctx.screen.frame.height > 0) || !HasLabelEntries(ops)) {
    return result;
  }
  auto placements = ComputeLabelPlacements(vertices, ctx.screen, number);
  if (!placements) return result;
  std::vector<ScopedPageObject> made;
  for (const LabelPlacement& placement : *placements) {
    ScopedPageObject text(ops.FPDFPageObj_CreateTextObj(ctx.document, ctx.font, kLabelFontSize));
    bool ok = text != nullptr && SetText(ops, text.get(), placement.text) &&
              ops.FPDFPageObj_SetFillColor(text.get(), 25, 25, 25, 255) &&
              ops.FPDFPageObj_AddMark(text.get(), markName.c_str()) != nullptr;
    if (!ok) return result;
    FS_MATRIX m = LabelMatrix(ctx.screen.frame, placement);
    ops.FPDFPageObj_Transform(text.get(), m.a, m.b, m.c, m.d, m.e, m.f);
    made.push_back(std::move(text));
  }
  std::vector<FPDF_PAGEOBJECT> inserted;
  for (size_t i = 0; i < made.size(); ++i) {
    FPDF_PAGEOBJECT text = made[i].release();
    if (!InsertChecked(ctx.page, text, ops)) {
      TakeBack(ops, ctx.page, text);
      made.clear();  // frees those never inserted
      // Labels already in come off again; any the page keeps are handed back as stranded.
      for (FPDF_PAGEOBJECT label : inserted) {
        if (!RemoveObjects(ctx.page, {label}, ops)) result.labels.push_back(label);
      }
      return result;
    }
    inserted.push_back(text);
  }
  result.ok = true;
  result.labels = inserted;
  return result;
}

}  // namespace

LabelSetResult CreateLabelSet(const PdfOps& ops, const LabelContext& ctx, const std::string& markName,
                              const std::vector<ScreenPoint>& vertices) {
  LabelSetResult result = InsertLabelSet(ops, ctx, markName, vertices);
  if (result.ok) result.committed = ops.FPDFPage_GenerateContent(ctx.page) != 0;
  return result;
}

namespace {

// The page's triangles and the labels under each mark name, read in one walk: reading mark
// names is most of the cost of labelling on a crowded page.
struct TriangleLabelScan {
  std::vector<std::pair<FPDF_PAGEOBJECT, std::string>> triangles;
  std::unordered_map<std::string, std::vector<FPDF_PAGEOBJECT>> labels;
  uint32_t largestNumber = 0;
};

TriangleLabelScan ScanTriangleLabels(const PdfOps& ops, FPDF_PAGE page) {
  TriangleLabelScan scan;
  int count = ops.FPDFPage_CountObjects(page);
  for (int i = 0; i < count; ++i) {
    FPDF_PAGEOBJECT object = ops.FPDFPage_GetObject(page, i);
    if (object == nullptr) continue;
    int type = ops.FPDFPageObj_GetType(object);
    if (type != kPageObjPath && type != kPageObjText) continue;
    auto name = FindMark(object, ops, MarkKind::Triangle);
    if (!name) continue;
    if (type == kPageObjPath) {
      scan.largestNumber = std::max(scan.largestNumber, ReadLabelNumber(*name, MarkKind::Triangle));
      scan.triangles.emplace_back(object, std::move(*name));
    } else {
      scan.labels[*name].push_back(object);
    }
  }
  return scan;
}

// What the last labelling left on the current page: every triangle's labels read their
// letters and the largest triangle number was this. When nothing changed since but the new
// triangle (same edit generation, one object more), it needs no walk over the marks and no
// label written again; writing them all makes the engine regenerate all of a crowded page's
// content.
struct KnownLabels {
  uint64_t document = 0;
  FPDF_PAGE page = nullptr;
  int pageIndex = -1;
  uint64_t generation = 0;
  int objectCount = -1;
  uint32_t largestNumber = 0;
};
KnownLabels g_knownLabels;

bool SamePageAsKnown(FPDF_PAGE page) {
  return page != nullptr && page == g_session.currentPage && g_knownLabels.page == page &&
         g_knownLabels.pageIndex == g_session.currentPageIndex && g_knownLabels.document == DocumentSerial();
}

// True when the only change since is `triangle`, put on top of the page to be labelled now.
bool OnlyTriangleAddedSince(const PdfOps& ops, FPDF_PAGE page, FPDF_PAGEOBJECT triangle) {
  if (!SamePageAsKnown(page) || g_knownLabels.generation != EditGeneration()) return false;
  int count = ops.FPDFPage_CountObjects(page);
  return count == g_knownLabels.objectCount + 1 && ops.FPDFPage_GetObject(page, count - 1) == triangle;
}

void RememberLabels(const PdfOps& ops, FPDF_PAGE page, uint32_t largestNumber) {
  if (page == nullptr || page != g_session.currentPage) return;
  g_knownLabels = {DocumentSerial(), page, g_session.currentPageIndex, EditGeneration(),
                   ops.FPDFPage_CountObjects(page), largestNumber};
}

bool RenumberScanned(const PdfOps& ops, const TriangleLabelScan& scan) {
  for (const auto& [triangle, name] : scan.triangles) {
    uint32_t number = ReadLabelNumber(name, MarkKind::Triangle);
    if (number == 0) return false;
    auto found = scan.labels.find(name);
    if (found == scan.labels.end()) continue;
    if (found->second.size() != 3) return false;
    for (int k = 0; k < 3; ++k) {
      if (!SetText(ops, found->second[size_t(k)], LabelText(k, number))) return false;
    }
  }
  return true;
}

}  // namespace

bool RenumberTriangleLabels(const PdfOps& ops, FPDF_PAGE page) {
  if (page == nullptr || !HasLabelEntries(ops)) return false;
  return RenumberScanned(ops, ScanTriangleLabels(ops, page));
}

void NoteTriangleLabelsCurrent(FPDF_PAGE page) {
  if (SamePageAsKnown(page) && g_knownLabels.generation + 1 == EditGeneration()) {
    g_knownLabels.generation = EditGeneration();
  }
}

LabelSetResult LabelNewTriangle(const PdfOps& ops, const LabelContext& ctx, FPDF_PAGEOBJECT triangle,
                                const std::vector<ScreenPoint>& vertices) {
  LabelSetResult result;
  if (ctx.page == nullptr || triangle == nullptr || !HasLabelEntries(ops)) return result;
  bool known = OnlyTriangleAddedSince(ops, ctx.page, triangle);
  TriangleLabelScan scan;
  if (!known) scan = ScanTriangleLabels(ops, ctx.page);
  uint32_t largest = known ? g_knownLabels.largestNumber : scan.largestNumber;
  uint32_t number = largest == 0xFFFFFFFFu ? 0 : largest + 1;
  if (number == 0 || (!known && !RenumberScanned(ops, scan))) return result;
  std::string name = MakeTriangleMarkName(number);
  if (name.empty()) return result;
  result = InsertLabelSet(ops, ctx, name, vertices);
  if (!result.ok) return result;
  if (ops.FPDFPageObj_AddMark(triangle, name.c_str()) == nullptr) {
    RemoveObjects(ctx.page, result.labels, ops);
    return LabelSetResult{};
  }
  // One regeneration writes the labels and the triangle's new mark.
  result.committed = ops.FPDFPage_GenerateContent(ctx.page) != 0;
  RememberLabels(ops, ctx.page, number);
  return result;
}

LabelledTriangleAdd AddLabelledTriangle(const PdfOps& ops, const LabelContext& ctx, ScreenPoint a, ScreenPoint b,
                                        const PenStyle& pen) {
  auto outline = BuildOutline(GeometryKind::Triangle, a, b);
  if (!outline) return {{kShapeTooSmall, nullptr}, {}};
  return AddLabelledTriangle(ops, ctx, *outline, pen);
}

LabelledTriangleAdd AddLabelledTriangle(const PdfOps& ops, const LabelContext& ctx, const Outline& triangle,
                                        const PenStyle& pen) {
  LabelledTriangleAdd result;
  result.shape = InsertOutlineShape(ops, ctx.page, ctx.screen, triangle, pen);
  if (result.shape.object == nullptr) return result;
  result.labels = LabelNewTriangle(ops, ctx, result.shape.object, triangle.points);
  // Labelling regenerates the content with the triangle in it; without labels it is done here.
  bool committed = result.labels.ok ? result.labels.committed : ops.FPDFPage_GenerateContent(ctx.page) != 0;
  if (committed) result.shape.result = kShapeAdded;
  return result;
}

namespace {

// Gives the shape one label per vertex under `name` unless it has them already; an unmarked
// shape takes the name once its labels are in. Old labels go last.
EnsureResult Relabel(const PdfOps& ops, const LabelContext& ctx, FPDF_PAGEOBJECT shape, MarkKind kind,
                     const std::string& name, bool marked, const std::vector<ScreenPoint>& vertices,
                     EnsureResult result) {
  if (result.labelNumber == 0 || name.empty()) return result;
  auto old = marked ? LabelsOfShape(ctx.page, shape, ops, kind, name) : std::vector<FPDF_PAGEOBJECT>{};
  if (old.size() == vertices.size()) {
    result.ok = true;
    result.committed = true;
    return result;
  }
  LabelSetResult labels = InsertLabelSet(ops, ctx, name, vertices);
  if (!labels.ok) return result;
  if (!marked && ops.FPDFPageObj_AddMark(shape, name.c_str()) == nullptr) {
    RemoveObjects(ctx.page, labels.labels, ops);
    ops.FPDFPage_GenerateContent(ctx.page);
    return result;
  }
  result.oldLabelsRemoved = RemoveObjects(ctx.page, old, ops);
  result.ok = true;
  result.committed = ops.FPDFPage_GenerateContent(ctx.page) != 0;
  return result;
}

// Shared by triangles and rectangles: repairs a wrong label count under the shape's name.
EnsureResult EnsureShapeLabels(const PdfOps& ops, const LabelContext& ctx, FPDF_PAGEOBJECT shape,
                               const std::vector<ScreenPoint>& vertices, MarkKind kind) {
  EnsureResult result;
  if (shape == nullptr || !HasLabelEntries(ops)) return result;
  auto name = MarkedShapeName(shape, ops, kind);
  bool marked = name.has_value();
  if (!marked) {
    if (kind == MarkKind::Triangle) {
      LabelSetResult labelled = LabelNewTriangle(ops, ctx, shape, vertices);
      result.ok = labelled.ok;
      result.committed = labelled.committed;
      auto newName = MarkedShapeName(shape, ops, kind);
      if (newName) result.labelNumber = ReadLabelNumber(*newName, kind);
      return result;
    }
    uint32_t number = NextLabelNumber(ctx.page, ops, kind);
    if (number == 0) return result;
    name = MakeRectangleMarkName(number);
  }
  result.labelNumber = ReadLabelNumber(*name, kind);
  return Relabel(ops, ctx, shape, kind, *name, marked, vertices, result);
}

}  // namespace

EnsureResult EnsureSegmentLabels(const PdfOps& ops, const LabelContext& ctx, FPDF_PAGEOBJECT segment,
                                 ScreenPoint start, ScreenPoint end) {
  EnsureResult result;
  if (segment == nullptr || !HasLabelEntries(ops)) return result;
  auto name = MarkedShapeName(segment, ops, MarkKind::Line);
  bool marked = name.has_value();
  if (marked) {
    result.labelNumber = ReadLabelNumber(*name, MarkKind::Line);
  } else {
    result.labelNumber = NextLabelNumber(ctx.page, ops, MarkKind::Line);
    name = MakeLineMarkName(result.labelNumber);
  }
  return Relabel(ops, ctx, segment, MarkKind::Line, *name, marked, {start, end}, result);
}

EnsureResult EnsureTriangleLabels(const PdfOps& ops, const LabelContext& ctx, FPDF_PAGEOBJECT triangle,
                                  const std::vector<ScreenPoint>& vertices) {
  return vertices.size() == 3 ? EnsureShapeLabels(ops, ctx, triangle, vertices, MarkKind::Triangle) : EnsureResult{};
}

EnsureResult EnsureRectangleLabels(const PdfOps& ops, const LabelContext& ctx, FPDF_PAGEOBJECT rectangle,
                                   const std::vector<ScreenPoint>& vertices) {
  return vertices.size() == 4 ? EnsureShapeLabels(ops, ctx, rectangle, vertices, MarkKind::Rectangle) : EnsureResult{};
}

void MoveLabelsWithShape(const PdfOps& ops, FPDF_PAGE page, FPDF_PAGEOBJECT shape, float dx, float dy) {
  if (ops.FPDFPageObj_Transform == nullptr) return;
  for (MarkKind kind : {MarkKind::Line, MarkKind::Triangle, MarkKind::Rectangle}) {
    auto name = MarkedShapeName(shape, ops, kind);
    if (!name) continue;
    for (FPDF_PAGEOBJECT label : LabelsOfShape(page, shape, ops, kind, *name)) {
      ops.FPDFPageObj_Transform(label, 1, 0, 0, 1, dx, dy);
    }
    return;
  }
}

SegmentRelabel RebuildSegmentLabels(const PdfOps& ops, const LabelContext& ctx, FPDF_PAGEOBJECT segment,
                                    ScreenPoint start, ScreenPoint end) {
  SegmentRelabel result;
  auto name = MarkedShapeName(segment, ops, MarkKind::Line);
  if (!name) return {true, true, true};
  auto old = LabelsOfShape(ctx.page, segment, ops, MarkKind::Line, *name);
  LabelSetResult labels = InsertLabelSet(ops, ctx, *name, {start, end});
  if (!labels.ok) return result;
  result.ok = true;
  result.oldLabelsRemoved = RemoveObjects(ctx.page, old, ops);
  result.committed = ops.FPDFPage_GenerateContent(ctx.page) != 0;
  return result;
}

std::optional<std::vector<std::u16string>> SideNames(const PdfOps& ops, FPDF_PAGEOBJECT shape, MarkKind kind) {
  int vertices = kind == MarkKind::Triangle ? 3 : kind == MarkKind::Rectangle ? 4 : 0;
  auto name = MarkedShapeName(shape, ops, kind);
  if (vertices == 0 || !name) return std::nullopt;
  uint32_t number = ReadLabelNumber(*name, kind);
  if (number == 0) return std::nullopt;
  std::vector<std::u16string> sides;
  for (int i = 0; i < vertices; ++i) sides.push_back(LabelText(i, number) + u"-" + LabelText((i + 1) % vertices, number));
  return sides;
}

bool CleanOrphanLabels(const PdfOps& ops, FPDF_PAGE page, MarkKind kind) {
  if (page == nullptr || !ops.FPDFPage_CountObjects || !ops.FPDFPage_GetObject || !ops.FPDFPageObj_GetType ||
      !ops.FPDFPage_RemoveObject || !ops.FPDFPageObj_Destroy) {
    return false;
  }
  std::unordered_set<std::string> shapes;
  int count = ops.FPDFPage_CountObjects(page);
  for (int i = 0; i < count; ++i) {
    auto name = MarkedShapeName(ops.FPDFPage_GetObject(page, i), ops, kind);
    if (name) shapes.insert(*name);
  }
  std::vector<FPDF_PAGEOBJECT> orphans;
  for (int i = 0; i < count; ++i) {
    FPDF_PAGEOBJECT object = ops.FPDFPage_GetObject(page, i);
    if (object == nullptr || ops.FPDFPageObj_GetType(object) != kPageObjText) continue;
    auto name = FindMark(object, ops, kind);
    if (name && shapes.count(*name) == 0) orphans.push_back(object);
  }
  if (orphans.empty()) return true;
  if (!RemoveObjects(page, orphans, ops)) return false;
  return ops.FPDFPage_GenerateContent != nullptr && ops.FPDFPage_GenerateContent(page) != 0;
}
