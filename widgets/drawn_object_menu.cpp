#include "widgets/drawn_object_menu.h"

#include <QCursor>
#include <QMenu>

#include "document/edit_wrapper.h"
#include "editing/deleting.h"
#include "editing/hit_tests.h"
#include "editing/image_objects.h"
#include "editing/pointer_input.h"
#include "editing/selection.h"
#include "editing/text_selection.h"
#include "platform/platform_seam.h"
#include "view/tool_state.h"
#include "widgets/image_menu.h"
#include "widgets/window_access.h"

namespace {

// Right-button release in the edit tool: selects the drawn object under the pointer and
// offers to delete it; on an image or empty page space the image menu opens instead.
void ShowDrawnObjectMenu(ScreenPoint point) {
  FPDF_PAGEOBJECT hit = HitObject(point);
  if (hit == nullptr || ImageTakesPointFrom(hit, point)) return ShowImageMenu(point);
  SelectObject(hit);
  QMenu menu(MainWindowWidget());
  QAction* remove = menu.addAction(QStringLiteral("删除所选图形"));
  if (remove == nullptr) {
    ShowMessage(u"图形编辑失败", u"无法打开图形操作菜单。", MessageIcon::Error);
    return;
  }
  if (menu.exec(QCursor::pos()) == remove) DeleteSelected();
}

}  // namespace

void InstallDrawnObjectMenu() { g_pageMenus.contextMenu = ShowDrawnObjectMenu; }

void OnDeleteKey() {
  if (g_tool.mode == ToolMode::Select && g_selection.selectedText != nullptr) {
    EditScope scope = BeginPossibleEdit();
    DeleteSelectedText();
    EndPossibleEdit(scope);
    return;
  }
  if (g_selection.object == nullptr && g_selection.group.empty()) return;
  EditScope scope = BeginPossibleEdit();
  DeleteSelection();
  EndPossibleEdit(scope);
}
