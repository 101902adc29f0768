#include "widgets/image_menu.h"

#include <QCursor>
#include <QMenu>
#include <cmath>

#include "document/session.h"
#include "document/window_hooks.h"
#include "editing/drawn_objects.h"
#include "editing/image_clipboard.h"
#include "editing/image_commands.h"
#include "editing/image_objects.h"
#include "editing/selection.h"
#include "engine/engine_table.h"
#include "platform/platform_seam.h"
#include "view/command_ids.h"
#include "view/command_sink.h"
#include "widgets/page_canvas.h"
#include "widgets/window_access.h"

namespace {

struct ImageMenuItem {
  const char16_t* text;  // nullptr: a separator
  bool (*enabled)();
  void (*run)(ScreenPoint point);
};

bool ImageSelected() { return g_selection.selectedImage != nullptr; }

bool CanAddImage() {
  return g_session.document != nullptr && g_session.currentPage != nullptr && g_engine.FPDFPageObj_NewImageObj &&
         g_engine.FPDFImageObj_SetMatrix;
}

const ImageMenuItem kItems[] = {
    {u"剪切", CanCutImage, [](ScreenPoint) { CutSelectedImage(); }},
    {u"复制", CanCopyImage, [](ScreenPoint) { CopySelectedImage(); }},
    {u"粘贴", CanPasteImage, [](ScreenPoint p) { PasteImage(p); }},
    {nullptr, nullptr, nullptr},
    {u"删除图片", ImageSelected, [](ScreenPoint) { DeleteSelectedImage(); }},
    {u"替换图片...", ImageSelected, [](ScreenPoint) { ReplaceSelectedImage(); }},
    {nullptr, nullptr, nullptr},
    {u"增加图片...", CanAddImage, [](ScreenPoint p) { InsertImageAtPoint(p); }},
    {nullptr, nullptr, nullptr},
    {u"更换底色...", ImageSelected, [](ScreenPoint) { if (g_sendCommand != nullptr) g_sendCommand(kCmdBackgroundColour); }},
    {nullptr, nullptr, nullptr},
    {u"图片上移一个图层", [] { return CanMoveImageLayer(+1); }, [](ScreenPoint) { MoveSelectedImageLayer(+1); }},
    {u"图片下移一个图层", [] { return CanMoveImageLayer(-1); }, [](ScreenPoint) { MoveSelectedImageLayer(-1); }},
};

// Within the selected image's bounds on screen (also bounds of no area, which the hit test
// passes over).
bool InsideSelectedImage(ScreenPoint point) {
  auto rect = ScreenRectOf(g_selection.selectedImage, g_engine);
  return rect && rect->Contains(point.x, point.y);
}

}  // namespace

void ShowImageMenu(ScreenPoint point) {
  if (FPDF_PAGEOBJECT hit = HitImage(point)) {
    ClearDrawnSelection();
    g_selection.selectedImage = hit;
  } else if (!InsideSelectedImage(point)) {
    g_selection.selectedImage = nullptr;
  }
  PageCanvas* canvas = MainCanvas();
  if (canvas == nullptr) return;
  g_window.changed(Change::Selection);
  QMenu menu(MainWindowWidget());
  const ImageMenuItem* chosen = nullptr;
  for (const ImageMenuItem& item : kItems) {
    if (item.text == nullptr) {
      menu.addSeparator();
      continue;
    }
    QAction* action = menu.addAction(QString::fromStdU16String(item.text));
    if (action == nullptr) {
      ShowMessage(u"图片编辑失败", u"无法创建图片操作菜单项。", MessageIcon::Error);
      return;
    }
    action->setEnabled(item.enabled());
    QObject::connect(action, &QAction::triggered, [&chosen, &item] { chosen = &item; });
  }
  MainWindowWidget()->activateWindow();
  menu.exec(canvas->mapToGlobal(QPoint(point.x, point.y)));
  if (chosen != nullptr) chosen->run(point);
}
