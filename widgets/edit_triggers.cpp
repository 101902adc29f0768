#include "widgets/edit_triggers.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include "document/session.h"
#include "editing/pointer_input.h"
#include "editing/text_selection.h"
#include "view/page_view.h"
#include "view/tool_state.h"
#include "widgets/navigator_panel.h"
#include "widgets/page_canvas.h"
#include "widgets/window_access.h"

namespace {

bool IsNavigator(QObject* receiver) {
  PageCanvas* canvas = MainCanvas();
  return canvas != nullptr &&
         (receiver == canvas->navigator()->list() || receiver == canvas->navigator()->list()->viewport());
}

bool IsEnter(const QKeyEvent* key) { return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter; }

// The widget itself or the box it belongs to (a spin box's inner line edit).
bool NamedOrInside(QObject* receiver, const char* name) {
  for (QObject* object = receiver; object != nullptr; object = object->parent()) {
    if (object->objectName() == QLatin1String(name)) return true;
    if (object == MainWindowWidget()) break;
  }
  return false;
}

bool DoubleClickOnPageText(const QMouseEvent* mouse) {
  if (mouse->button() != Qt::LeftButton || g_tool.mode != ToolMode::Select || g_session.currentPage == nullptr) {
    return false;
  }
  QPoint p = mouse->position().toPoint();
  return InsidePage(p.x(), p.y()) && HitText({p.x(), p.y()}, CurrentOps()) != nullptr;
}

}  // namespace

bool InputMayEdit(QObject* receiver, QEvent* event) {
  PageCanvas* canvas = MainCanvas();
  if (canvas == nullptr) return false;
  switch (event->type()) {
    case QEvent::ContextMenu:
      return receiver == canvas || IsNavigator(receiver);
    case QEvent::MouseButtonRelease: {
      if (receiver != canvas) return false;
      auto* mouse = static_cast<QMouseEvent*>(event);
      return mouse->button() == Qt::RightButton &&
             (g_tool.mode == ToolMode::Select || g_tool.mode == ToolMode::Edit ||
              (g_tool.mode == ToolMode::Geometry && g_tool.lineTool == LineToolKind::Polyline));
    }
    case QEvent::MouseButtonDblClick:
      return receiver == canvas && DoubleClickOnPageText(static_cast<QMouseEvent*>(event));
    case QEvent::KeyPress: {
      auto* key = static_cast<QKeyEvent*>(event);
      // Delete is wrapped whatever is selected: a needless snapshot costs a file write, an
      // unwrapped deletion would cost the user's undo step.
      if (key->key() == Qt::Key_Delete) return (receiver == canvas || receiver == MainWindowWidget()) && !g_tool.ocrRegion;
      if (IsEnter(key) && (key->modifiers() & Qt::ControlModifier)) {
        return NamedOrInside(receiver, kInPlaceTextEditorName);
      }
      return IsEnter(key) && NamedOrInside(receiver, kLengthBoxName);
    }
    default:
      return false;
  }
}

bool InputEndsDrag(QObject* receiver, QEvent* event) {
  PageCanvas* canvas = MainCanvas();
  if (canvas == nullptr) return false;
  switch (event->type()) {
    case QEvent::UngrabMouse:
    case QEvent::TouchCancel:
      return receiver == canvas || IsNavigator(receiver);
    case QEvent::WindowDeactivate:
      return receiver == MainWindowWidget();
    default:
      return false;
  }
}
