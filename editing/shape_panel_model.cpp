#include "editing/shape_panel_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "content/font_table.h"
#include "document/session.h"
#include "document/window_hooks.h"
#include "drawing/find_remove.h"
#include "drawing/geometry_edits.h"
#include "drawing/labels.h"
#include "editing/pen_palette.h"
#include "editing/selection.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"
#include "view/current_context.h"
#include "view/page_view.h"
#include "view/tool_state.h"

namespace {

constexpr const char16_t* kEditCaption = u"图形编辑失败";

bool ContextHolds() {
  if (g_session.document == nullptr) return false;
  if (g_selection.object != nullptr) return true;
  switch (g_tool.mode) {
    case ToolMode::Select:
    case ToolMode::Edit:
    case ToolMode::Hand:
    case ToolMode::SelectErase:
    case ToolMode::ForceErase:
    case ToolMode::Pen:
    case ToolMode::Text:
      return false;
    default:
      return true;
  }
}

void Say(const std::u16string& text) {
  g_session.statusText = text;
  g_window.changed(Change::Status);
}

}  // namespace

bool ShapePanelVisible() {
  if (!g_tool.shapePanelRequested || SelectedKind() == DrawnKind::CoordinateSystem) return false;
  if (g_tool.mode == ToolMode::Edit) return g_selection.object != nullptr;
  return ContextHolds();
}

PanelLayout CurrentPanelLayout() {
  switch (SelectedKind()) {
    case DrawnKind::Point:
      return PanelLayout::Point;
    case DrawnKind::Rectangle:
      return PanelLayout::Rectangle;
    case DrawnKind::Triangle:
      return PanelLayout::Triangle;
    case DrawnKind::Line:
      return PanelLayout::Segment;
    default:
      return PanelLayout::Line;
  }
}

bool UpdatePanelShown() {
  bool shown = ShapePanelVisible();
  if (shown == g_layout.shapePanelShown) return false;
  SetSidePanelsShown(shown, g_layout.imagePanelShown);
  return true;
}

std::optional<double> ParsePanelNumber(const std::u16string& text, bool centimetreSuffix) {
  std::string ascii;
  for (char16_t c : text) {
    if (c > 0x7F) return std::nullopt;
    ascii.push_back(char(c));
  }
  const char* start = ascii.c_str();
  char* end = nullptr;
  double value = std::strtod(start, &end);
  if (end == start || !std::isfinite(value)) return std::nullopt;
  std::string rest(end);
  if (centimetreSuffix && rest.size() >= 2 && (rest[0] == 'c' || rest[0] == 'C') && (rest[1] == 'm' || rest[1] == 'M')) {
    rest.erase(0, 2);
  }
  for (char c : rest) {
    if (c != ' ' && c != '\t') return std::nullopt;
  }
  return value;
}

std::u16string FormatTwoPlaces(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.2f", value);
  return Utf8ToUtf16(buffer);
}

bool ApplyWidth(const std::u16string& text) {
  bool point = SelectedKind() == DrawnKind::Point;
  auto value = ParsePanelNumber(text);
  if (!value || *value < 1 || *value > (point ? 100 : 20)) {
    if (point) {
      ShowMessage(u"点大小无效", u"请输入 1 到 100 pt 之间的有效点大小。", MessageIcon::Warning);
    } else {
      ShowMessage(u"线宽无效", u"请输入 1 到 20 pt 之间的有效线宽。", MessageIcon::Warning);
    }
    return false;
  }
  PdfOps ops = CurrentOps();
  FPDF_PAGEOBJECT selected = g_selection.object;
  if (selected == nullptr) {
    g_tool.lineWidth = float(*value);
    Say(u"直线线宽已更新");
  } else if (point) {
    PointResize resized = ResizePoint(ops, g_session.currentPage, selected, float(*value), g_tool.drawColor);
    if (!resized.ok) {
      ShowMessage(u"点编辑失败", u"无法修改所选点的大小。", MessageIcon::Error);
      return true;
    }
    SelectDrawnObject(resized.object);
    g_tool.lineWidth = float(*value);
    Say(u"点大小已更新");
    NotifyKeepingSelection(u"点大小已更新");
    if (!resized.committed) {
      ShowMessage(u"PDF 内容更新警告", u"点大小已更新，但 PDF 页面内容生成失败；请尽快另存为新文件。", MessageIcon::Warning);
    }
  } else {
    if (!SetPageStrokeWidth(selected, ops, float(*value))) {
      ShowMessage(kEditCaption, u"无法修改所选图形的线宽。", MessageIcon::Error);
      return true;
    }
    g_tool.lineWidth = float(*value);
    Say(u"图形线宽已更新");
    NotifyKeepingSelection(u"图形线宽已更新");
  }
  return true;
}

bool ApplyLength(const std::u16string& text) {
  auto value = ParsePanelNumber(text);
  if (!value || *value < 0 || *value > 10000) {
    ShowMessage(u"直线长度无效", u"请输入 0 到 10000 cm 之间的有效长度；0 表示自由绘制。", MessageIcon::Warning);
    return false;
  }
  if (SelectedKind() == DrawnKind::Line && *value < 0.01) {
    ShowMessage(u"线段长度无效", u"线段长度必须至少为 0.01 cm。", MessageIcon::Warning);
    return false;
  }
  FPDF_PAGEOBJECT selected = g_selection.object;
  if (selected == nullptr) {
    Say(*value > 0 ? u"直线目标长度已更新" : u"直线长度已设为自由绘制");
  } else if (*value > 0) {
    FPDF_PAGEOBJECT scaled = SetTotalLength(CurrentOps(), g_session.currentPage, selected, *value);
    if (scaled == nullptr) {
      ShowMessage(kEditCaption, u"无法读取所选图形长度或将其调整到指定长度。", MessageIcon::Error);
      return true;
    }
    SelectDrawnObject(scaled);
    Say(u"图形总长度已更新");
    NotifyKeepingSelection(u"图形总长度已更新");
  } else {
    Say(u"图形长度未修改；0 表示后续绘制不限制长度");
  }
  // Only a segment or arrow fixes the length of later lines; 0 frees them whatever is selected.
  if (selected == nullptr || *value == 0 || SelectedKind() == DrawnKind::Line) g_selection.lengthCm = *value;
  return true;
}

double ShownLengthCm() {
  if (g_selection.object == nullptr) return g_selection.lengthCm;
  if (SelectedKind() == DrawnKind::Point) return 0;
  auto measured = MeasurePolyline(g_selection.object, CurrentOps());
  return measured ? measured->total * kCmPerPoint : 0;
}

std::optional<SideRows> SelectedSideRows() {
  PdfOps ops = CurrentOps();
  DrawnKind kind = SelectedKind();
  MarkKind mark = kind == DrawnKind::Rectangle ? MarkKind::Rectangle : MarkKind::Triangle;
  SideRows rows;
  if (kind == DrawnKind::Rectangle) {
    auto sides = RectangleSides(g_selection.object, ops, CurrentPageFrame());
    if (!sides) return std::nullopt;
    std::copy(sides->begin(), sides->end(), rows.lengths.begin());
    rows.count = 4;
  } else if (kind == DrawnKind::Triangle) {
    auto sides = TriangleSides(g_selection.object, ops);
    if (!sides) return std::nullopt;
    std::copy(sides->begin(), sides->end(), rows.lengths.begin());
    rows.count = 3;
  } else {
    return std::nullopt;
  }
  for (int i = 0; i < rows.count; ++i) {
    if (!std::isfinite(rows.lengths[size_t(i)]) || !(rows.lengths[size_t(i)] > 0)) return std::nullopt;
  }
  auto names = SideNames(ops, g_selection.object, mark);
  for (int i = 0; i < rows.count; ++i) {
    rows.names[size_t(i)] = names && size_t(i) < names->size() ? (*names)[size_t(i)] : u"边" + Num(i + 1);
  }
  return rows;
}

std::u16string SelectedCornerNames() {
  PdfOps ops = CurrentOps();
  DrawnKind kind = SelectedKind();
  MarkKind mark = kind == DrawnKind::Rectangle ? MarkKind::Rectangle : MarkKind::Line;
  auto name = MarkedShapeName(g_selection.object, ops, mark);
  uint32_t number = name ? ReadLabelNumber(*name, mark) : 0;
  if (number == 0) return {};
  std::u16string n = Num(number);
  if (kind == DrawnKind::Rectangle) return FillPlaceholders(u"端点：a%u、b%u、c%u、d%u", {n, n, n, n});
  return FillPlaceholders(u"端点：a%u、b%u", {n, n});
}

bool ApplySideLength(int row, const std::u16string& text) {
  auto value = ParsePanelNumber(text, true);
  if (!value || *value < 0.01 || *value > 10000) {
    ShowMessage(u"边长无效", u"请输入 0.01 到 10000 cm 之间的有效边长。", MessageIcon::Warning);
    return false;
  }
  bool rectangle = SelectedKind() == DrawnKind::Rectangle;
  PdfOps ops = CurrentOps();
  EditResult result;
  if (EnsureDefaultFont()) {
    LabelContext ctx = CurrentLabelContext();
    result = rectangle ? SetRectangleSide(ops, ctx, g_selection.object, row, *value)
                       : SetTriangleSide(ops, ctx, g_selection.object, row, *value);
  }
  if (!result.ok) {
    if (rectangle) {
      ShowMessage(u"矩形编辑失败",
                  result.rollbackCommitted ? u"无法安全更新矩形或其端点标注，边长未应用。"
                                           : u"修改失败且 PDF 页面回滚失败；请尽快另存为新文件。",
                  MessageIcon::Error);
    } else {
      ShowMessage(u"三角形编辑失败",
                  result.rollbackCommitted ? u"无法安全地更新三角形或其顶点标注，边长未应用。"
                                           : u"修改失败，且 PDF 页面内容回滚失败；请尽快另存为新文件。",
                  MessageIcon::Error);
    }
    return true;
  }
  SelectDrawnObject(result.newObject);
  Say(rectangle ? u"矩形边长已更新" : u"三角形边长已更新");
  NotifyKeepingSelection(rectangle ? u"矩形边长已更新" : u"三角形边长已更新");
  if (!result.oldLabelsRemoved) {
    if (rectangle) {
      ShowMessage(u"矩形标注警告", u"矩形已调整，但旧的端点标注未能全部清理。", MessageIcon::Warning);
    } else {
      ShowMessage(u"三角形标注警告", u"三角形已调整，但旧的顶点标注未能全部清理。", MessageIcon::Warning);
    }
  }
  return true;
}

ScreenPoint FixedLengthEnd(ScreenPoint start, ScreenPoint pointer) {
  if (!(g_selection.lengthCm > 0)) return pointer;
  auto a = ScreenToPage(start.x, start.y), b = ScreenToPage(pointer.x, pointer.y);
  if (!a || !b) return pointer;
  double length = g_selection.lengthCm * 72 / 2.54;
  double dx = b->x - a->x, dy = b->y - a->y, d = std::hypot(dx, dy);
  double ux = d > 1e-6 ? dx / d : 1, uy = d > 1e-6 ? dy / d : 0;
  float x, y;
  PageToScreen(float(a->x + length * ux), float(a->y + length * uy), x, y);
  if (!std::isfinite(x) || !std::isfinite(y)) return pointer;
  return {int(std::lround(x)), int(std::lround(y))};
}

int PaletteIndexAt(int x, int y) {
  if (x < 18 || y < 44) return -1;
  int column = (x - 18) / 36, row = (y - 44) / 36;
  if (column > 5 || row > 4) return -1;
  int dx = x - (36 + 36 * column), dy = y - (62 + 36 * row);
  if (dx * dx + dy * dy > 13 * 13) return -1;
  return row * 6 + column;
}

int SliderWidthAt(int x) {
  x = std::clamp(x, 26, 224);
  return (19 * (x - 26) + 99) / 198 + 1;
}

void ChoosePenColour(uint32_t rgb) {
  FPDF_PAGEOBJECT selected = g_selection.object;
  if (selected != nullptr) {
    PdfOps ops = CurrentOps();
    unsigned r = rgb & 0xFF, g = (rgb >> 8) & 0xFF, b = (rgb >> 16) & 0xFF;
    bool ok;
    if (SelectedKind() == DrawnKind::Point) {
      ok = ops.FPDFPageObj_SetFillColor && ops.FPDFPageObj_SetFillColor(selected, r, g, b, 255);
      if (ok && ops.FPDFPageObj_SetStrokeColor) ops.FPDFPageObj_SetStrokeColor(selected, r, g, b, 255);
    } else {
      ok = ops.FPDFPageObj_SetStrokeColor && ops.FPDFPageObj_SetStrokeColor(selected, r, g, b, 255);
    }
    if (!ok) {
      ShowMessage(kEditCaption, u"无法修改所选图形的颜色。", MessageIcon::Error);
      return;
    }
    g_session.statusText = u"图形颜色已更新";
    NotifyKeepingSelection(u"图形颜色已更新");
  }
  g_tool.drawColor = rgb;
  g_window.changed(Change::Status);
}
