#include "editing/selection.h"

#include <algorithm>
#include <cmath>

#include "content/font_table.h"
#include "document/session.h"
#include "document/window_hooks.h"
#include "drawing/coordinate_system.h"
#include "drawing/find_remove.h"
#include "drawing/labels.h"
#include "editing/hit_tests.h"
#include "editing/move_drag.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"
#include "view/current_context.h"
#include "view/page_view.h"
#include "view/tool_state.h"

SelectionState g_selection;

namespace {

// A constrained move in progress ends when the selection changes.
void EndConstrainedMove() {
  if (g_drag.moveArmed && g_drag.constrained) EndMove();
}

constexpr const char16_t* kContentWarningCaption = u"PDF 内容更新警告";

void SetMessage(const std::u16string& text) { g_session.statusText = text; }

// Colour and width of the selected object become the drawing settings.
void LoadPenFrom(FPDF_PAGEOBJECT object, DrawnKind kind, const PdfOps& ops) {
  if (kind == DrawnKind::Point) {
    auto properties = ReadPointProperties(object, ops);
    if (!properties) {
      ShowMessage(u"点属性读取失败", u"已选中点，但无法读取其大小或填充颜色。", MessageIcon::Warning);
      return;
    }
    g_tool.lineWidth = properties->size;
    g_tool.drawColor = properties->colour;
    return;
  }
  unsigned r = 0, g = 0, b = 0, a = 0;
  std::optional<float> width = ReadPageStrokeWidth(object, ops);
  if (!width || !ops.FPDFPageObj_GetStrokeColor || !ops.FPDFPageObj_GetStrokeColor(object, &r, &g, &b, &a)) {
    ShowMessage(u"图形属性读取失败", u"已选中图形，但无法读取其颜色或线宽。", MessageIcon::Warning);
    return;
  }
  g_tool.drawColor = r | g << 8 | b << 16;
  // A hairline (width 0) would leave a pen that can draw nothing: the width stays.
  if (*width > 0) g_tool.lineWidth = *width;
}

size_t LabelCount(FPDF_PAGEOBJECT shape, const PdfOps& ops, MarkKind kind) {
  auto name = MarkedShapeName(shape, ops, kind);
  return name ? LabelsOfShape(g_session.currentPage, shape, ops, kind, *name).size() : 0;
}

// A committed label change is an edit of its own: the document is modified.
void CommitLabelChange(bool committed, const char16_t* contentWarning) {
  MarkModifiedKeepingSelection();
  g_window.changed(Change::PageContent);
  UpdateTitle();
  if (!committed || !CommitPageContent()) ShowMessage(kContentWarningCaption, contentWarning, MessageIcon::Warning);
}

void SelectLine(FPDF_PAGEOBJECT object, const PdfOps& ops) {
  g_tool.shapePanelRequested = true;
  auto line = RecogniseStraightSegment(object, ops, CurrentScreenMapping());
  SetMessage(line && line->arrow ? u"已选中箭头：拖动两端控制点修改箭头" : u"已选中直线：拖动两端控制点修改直线");
  // The page's own lines keep their look: only the editor's marked segments get labels.
  if (!line || !MarkedShapeName(object, ops, MarkKind::Line) || !EnsureDefaultFont()) return;
  bool labelled = LabelCount(object, ops, MarkKind::Line) == 2;
  EnsureResult labels = EnsureSegmentLabels(ops, CurrentLabelContext(), object, line->screenStart, line->screenEnd);
  if (!labels.ok) {
    ShowMessage(u"线段属性警告", u"已选中线段，但端点编号创建或更新失败。", MessageIcon::Warning);
  } else if (!labelled) {
    CommitLabelChange(labels.committed, u"端点编号已添加，但 PDF 页面内容生成失败；请尽快另存为新文件。");
  }
}

void SelectShape(FPDF_PAGEOBJECT object, DrawnKind kind, const PdfOps& ops) {
  SetMessage(u"已选中几何图形：拖动蓝色控制点调整，拖动图形移动");
  if (kind == DrawnKind::Triangle && MarkedShapeName(object, ops, MarkKind::Triangle)) {
    g_tool.shapePanelRequested = true;
    if (LabelCount(object, ops, MarkKind::Triangle) == 3) return;
    auto vertices = ShapeScreenPoints(object, ops);
    EnsureResult labels;
    if (vertices && vertices->size() == 3 && EnsureDefaultFont()) {
      labels = EnsureTriangleLabels(ops, CurrentLabelContext(), object, *vertices);
    }
    if (!labels.ok) {
      ShowMessage(u"三角形标注更新失败", u"已选中三角形，但无法将旧标注更新为 a、b、c。", MessageIcon::Warning);
      return;
    }
    SetMessage(u"三角形顶点标注已更新为 a、b、c");
    CommitLabelChange(labels.committed, u"三角形顶点标注已更新，但 PDF 页面内容生成失败；请尽快另存为新文件。");
  } else if (kind == DrawnKind::Rectangle) {
    g_tool.shapePanelRequested = true;
    SetMessage(u"已选中矩形：可调整端点并在右侧编辑边长");
    if (!MarkedShapeName(object, ops, MarkKind::Rectangle)) return;  // a frame or cell of the page itself
    bool labelled = LabelCount(object, ops, MarkKind::Rectangle) == 4;
    auto vertices = ShapeScreenPoints(object, ops);
    EnsureResult labels;
    if (vertices && vertices->size() == 4 && EnsureDefaultFont()) {
      labels = EnsureRectangleLabels(ops, CurrentLabelContext(), object, *vertices);
    }
    if (!labels.ok) {
      ShowMessage(u"矩形属性警告", u"已选中矩形，但无法创建或更新端点编号。", MessageIcon::Warning);
    } else if (!labelled) {
      CommitLabelChange(labels.committed, u"矩形端点编号已更新，但 PDF 页面内容生成失败；请尽快另存为新文件。");
    }
  }
}

}  // namespace

void SelectDrawnObject(FPDF_PAGEOBJECT object) {
  if (g_pointLock && g_pointLock->point != object) g_pointLock.reset();
  double lengthCm = g_selection.lengthCm;
  g_selection = SelectionState{};
  g_selection.lengthCm = lengthCm;
  g_selection.object = object;
}

void ClearDrawnSelection() { SelectDrawnObject(nullptr); }

void NotifyKeepingSelection(const std::u16string& doneClause) {
  SelectionState kept = g_selection;
  std::optional<PointLock> lock = g_pointLock;
  NotifyObjectModified(doneClause);
  g_selection = kept;
  g_pointLock = lock;
}

void MarkModifiedKeepingSelection() {
  SelectionState kept = g_selection;
  std::optional<PointLock> lock = g_pointLock;
  MarkModified();
  g_selection = kept;
  g_pointLock = lock;
}

FPDF_PAGEOBJECT SelectedCoordinateSystem() {
  if (g_selection.object == nullptr || g_tool.mode != ToolMode::Select) return nullptr;
  return FindCoordinateSystem(g_selection.object, CurrentOps()) != 0 ? g_selection.object : nullptr;
}

DrawnKind SelectedKind() {
  return g_selection.object == nullptr ? DrawnKind::NotPath : ClassifyDrawnObject(g_selection.object, CurrentOps());
}

void SelectObject(FPDF_PAGEOBJECT object) {
  if (object == nullptr) {
    SetMessage(u"请点击线条或曲线选中图形");
    return;
  }
  EndConstrainedMove();
  std::optional<PointLock> lock = g_pointLock;
  SelectDrawnObject(object);
  g_pointLock = lock;  // an established lock stays with its point
  PdfOps ops = CurrentOps();
  DrawnKind kind = ClassifyDrawnObject(object, ops);
  if (kind == DrawnKind::CoordinateSystem) {
    if (!ReadControlPoints(object, ops)) {
      ShowMessage(u"坐标系编辑失败", u"无法读取坐标系的控制点，请检查文档或撤销最近的修改。", MessageIcon::Warning);
    }
    SetMessage(u"已选中坐标系：拖动原点平移，拖动单位点或使用右下角按钮调整刻度");
  } else {
    // The page's own drawings neither restyle the pen nor fix the length of later lines.
    if (MayBeOwnDrawing(object, ops, kind)) LoadPenFrom(object, kind, ops);
    if (kind == DrawnKind::Line && CarriesOwnMark(object, ops)) {
      auto measured = MeasurePolyline(object, ops);
      g_selection.lengthCm = measured ? measured->total * kCmPerPoint : 0;
    }
    if (g_tool.mode != ToolMode::Select) {
      SetMessage(u"已选中图形：拖动移动，右侧可调整颜色、线宽和长度");
    } else if (kind == DrawnKind::Point) {
      g_tool.shapePanelRequested = true;
      SetMessage(u"已选中点：可在右侧修改大小和颜色，并拖动移动");
    } else if (kind == DrawnKind::Line) {
      SelectLine(object, ops);
    } else if (IsGeometryShape(kind)) {
      SelectShape(object, kind, ops);
    } else {
      SetMessage(u"已选中图形：拖动移动，右侧可调整颜色、线宽和长度");
    }
  }
  g_window.changed(Change::Selection);
}

void SelectInRectangle(IntRect rect) {
  IntRect r{std::min(rect.left, rect.right), std::min(rect.top, rect.bottom), std::max(rect.left, rect.right),
            std::max(rect.top, rect.bottom)};
  r.right = std::max(r.right, r.left + 1);
  r.bottom = std::max(r.bottom, r.top + 1);
  PdfOps ops = CurrentOps();
  if (!ops.FPDFPage_CountObjects || !ops.FPDFPage_GetObject || !ops.FPDFPageObj_GetType || !ops.FPDFPageObj_GetBounds) {
    g_selection.selectedText = nullptr;
    SetMessage(u"当前 PDFium 运行库不支持区域选取图形");
    ShowMessage(u"框选失败", u"当前 PDFium 运行库不支持区域选取图形", MessageIcon::Error);
    return;
  }
  std::vector<FPDF_PAGEOBJECT> members = ObjectsInRectangle(r);
  // Framing her drawing over a figure takes her drawing; the page's own paths come along only
  // in the edit tool.
  auto own = [&ops](FPDF_PAGEOBJECT object) { return CarriesOwnMark(object, ops); };
  if (g_tool.mode != ToolMode::Edit && std::any_of(members.begin(), members.end(), own)) {
    members.erase(std::remove_if(members.begin(), members.end(), [&](FPDF_PAGEOBJECT o) { return !own(o); }),
                  members.end());
  }
  EndConstrainedMove();
  g_selection.group.clear();
  g_selection.object = nullptr;
  g_selection.selectedImage = nullptr;
  g_selection.selectedText = nullptr;
  if (members.size() == 1) {
    SelectObject(members[0]);
    return;
  }
  if (members.empty()) {
    SetMessage(u"框选区域内没有图形");
  } else {
    g_selection.group = members;
    SetMessage(FillPlaceholders(u"已框选 %d 个图形，可拖动整组移动", {Num(static_cast<long long>(members.size()))}));
  }
  g_window.changed(Change::Selection);
}

bool LockPointAt(ScreenPoint point) {
  FPDF_PAGEOBJECT object = HitObject(point);
  PdfOps ops = CurrentOps();
  if (object == nullptr || ClassifyDrawnObject(object, ops) != DrawnKind::Point) return false;
  SelectObject(object);
  auto lock = LockPointToSegment(ops, g_session.currentPage, CurrentScreenMapping(), object);
  g_pointLock = lock;
  if (lock) {
    SetMessage(u"点已锁定在线段上；拖动时只能沿该线段移动");
  } else {
    SetMessage(u"已选中点，但未找到可约束的直线段");
  }
  g_window.changed(Change::Status);
  return true;
}
