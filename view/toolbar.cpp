#include "view/toolbar.h"

#include "document/session.h"
#include "view/command_ids.h"
#include "view/page_view.h"
#include "view/tool_state.h"

namespace {

std::vector<ToolbarButton> MakeButtons() {
  struct Row {
    int id;
    const char16_t* label;
  };
  static const Row kRows[] = {
      {kCmdToggleNavigator, u"页面"}, {kCmdOpenButton, u"打开"},       {kCmdSelectTool, u"选取"},
      {kCmdPenMenu, u"画笔"},         {kCmdEraseMenu, u"擦除"},        {kCmdZoomOutButton, u"缩小"},
      {kCmdZoomInButton, u"放大"},    {kCmdFitMenu, u"适合"},          {kCmdRotateLeftButton, u"逆时针"},
      {kCmdRotateRightButton, u"顺时针"}, {kCmdSaveButton, u"保存"},   {kCmdFullScreenButton, u"全屏"},
      {kCmdHandTool, u"手形"},        {kCmdSelectTextTool, u"选择文字"}, {kCmdEditMode, u"编辑"},         {kCmdTextButton, u"文本"},
      {kCmdInsertImage, u"图像"},     {kCmdDrawingMenuButton, u"绘图"}, {kCmdOcr, u"OCR"}};
  std::vector<ToolbarButton> buttons{{kCmdNewButton, u"新建", 4, false}};
  int x = 48;
  for (int i = 0; i < 19; ++i) {
    if (i == 3 || i == 12) x += 8;
    bool dropMarker = kRows[i].id == kCmdPenMenu || kRows[i].id == kCmdDrawingMenuButton;
    buttons.push_back({kRows[i].id, kRows[i].label, x, dropMarker});
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
  if (button.id == kCmdFullScreenButton && g_layout.fullScreen) return u"还原";
  return button.label;
}

bool ToolbarButtonEnabled(int id) {
  if (id == kCmdNewButton || id == kCmdToggleNavigator || id == kCmdOpenButton) return true;
  if (g_session.document == nullptr) return false;
  if (id == kCmdZoomOutButton) return CanZoomOut();
  if (id == kCmdZoomInButton) return CanZoomIn();
  return true;
}

bool ToolbarButtonActive(int id) {
  if (g_tool.ocrRegion) return id == kCmdOcr;  // no other button looks pressed meanwhile
  if (id == kCmdToggleNavigator) return g_layout.navigatorShown;
  switch (id) {
    case kCmdPenMenu:
      return g_tool.mode == ToolMode::Pen;
    case kCmdEraseMenu:
      return IsEraseMode(g_tool.mode);
    case kCmdHandTool:
      return g_tool.mode == ToolMode::Hand;
    case kCmdEditMode:
      return g_tool.mode == ToolMode::Edit;
    case kCmdSelectTextTool:
      return g_tool.mode == ToolMode::SelectText;
    case kCmdTextButton:
      return g_tool.mode == ToolMode::Text;
    case kCmdInsertImage:
      return g_tool.mode == ToolMode::ImagePlacement;
    case kCmdSelectTool:
      return g_tool.mode == ToolMode::Select;
    case kCmdDrawingMenuButton:
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
