#include "app/corvan_application.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include "app/main_window.h"
#include "document/crash_recovery.h"
#include "document/edit_wrapper.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "editing/pointer_input.h"
#include "engine/engine_table.h"
#include "view/page_view.h"
#include "view/tool_state.h"
#include "widgets/edit_triggers.h"
#include "widgets/navigator_panel.h"
#include "widgets/page_canvas.h"

namespace {

PageCanvas* Canvas() { return g_mainWindow != nullptr ? g_mainWindow->canvas() : nullptr; }

QWidget* NavigatorViewport() {
  return g_mainWindow != nullptr ? g_mainWindow->canvas()->navigator()->list()->viewport() : nullptr;
}

bool OnPageBand(const QPoint& p) {
  if (g_layout.fullScreen) return true;
  return p.y() >= kToolbarHeight && p.y() < g_layout.clientHeight - kStatusLineHeight;
}

void BeforeLeftPress(QObject* receiver, QMouseEvent* mouse) {
  PageCanvas* canvas = Canvas();
  bool onCanvas = receiver == canvas;
  bool onNavigator = receiver == NavigatorViewport();
  if (!onCanvas && !onNavigator) return;
  EndDragEdit();
  QPoint p = mouse->position().toPoint();
  if (onCanvas && OnPageBand(p) && PressCanStartDragEdit(p.x(), p.y())) BeginDragEdit();
  if (onNavigator && g_engine.FPDF_MovePages != nullptr &&
      canvas->navigator()->list()->itemAt(p) != nullptr) {
    BeginDragEdit();
  }
}

// The space bar's state follows the keyboard, not the canvas: a release while another
// control has the focus, or while another program is active, must not leave it held.
void TrackSpaceKey(QEvent* event) {
  QEvent::Type type = event->type();
  if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Space && !key->isAutoRepeat()) g_tool.spaceHeld = type == QEvent::KeyPress;
  } else if (type == QEvent::ApplicationDeactivate) {
    g_tool.spaceHeld = false;
  }
}

}  // namespace

CorvanApplication::CorvanApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool CorvanApplication::notify(QObject* receiver, QEvent* event) {
  QEvent::Type type = event->type();
  bool leftPress = false, leftRelease = false;
  if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease) {
    bool left = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
    leftPress = left && type == QEvent::MouseButtonPress;
    leftRelease = left && type == QEvent::MouseButtonRelease;
  }
  TrackSpaceKey(event);
  bool escapeInFullScreen = type == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
                            g_layout.fullScreen && receiver->isWidgetType();
  if (leftPress) BeforeLeftPress(receiver, static_cast<QMouseEvent*>(event));
  if (InputEndsDrag(receiver, event) && DragEditHeld()) {
    // The release will not come: the drag ends here, and what it changed is one undo step.
    CancelPointerDrag();
    EndDragEdit();
    if (g_mainWindow != nullptr) g_mainWindow->RefreshAll();
  }
  bool wrap = InputMayEdit(receiver, event);
  EditScope scope;
  if (wrap) scope = BeginPossibleEdit();

  ++depth_;
  bool result = QApplication::notify(receiver, event);
  --depth_;

  if (wrap) {
    size_t undo = g_history.undo.size(), redo = g_history.redo.size();
    EndPossibleEdit(scope);
    // The record of this input exists only now: the shortcuts follow it at once.
    if ((undo != g_history.undo.size() || redo != g_history.redo.size()) && g_mainWindow != nullptr) {
      g_mainWindow->UpdateEditMenu();
    }
  }
  if (leftRelease && DragEditHeld() && (receiver == Canvas() || receiver == NavigatorViewport())) {
    EndDragEdit();
    if (g_mainWindow != nullptr) g_mainWindow->RefreshAll();
  }
  if (escapeInFullScreen && g_layout.fullScreen && g_mainWindow != nullptr) g_mainWindow->ToggleFullScreen();
  // Once an input is fully handled, unsaved work is on disk for crash recovery.
  if (depth_ == 0) KeepRecoveryState();
  return result;
}
