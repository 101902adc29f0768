#include "widgets/text_menu.h"

#include <QMenu>

#include "document/session.h"
#include "editing/pointer_input.h"
#include "editing/selection.h"
#include "editing/text_selection.h"
#include "platform/platform_seam.h"
#include "view/tool_state.h"
#include "widgets/page_canvas.h"
#include "widgets/window_access.h"

namespace {

void ShowMenu(QPoint client) {
  PageCanvas* canvas = MainCanvas();
  if (canvas == nullptr) return;
  QMenu menu(MainWindowWidget());
  QAction* size = menu.addAction(QStringLiteral("设置字号..."));
  QAction* colour = menu.addAction(QStringLiteral("设置文字颜色..."));
  if (size == nullptr || colour == nullptr) {
    ShowMessage(u"文本编辑失败", u"无法打开文本属性菜单。", MessageIcon::Error);
    return;
  }
  canvas->update();  // the selection frame shows while the menu is open
  QAction* chosen = menu.exec(canvas->mapToGlobal(client));
  if (chosen == size) {
    RunTextMenuChoice(TextMenuChoice::Size);
  } else if (chosen == colour) {
    RunTextMenuChoice(TextMenuChoice::Colour);
  }
}

bool ShowTextMenuAt(ScreenPoint point) {
  if (TextForMenuAt(point) == nullptr) return false;
  ShowMenu(QPoint(point.x, point.y));
  return true;
}

}  // namespace

void InstallTextMenu() { g_pageMenus.textMenu = ShowTextMenuAt; }

void ShowTextMenuFromKeyboard() {
  if (g_tool.mode != ToolMode::Select || g_session.currentPage == nullptr || g_selection.selectedText == nullptr) return;
  auto rect = TextScreenRect(g_selection.selectedText, CurrentOps(), CurrentPageFrame());
  if (rect) ShowMenu(QPoint(rect->left, rect->bottom));
}
