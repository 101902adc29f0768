#include "view/toolbar.h"

#include "document/session.h"
#include "view/page_view.h"
#include "view/tool_state.h"

namespace {

std::vector<ToolbarButton> MakeButtons() {
  struct Row {
    int id;
    const char16_t* label;
  };
  static const Row kRows[] = {{1120, u"页面"}, {1121, u"打开"}, {1138, u"选取"}, {1123, u"画笔"}, {1124, u"擦除"},
                              {1125, u"缩小"}, {1126, u"放大"}, {1127, u"适合"}, {1128, u"逆时针"}, {1129, u"顺时针"},
                              {1130, u"保存"}, {1131, u"全屏"}, {1132, u"手形"}, {1134, u"编辑"}, {1135, u"文本"},
                              {1136, u"图像"}, {1142, u"绘图"}, {1141, u"OCR"}};
  std::vector<ToolbarButton> buttons{{1139, u"新建", 4, false}};
  int x = 48;
  for (int i = 0; i < 18; ++i) {
    if (i == 3 || i == 12) x += 8;
    buttons.push_back({kRows[i].id, kRows[i].label, x, kRows[i].id == 1123 || kRows[i].id == 1142});
    x += kToolbarButtonWidth;
  }
  return buttons;
}

}  // namespace

const std::vector<ToolbarButton>& ToolbarButtons() {
  static const std::vector<ToolbarButton> buttons = MakeButtons();
  return buttons;
}

std::vector<int> ToolbarSeparators() { return {48 + 3 * kToolbarButtonWidth + 3, 48 + 12 * kToolbarButtonWidth + 8 + 3}; }

std::u16string ToolbarButtonLabel(const ToolbarButton& button) {
  if (button.id == 1131 && g_layout.fullScreen) return u"还原";
  return button.label;
}

bool ToolbarButtonEnabled(int id) {
  if (id == 1139 || id == 1120 || id == 1121) return true;
  if (g_session.document == nullptr) return false;
  if (id == 1125) return CanZoomOut();
  if (id == 1126) return CanZoomIn();
  return true;
}

bool ToolbarButtonActive(int id) {
  if (id == 1120) return g_layout.navigatorShown;
  if (g_tool.ocrRegion) return id == 1141;
  switch (id) {
    case 1123:
      return g_tool.mode == ToolMode::Pen;
    case 1124:
      return IsEraseMode(g_tool.mode);
    case 1132:
      return g_tool.mode == ToolMode::Hand;
    case 1134:
      return g_tool.mode == ToolMode::Edit;
    case 1135:
      return g_tool.mode == ToolMode::Text;
    case 1136:
      return g_tool.mode == ToolMode::ImagePlacement;
    case 1138:
      return g_tool.mode == ToolMode::Select;
    case 1142:
      return g_tool.mode == ToolMode::Geometry || g_tool.mode == ToolMode::Pen || g_tool.mode == ToolMode::Arrow;
    default:
      return false;
  }
}

int ToolbarButtonAt(int x, int y) {
  if (g_layout.fullScreen || y < 0 || y >= kToolbarHeight) return 0;
  for (const auto& button : ToolbarButtons()) {
    if (x >= button.x && x < button.x + kToolbarButtonWidth) return button.id;
  }
  return 0;
}
