#include "view/tool_modes.h"

#include <cmath>
#include <cstdlib>

#include "document/session.h"
#include "document/window_hooks.h"
#include "engine/engine_table.h"
#include "platform/platform_seam.h"
#include "platform/text_encoding.h"
#include "view/page_view.h"

namespace {

constexpr const char16_t* kOcrPrompt = u"请在页面上拖动鼠标框选 OCR 识别区域；按 Esc 取消";

void EnterMode(ToolMode mode, const std::u16string& message) {
  g_window.clearSelections();
  ClearToolProgress();
  g_tool.mode = mode;
  g_tool.lineTool = LineToolKind::None;  // a line tool sets itself after entering
  g_session.statusText = message;
  g_window.toolModeChanged();
  InvalidateRender(true);
}

}  // namespace

void EnterSelect(const std::u16string& message) { EnterMode(ToolMode::Select, message); }

void ToggleHand() {
  if (g_tool.mode == ToolMode::Hand) {
    g_tool.shapePanelRequested = true;
    EnterMode(ToolMode::Select, u"选取模式：使用鼠标指针");
  } else {
    g_tool.shapePanelRequested = false;
    EnterMode(ToolMode::Hand, u"手形工具：按住鼠标左键拖动浏览页面");
  }
}

void EnterSelectText() {
  g_tool.shapePanelRequested = false;
  EnterMode(ToolMode::SelectText, u"选择文字：拖动选择页面上的文字，双击选词，三击选行，Ctrl+C 复制");
}

void EnterPen() {
  g_tool.shapePanelRequested = false;
  EnterMode(ToolMode::Pen, u"画曲线模式");
}

void EnterArrow() {
  g_tool.shapePanelRequested = true;
  EnterMode(ToolMode::Arrow, u"箭头模式");
}

void EnterSelectErase() {
  g_tool.shapePanelRequested = false;
  EnterMode(ToolMode::SelectErase, u"擦除模式");
}

bool EnterForceErase() {
  if (g_session.document == nullptr) {
    ShowMessage(u"强制擦除", u"请先打开 PDF 文档。", MessageIcon::Warning);
    return false;
  }
  MessageAnswer answer = ShowMessage(
      u"强制擦除（图片像素）",
      u"强制擦除直接将图片像素改为白色，不添加覆盖层。\n共享图片的其他位置也可能改变甚至消失；请先备份并检查所有相关页面。\n文字、图形、批注及嵌套图片不会被擦除。\n裁剪或带透明图形状态的图片不支持此操作。\n原始资源或其他副本可能仍在文件中，不能保证隐私脱敏。\n是否继续？",
      MessageIcon::Warning, MessageButtons::OkCancel);
  if (answer != MessageAnswer::Ok) return false;
  g_tool.shapePanelRequested = false;
  EnterMode(ToolMode::ForceErase, u"擦除模式");
  return true;
}

void ToggleText() {
  if (g_tool.mode == ToolMode::Text) {
    g_tool.shapePanelRequested = true;
    EnterMode(ToolMode::Select, u"选取模式：使用鼠标指针");
  } else {
    g_tool.shapePanelRequested = false;
    EnterMode(ToolMode::Text, u"文本模式：点击 PDF 页面添加文本");
  }
}

void ToggleEdit() {
  if (g_session.document == nullptr) return;
  if (g_tool.mode == ToolMode::Edit && !g_tool.shapePanelRequested) {
    g_tool.shapePanelRequested = true;  // the panel was closed: the toggle only brings it back
    g_window.toolModeChanged();
    return;
  }
  if (g_tool.mode == ToolMode::Edit) {
    g_tool.shapePanelRequested = false;
    EnterMode(ToolMode::Hand, u"手形工具：按住鼠标左键拖动浏览页面");
    return;
  }
  if (g_engine.FPDFPageObj_Transform == nullptr) {
    EnterMode(ToolMode::Select, u"选取模式：使用鼠标指针");
    ShowMessage(u"编辑功能不可用", u"当前 PDFium 运行库不支持编辑绘制图形。", MessageIcon::Error);
    return;
  }
  g_tool.shapePanelRequested = true;
  EnterMode(ToolMode::Edit, u"编辑模式：点选图形或图片，拖动移动");
}

void EnterImagePlacement() {
  g_tool.shapePanelRequested = false;
  EnterMode(ToolMode::ImagePlacement, u"图像模式：点击 PDF 页面中的位置放置图片");
}

void EnterEdit() {
  g_tool.shapePanelRequested = true;
  EnterMode(ToolMode::Edit, u"编辑模式：点选图形或图片，拖动移动");
}

bool EnterGeometry(GeometryKind kind) {
  if (g_session.document == nullptr) return false;
  static const char16_t* const kHints[] = {u"几何绘图：拖动绘制线段", u"几何绘图：拖动绘制矩形",
                                           u"几何绘图：拖动绘制椭圆", u"几何绘图：拖动绘制三角形",
                                           u"几何绘图：点击放置点"};
  g_tool.geometryKind = kind;
  g_tool.shapePanelRequested = false;
  EnterMode(ToolMode::Geometry, kHints[int(kind)]);
  return true;
}

bool ParseFixedLength(const std::u16string& text, double& value) {
  auto utf8 = Utf16ToUtf8(text);
  if (!utf8) return false;
  const char* start = utf8->c_str();
  char* end = nullptr;
  double parsed = std::strtod(start, &end);
  if (end == start || *end != '\0' || !std::isfinite(parsed) || parsed < 0.01 || parsed > 1000) return false;
  value = parsed;
  return true;
}

namespace {

// The length dialog: asks until a valid length or Cancel.
bool AskFixedLength() {
  if (g_platform.askText == nullptr) {
    ShowMessage(u"定长线段", u"无法打开线段长度输入窗口。", MessageIcon::Error);
    return false;
  }
  char initial[32];
  std::snprintf(initial, sizeof initial, "%.3f", g_tool.fixedLengthCm);
  std::u16string typed = Utf8ToUtf16(initial);
  for (;;) {
    auto answer = g_platform.askText(u"定长线段", u"长度（厘米）：", typed);
    if (!answer) return false;
    double value = 0;
    if (ParseFixedLength(*answer, value)) {
      g_tool.fixedLengthCm = value;
      return true;
    }
    ShowMessage(u"长度无效", u"请输入 0.01 到 1000 厘米之间的长度。", MessageIcon::Warning);
    typed = *answer;
  }
}

}  // namespace

bool EnterLineTool(LineToolKind kind) {
  if (g_session.document == nullptr) return false;
  if (kind == LineToolKind::FixedLengthSegment && !AskFixedLength()) return false;
  std::u16string hint;
  switch (kind) {
    case LineToolKind::StraightLine:
      hint = u"直线：拖动确定方向，直线延伸到页面边界";
      break;
    case LineToolKind::FixedLengthSegment:
      hint = u"定长线段：拖动确定起点和方向";
      break;
    case LineToolKind::Ray:
      hint = u"射线：从起点拖动确定方向，延伸到页面边界";
      break;
    case LineToolKind::Polyline:
      hint = u"折线：依次点击顶点，右键完成，Esc 取消";
      break;
    case LineToolKind::Vector:
      hint = u"向量：从起点拖动到终点";
      break;
    default:
      // Taking the direction of a selected vector arrives with the selection tools.
      hint = u"相等向量：先点击已有向量，再点击新起点";
      break;
  }
  g_tool.geometryKind = GeometryKind::Segment;
  g_tool.shapePanelRequested = false;
  EnterMode(ToolMode::Geometry, hint);
  g_tool.lineTool = kind;
  g_tool.lineToolDocument = g_session.document;
  g_tool.lineToolPage = g_session.currentPageIndex;
  return true;
}

void ToggleOcrRegion() {
  if (g_tool.ocrRegion) {
    g_tool.ocrRegion = false;
    g_session.statusText = u"已取消 OCR 区域选择";
  } else {
    if (g_session.currentPage == nullptr) {
      ShowMessage(u"OCR", u"请先打开 PDF 文件，再选择要识别的页面。", MessageIcon::Information);
      return;
    }
    g_tool.ocrRegion = true;
    g_session.statusText = kOcrPrompt;
  }
  g_window.toolModeChanged();
  g_window.changed(Change::Status);
}

void LeaveOcrRegion() {
  if (!g_tool.ocrRegion) return;
  g_tool.ocrRegion = false;
  if (g_session.statusText == kOcrPrompt) g_session.statusText.clear();
  g_window.toolModeChanged();
  g_window.changed(Change::Status);
}

void CancelLineTool(const std::u16string& message) {
  g_tool.polyline.clear();
  EnterSelect(message);
}
