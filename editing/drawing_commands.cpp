#include "editing/drawing_commands.h"

#include <algorithm>
#include <cmath>

#include "content/font_table.h"
#include "document/session.h"
#include "document/window_hooks.h"
#include "drawing/coordinate_system.h"
#include "drawing/labels.h"
#include "drawing/line_tools.h"
#include "drawing/shapes.h"
#include "editing/pointer_input.h"
#include "editing/selection.h"
#include "platform/platform_seam.h"
#include "view/current_context.h"
#include "view/page_view.h"
#include "view/tool_modes.h"
#include "view/tool_state.h"

namespace {

constexpr const char16_t* kContentWarningCaption = u"PDF 内容更新警告";
constexpr const char16_t* kShapeContentWarning = u"图形已添加，但 PDF 页面内容生成失败；请尽快另存为新文件。";

PenStyle CurrentPen() { return {g_tool.drawColor, g_tool.lineWidth}; }

void Refresh() {
  g_window.changed(Change::PageContent);
  UpdateTitle();
}

// Labels a freshly drawn straight segment, saying so when that does not work.
void LabelSegment(FPDF_PAGEOBJECT segment) {
  if (!EnsureDefaultFont()) return;
  PdfOps ops = CurrentOps();
  auto line = RecogniseStraightSegment(segment, ops, CurrentScreenMapping());
  if (!line) {
    ShowMessage(u"线段标注警告", u"线段已绘制，但无法读取端点以生成编号。", MessageIcon::Warning);
    return;
  }
  EnsureResult labels = EnsureSegmentLabels(ops, CurrentLabelContext(), segment, line->screenStart, line->screenEnd);
  if (!labels.ok) {
    ShowMessage(u"线段标注警告", u"线段已绘制，但端点编号创建失败。", MessageIcon::Warning);
  } else if (!labels.committed) {
    ShowMessage(kContentWarningCaption, u"线段端点编号已创建，但 PDF 页面内容生成失败；请尽快另存为新文件。",
                MessageIcon::Warning);
  }
}

}  // namespace

void FinishPenStroke(const std::vector<ScreenPoint>& points) {
  if (points.size() < 2) return;  // a single click draws nothing
  if (AddFreehandCurve(CurrentScreenMapping(), points, CurrentPen()) == nullptr) {
    ShowMessage(u"操作失败", u"划线无法加入 PDF 页面。", MessageIcon::Error);
  }
  Refresh();
}

void FinishLine(ScreenPoint start, ScreenPoint end, bool arrow) {
  bool moved = std::abs(end.x - start.x) >= 3 || std::abs(end.y - start.y) >= 3;
  if (!moved && !(g_selection.lengthCm > 0)) return;
  FPDF_PAGEOBJECT segment = AddSegment(CurrentScreenMapping(), start, end, arrow, CurrentPen(), float(g_selection.lengthCm));
  if (segment == nullptr) {
    ShowMessage(u"操作失败", u"划线无法加入 PDF 页面。", MessageIcon::Error);
    return;
  }
  LabelSegment(segment);
  SelectDrawnObject(segment);
  Refresh();
}

static void FinishPoint(ScreenPoint at) {
  auto centre = ScreenToPage(at.x, at.y);
  PointAdd added;
  if (centre) {
    added = AddPoint(CurrentOps(), g_session.currentPage, *centre, std::clamp(g_tool.lineWidth, 1.0f, 100.0f),
                     g_tool.drawColor);
  }
  if (!added.added) {
    ShowMessage(u"几何绘图失败", u"无法在 PDF 页面中创建点。", MessageIcon::Error);
    return;
  }
  MarkModified();
  SelectDrawnObject(added.object);
  g_session.statusText = u"点已添加";
  if (!added.committed) ShowMessage(kContentWarningCaption, kShapeContentWarning, MessageIcon::Warning);
  Refresh();
}

void FinishGeometry(GeometryKind kind, ScreenPoint start, ScreenPoint end) {
  if (kind == GeometryKind::Point) {
    FinishPoint(start);
    return;
  }
  const std::optional<Outline> outline = BuildOutline(kind, start, end);
  if (!outline) {
    g_session.statusText = u"拖动范围过小，请重新绘制";
    g_window.changed(Change::Status);
    return;
  }
  // A triangle is only drawn when its labels can be written; a refused drag loads no font.
  if (kind == GeometryKind::Triangle && !EnsureDefaultFont()) return;
  PdfOps ops = CurrentOps();
  LabelledTriangleAdd triangle;
  if (kind == GeometryKind::Triangle) triangle = AddLabelledTriangle(ops, CurrentLabelContext(), *outline, CurrentPen());
  ShapeAdd added = kind == GeometryKind::Triangle
                       ? triangle.shape
                       : AddOutlineShape(ops, g_session.currentPage, CurrentScreenMapping(), *outline, CurrentPen());
  if (added.result == kShapeFailed) {
    ShowMessage(u"几何绘图失败", u"几何图形无法加入 PDF 页面。", MessageIcon::Error);
    return;
  }
  MarkModified();
  if (kind == GeometryKind::Triangle && triangle.labels.ok) NoteTriangleLabelsCurrent(g_session.currentPage);
  if (kind == GeometryKind::Segment) g_session.fullRewrite = true;
  g_session.statusText = u"图形已添加";
  SelectDrawnObject(added.object);
  bool contentFailed = added.result == kShapeAddedNoContent;
  if (kind == GeometryKind::Triangle) {
    const LabelSetResult& labels = triangle.labels;
    if (!labels.ok) {
      ShowMessage(u"三角形标注警告", u"三角形已保留，但自动编号或边长标注无法创建。", MessageIcon::Warning);
    } else if (!labels.committed) {
      ShowMessage(kContentWarningCaption, u"三角形及标注已添加，但 PDF 内容生成失败；请尽快另存为新文件。",
                  MessageIcon::Warning);
      contentFailed = false;
    }
  } else if (kind == GeometryKind::Segment) {
    LabelSegment(added.object);
  } else if (kind == GeometryKind::Rectangle && EnsureDefaultFont()) {
    EnsureResult labels = EnsureRectangleLabels(ops, CurrentLabelContext(), added.object, outline->points);
    if (!labels.ok) {
      ShowMessage(u"矩形属性警告", u"已选中矩形，但无法创建或更新端点编号。", MessageIcon::Warning);
    } else if (!labels.committed) {
      ShowMessage(kContentWarningCaption, u"矩形端点编号已更新，但 PDF 页面内容生成失败；请尽快另存为新文件。",
                  MessageIcon::Warning);
      contentFailed = false;
    }
  }
  if (contentFailed) ShowMessage(kContentWarningCaption, kShapeContentWarning, MessageIcon::Warning);
  Refresh();
}

static bool LineToolPageChanged() {
  return g_session.document == nullptr || g_tool.lineToolDocument != g_session.document ||
         g_tool.lineToolPage != g_session.currentPageIndex;
}

// Adds the line tool's path and selects (and labels) it.
static void AddLineToolShape(const std::vector<PagePoint>& points, bool arrow, const char16_t* failureCaption,
                      const char16_t* failureText) {
  bool committed = false;
  FPDF_PAGEOBJECT path = AddPagePath(points, arrow, CurrentPen(), u"线工具图形已添加", &committed);
  if (path == nullptr) {
    ShowMessage(failureCaption, failureText, MessageIcon::Error);
    return;
  }
  g_tool.polyline.clear();
  g_session.fullRewrite = true;
  SelectDrawnObject(path);
  if (RecogniseStraightSegment(path, CurrentOps())) LabelSegment(path);
  if (!committed) ShowMessage(kContentWarningCaption, kShapeContentWarning, MessageIcon::Warning);
  Refresh();
}

void FinishLineTool(LineToolKind kind, ScreenPoint start, ScreenPoint end) {
  LineToolInput input;
  input.kind = kind;
  input.start = start;
  input.end = end;
  input.screen = CurrentScreenMapping();
  input.fixedLengthCm = g_tool.fixedLengthCm;
  if (g_tool.equalVectorPicked) input.pickedOffset = g_tool.equalVectorOffset;
  auto points = LineToolPageChanged() ? std::nullopt : LineToolPoints(input);
  if (!points) {
    g_session.statusText = u"绘制范围过小或页面已改变，请重试";
    g_window.changed(Change::Status);
    return;
  }
  bool arrow = kind == LineToolKind::Vector || kind == LineToolKind::EqualVector;
  AddLineToolShape(*points, arrow, u"绘制失败", u"无法将线工具图形加入 PDF 页面。");
}

void AddPolylinePoint(ScreenPoint point) {
  auto p = ScreenToPage(point.x, point.y);
  if (!p) {
    ShowMessage(u"折线绘制失败", u"无法读取折线顶点的位置。", MessageIcon::Error);
    return;
  }
  if (AddPolylineVertex(g_tool.polyline, *p) == PolylineAdd::TooMany) {
    ShowMessage(u"折线绘制", u"折线顶点过多，请右键完成当前折线。", MessageIcon::Warning);
  }
  g_tool.stroke.current = point;
  g_window.changed(Change::Status);
}

void FinishPolyline() {
  if (g_tool.polyline.size() < 2) {
    g_session.statusText = u"请至少点击两个不同的折线顶点";
    g_window.changed(Change::Status);
    return;
  }
  AddLineToolShape(g_tool.polyline, false, u"折线绘制失败", u"无法将折线加入 PDF 页面。");
}

static bool TakeVector(FPDF_PAGEOBJECT object) {
  auto offset = PickVector(object, CurrentOps());
  if (!offset) return false;
  g_tool.equalVectorPicked = true;
  g_tool.equalVectorOffset = *offset;
  g_session.statusText = u"相等向量：点击页面放置起点";
  return true;
}

void PickVectorAt(ScreenPoint point) {
  if (!TakeVector(StraightSegmentAt(point))) g_session.statusText = u"请点击已有向量（带箭头的线）";
  g_window.changed(Change::Status);
}

// Coordinate-system handle drags in the select tool.
namespace {
struct HandleDrag {
  int handle = 0;
  ScreenPoint last;
  bool changed = false;
};
HandleDrag g_handleDrag;
}  // namespace

bool CoordinateHandleAt(ScreenPoint point) {
  FPDF_PAGEOBJECT system = SelectedCoordinateSystem();
  return system != nullptr && HitCoordinateHandle(system, CurrentOps(), CurrentScreenMapping(), point.x, point.y) != 0;
}

void BeginHandleDrag(ScreenPoint point) {
  g_handleDrag = HandleDrag{};
  g_handleDrag.handle = HitCoordinateHandle(SelectedCoordinateSystem(), CurrentOps(), CurrentScreenMapping(), point.x, point.y);
  g_handleDrag.last = point;
}

void ContinueHandleDrag(ScreenPoint point) {
  FPDF_PAGEOBJECT system = SelectedCoordinateSystem();
  if (system == nullptr || g_handleDrag.handle == 0) return;
  bool changed = false;
  bool goOn = DragCoordinateHandle(system, CurrentOps(), CurrentScreenMapping(), g_handleDrag.handle, g_handleDrag.last, point, changed);
  if (changed) {
    g_handleDrag.changed = true;
    g_session.fullRewrite = true;
    g_window.changed(Change::PageShown);
  }
  if (!goOn) g_handleDrag.handle = 0;
}

void EndHandleDrag() {
  if (g_handleDrag.changed) {
    g_session.statusText = u"坐标系已调整";
    FPDF_PAGEOBJECT selected = g_selection.object;
    NotifyObjectModified(u"坐标系已调整");
    SelectDrawnObject(selected);  // the edit itself keeps the system selected
  }
  g_handleDrag = HandleDrag{};
}

FPDF_PAGEOBJECT StraightSegmentAt(ScreenPoint point) {
  FPDF_PAGE page = g_session.currentPage;
  PdfOps ops = CurrentOps();
  if (page == nullptr || ops.FPDFPage_CountObjects == nullptr) return nullptr;
  ScreenMapping screen = CurrentScreenMapping();
  for (int i = ops.FPDFPage_CountObjects(page) - 1; i >= 0; --i) {
    FPDF_PAGEOBJECT object = ops.FPDFPage_GetObject(page, i);
    auto segment = RecogniseStraightSegment(object, ops, screen);
    if (!segment) continue;
    double ax = segment->screenStart.x, ay = segment->screenStart.y;
    double bx = segment->screenEnd.x - ax, by = segment->screenEnd.y - ay;
    double lengthSquared = bx * bx + by * by;
    double t = lengthSquared > 0 ? std::clamp(((point.x - ax) * bx + (point.y - ay) * by) / lengthSquared, 0.0, 1.0) : 0;
    if (std::hypot(point.x - (ax + t * bx), point.y - (ay + t * by)) <= 12) return object;
  }
  return nullptr;
}

void PickSelectedVector(FPDF_PAGEOBJECT selected) {
  if (g_tool.lineTool == LineToolKind::EqualVector && selected != nullptr) TakeVector(selected);
}

void DefineCoordinateSystem() {
  if (g_session.document == nullptr || g_session.currentPage == nullptr) {
    ShowMessage(u"定义坐标系", u"请先打开 PDF 文档。", MessageIcon::Information);
    return;
  }
  constexpr const char16_t* kCaption = u"定义坐标系失败";
  CoordinateBuild build = BuildCoordinateSystem(g_session.currentPage, CurrentOps(), CurrentPageFrame());
  if (build.result == kGridPageTooSmall) {
    ShowMessage(kCaption, u"页面太小，无法容纳坐标网格。", MessageIcon::Error);
    return;
  }
  if (build.result == kGridFailed) {
    ShowMessage(kCaption, u"无法生成坐标系，请检查 PDF 引擎是否支持所需功能。", MessageIcon::Error);
    return;
  }
  MarkModified();
  g_session.fullRewrite = true;
  EnterSelect(u"已生成坐标系：拖动原点平移，拖动单位点或使用右下角按钮调整刻度");
  SelectDrawnObject(build.object);
  if (build.result == kGridPageChanged) {
    bool regenerated = CommitPageContent();
    ShowMessage(kCaption,
                regenerated ? u"坐标系未能完整生成，页面可能已部分修改；可使用撤销恢复。"
                            : u"坐标系未能完整生成，且页面内容更新失败；请使用撤销恢复。",
                MessageIcon::Error);
  } else if (build.result == kGridAddedNoContent) {
    ShowMessage(kContentWarningCaption, u"坐标系已添加，但 PDF 页面内容生成失败；请尽快另存为新文件。",
                MessageIcon::Warning);
  }
  Refresh();
}

void ScaleSelectedCoordinateSystem(bool enlarge) {
  FPDF_PAGEOBJECT system = SelectedCoordinateSystem();
  if (system == nullptr) return;
  constexpr const char16_t* kCaption = u"坐标系缩放失败";
  PdfOps ops = CurrentOps();
  auto points = ReadControlPoints(system, ops);
  if (!points) {
    ShowMessage(kCaption, u"无法读取选中坐标系的单位点，缩放未执行。", MessageIcon::Error);
    return;
  }
  double current = std::hypot(double(points->unit.x - points->origin.x), double(points->unit.y - points->origin.y));
  UnitLengthResult result = SetUnitLength(system, ops, current * (enlarge ? 1.2 : 0.8333333));
  if (result == kUnitFailed) {
    ShowMessage(kCaption, u"无法缩放选中的坐标系。", MessageIcon::Error);
    return;
  }
  if (result == kUnitAtLimit) {
    g_session.statusText = u"坐标系单位已达到缩放限制";
    g_window.changed(Change::Status);
    return;
  }
  g_session.fullRewrite = true;
  g_session.statusText = enlarge ? u"已放大坐标系单位" : u"已缩小坐标系单位";
  NotifyObjectModified(u"坐标系已修改");
  SelectDrawnObject(system);
  if (result == kUnitUnverified) {
    ShowMessage(kCaption, u"坐标系已修改，但无法读取调整后的控制点；请使用撤销恢复。", MessageIcon::Error);
  }
}
