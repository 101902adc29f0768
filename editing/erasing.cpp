#include "editing/erasing.h"

#include <algorithm>
#include <cmath>

#include "document/session.h"
#include "document/window_hooks.h"
#include "drawing/labels.h"
#include "editing/drawn_objects.h"
#include "editing/pointer_input.h"
#include "editing/selection.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"

namespace {

struct EraseDrag {
  bool running = false;
  ScreenPoint last;
};
EraseDrag g_eraseDrag;

bool HasEraseEntries(const PdfOps& ops) {
  return ops.FPDFPage_CountObjects && ops.FPDFPage_GetObject && ops.FPDFPageObj_GetType && ops.FPDFPath_CountSegments &&
         ops.FPDFPath_GetPathSegment && ops.FPDFPathSegment_GetPoint && ops.FPDFPathSegment_GetType &&
         ops.FPDFPathSegment_GetClose && ops.FPDFPage_RemoveObject && ops.FPDFPageObj_Destroy &&
         ops.FPDFPage_GenerateContent && ops.FPDFPath_GetDrawMode;
}

bool InsideOutlineBox(const ScreenOutline& outline, ScreenPoint p) {
  float left = INFINITY, top = INFINITY, right = -INFINITY, bottom = -INFINITY;
  for (const ScreenSegment& q : outline.points) {
    left = std::min(left, q.ax);
    right = std::max(right, q.ax);
    top = std::min(top, q.ay);
    bottom = std::max(bottom, q.ay);
  }
  return float(p.x) >= left && float(p.x) <= right && float(p.y) >= top && float(p.y) <= bottom;
}

// Removes and destroys one erased object; a coordinate system gone makes later saves full
// rewrites, as its deletion does.
bool RemoveErased(const PdfOps& ops, FPDF_PAGE page, FPDF_PAGEOBJECT object) {
  bool system = FindCoordinateSystem(object, ops) != 0;  // read before the handle goes
  if (!ops.FPDFPage_RemoveObject(page, object)) return false;
  ops.FPDFPageObj_Destroy(object);
  if (system) g_session.fullRewrite = true;
  return true;
}

void AfterPageChange() {
  g_window.changed(Change::PageContent);
  UpdateTitle();
}

}  // namespace

bool CleanAllOrphanLabels(const PdfOps& ops, FPDF_PAGE page) {
  bool clean = true;
  for (MarkKind kind : {MarkKind::Line, MarkKind::Triangle, MarkKind::Rectangle}) {
    clean = CleanOrphanLabels(ops, page, kind) && clean;
  }
  return clean;
}

bool IsErasable(FPDF_PAGEOBJECT object, const PdfOps& ops) {
  if (object == nullptr || !ops.FPDFPageObj_GetType || ops.FPDFPageObj_GetType(object) != kPageObjPath ||
      !ops.FPDFPath_CountSegments || !ops.FPDFPath_GetPathSegment || !ops.FPDFPathSegment_GetType ||
      !ops.FPDFPathSegment_GetPoint) {
    return false;
  }
  // Only the mark tells the teacher's ink from the book's: a book draws in black 1 pt too.
  if (!CarriesOwnMark(object, ops)) return false;
  int count = ops.FPDFPath_CountSegments(object);
  if (count < 2) return false;
  for (int i = 0; i < count; ++i) {
    FPDF_PATHSEGMENT segment = ops.FPDFPath_GetPathSegment(object, i);
    float x, y;
    if (segment == nullptr || !ops.FPDFPathSegment_GetPoint(segment, &x, &y)) return false;
    int type = ops.FPDFPathSegment_GetType(segment);
    // A coordinate system's grid is made of many sub-paths; no ink of the editor has curves.
    if (i == 0 ? type != kSegmentMoveTo : type != kSegmentMoveTo && type != kSegmentLineTo) return false;
  }
  return true;
}

FPDF_PAGEOBJECT ErasableAt(ScreenPoint point) {
  PdfOps ops = CurrentOps();
  FPDF_PAGE page = g_session.currentPage;
  if (page == nullptr || !HasEraseEntries(ops)) return nullptr;
  FPDF_PAGEOBJECT best = nullptr;
  double bestDistance = kEraseDistance;
  int count = ops.FPDFPage_CountObjects(page);
  for (int i = 0; i < count; ++i) {
    FPDF_PAGEOBJECT object = ops.FPDFPage_GetObject(page, i);
    if (!IsErasable(object, ops)) continue;
    ScreenOutline outline = ScreenOutlineOf(object, ops);
    if (!outline.complete) continue;  // unreadable matrix or a coordinate beyond the screen
    // A point is a filled disc: a click anywhere on it takes it.
    if (FindMark(object, ops, MarkKind::Point) && InsideOutlineBox(outline, point) && bestDistance > 0) {
      bestDistance = 0;
      best = object;
      continue;
    }
    for (const ScreenSegment& s : outline.segments) {
      double distance = DistanceToSegment(float(point.x), float(point.y), s);
      if (distance < bestDistance) {
        bestDistance = distance;
        best = object;
      }
    }
  }
  return best;
}

void EraseAt(ScreenPoint point) {
  if (!InsidePage(point.x, point.y)) return;
  PdfOps ops = CurrentOps();
  if (!HasEraseEntries(ops)) {
    ShowMessage(u"擦除失败", u"当前 PDFium 运行库不支持选取擦除。", MessageIcon::Error);
    return;
  }
  FPDF_PAGEOBJECT candidate = ErasableAt(point);
  if (candidate == nullptr) {
    g_session.statusText = u"没有找到可擦除的标注划线";
    g_window.changed(Change::Status);
    return;
  }
  FPDF_PAGE page = g_session.currentPage;
  if (!RemoveErased(ops, page, candidate)) {
    ShowMessage(u"擦除失败", u"无法从 PDF 页面移除所选标注。", MessageIcon::Error);
    return;
  }
  bool committed = ops.FPDFPage_GenerateContent(page) != 0;
  MarkModified();
  g_selection.selectedText = nullptr;
  if (g_selection.object == candidate ||
      std::find(g_selection.group.begin(), g_selection.group.end(), candidate) != g_selection.group.end()) {
    ClearDrawnSelection();
  }
  bool clean = CleanAllOrphanLabels(ops, page);
  g_session.statusText = committed ? u"标注已擦除" : u"划线已移除，但生成 PDF 页面内容失败";
  if (!clean) ShowMessage(u"标注清理警告", u"图形已擦除，但其编号或边长标注未能全部清理。", MessageIcon::Warning);
  AfterPageChange();
}

void BeginEraseDrag(ScreenPoint point) {
  if (g_session.document == nullptr || !InsidePage(point.x, point.y)) return;
  EraseAt(point);
  g_eraseDrag = EraseDrag{true, point};
}

void EraseDragStep(ScreenPoint point) {
  if (!g_eraseDrag.running) return;
  int dx = point.x - g_eraseDrag.last.x, dy = point.y - g_eraseDrag.last.y;
  if (dx * dx + dy * dy < kEraseStepSquared) return;
  EraseAt(point);
  g_eraseDrag.last = point;
}

void EndEraseDrag() { g_eraseDrag = EraseDrag{}; }

bool EraseDragRunning() { return g_eraseDrag.running; }

void EraseAllOnPage() {
  constexpr const char16_t* kCaption = u"全部擦除";
  if (g_session.document == nullptr) {
    ShowMessage(kCaption, u"请先打开 PDF 文档。", MessageIcon::Warning);
    return;
  }
  if (ShowMessage(kCaption, u"将清除当前页匹配本软件绘图样式的路径标注，且不可撤销。\n是否继续？", MessageIcon::Warning,
                  MessageButtons::YesNo) != MessageAnswer::Yes) {
    return;
  }
  PdfOps ops = CurrentOps();
  FPDF_PAGE page = g_session.currentPage;
  if (page == nullptr || !ops.FPDFPage_CountObjects || !ops.FPDFPage_GetObject || !ops.FPDFPageObj_GetType ||
      !ops.FPDFPage_RemoveObject || !ops.FPDFPageObj_Destroy || !ops.FPDFPage_GenerateContent ||
      !ops.FPDFPath_GetDrawMode) {
    ShowMessage(u"全部擦除失败", u"当前 PDFium 运行库不支持擦除。", MessageIcon::Error);
    return;
  }
  int removed = 0, failed = 0;
  for (int i = ops.FPDFPage_CountObjects(page) - 1; i >= 0; --i) {
    FPDF_PAGEOBJECT object = ops.FPDFPage_GetObject(page, i);
    if (!IsErasable(object, ops)) continue;
    if (RemoveErased(ops, page, object)) {
      ++removed;
    } else {
      ++failed;
    }
  }
  bool committed = removed == 0 || ops.FPDFPage_GenerateContent(page) != 0;
  if (removed == 0 && failed == 0) {
    g_session.statusText = u"当前页没有可擦除的标注";
    g_window.changed(Change::Status);
    return;
  }
  if (removed == 0) {
    ShowMessage(u"全部擦除失败", u"无法从 PDF 页面移除标注。", MessageIcon::Error);
    return;
  }
  bool clean = CleanAllOrphanLabels(ops, page);
  MarkModified();
  ClearDrawnSelection();
  g_session.statusText = failed == 0 && committed
                             ? FillPlaceholders(u"已擦除当前页 %d 个标注", {Num(removed)})
                             : FillPlaceholders(u"已移除 %d 个标注，失败 %d 个", {Num(removed), Num(failed)});
  g_window.changed(Change::Selection);
  AfterPageChange();
  if (!committed) {
    ShowMessage(u"PDF 内容更新警告", u"标注已移除，但 PDF 页面内容生成失败；请尽快另存为新文件。", MessageIcon::Warning);
  } else if (failed > 0) {
    ShowMessage(u"全部擦除未完成", g_session.statusText, MessageIcon::Warning);
  }
  if (!clean) ShowMessage(u"标注清理警告", u"图形已擦除，但部分自动编号或边长标注未能清理。", MessageIcon::Warning);
}
