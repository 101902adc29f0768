#include "app/main_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTextEdit>
#include <QUrl>

#include "app/command_router.h"
#include "app/menus.h"
#include "document/open_document.h"
#include "document/recent_documents.h"
#include "document/save_copy.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "document/window_hooks.h"
#include "editing/drawing_commands.h"
#include "editing/force_erase_tool.h"
#include "editing/image_clipboard.h"
#include "editing/page_text_select.h"
#include "editing/select_tool.h"
#include "editing/selection.h"
#include "view/command_ids.h"
#include "view/command_sink.h"
#include "view/navigator_model.h"
#include "view/page_view.h"
#include "view/prepared_pages.h"
#include "view/tool_modes.h"
#include "view/tool_state.h"
#include "view/toolbar.h"
#include "widgets/drawn_object_menu.h"
#include "widgets/find_bar.h"
#include "widgets/floating_buttons.h"
#include "widgets/image_panel.h"
#include "widgets/navigator_panel.h"
#include "widgets/on_screen_keyboard.h"
#include "widgets/page_canvas.h"
#include "widgets/page_number_controls.h"
#include "widgets/page_text_menu.h"
#include "widgets/page_text_box.h"
#include "widgets/qt_platform.h"
#include "widgets/shape_panel.h"
#include "widgets/text_menu.h"
#include "widgets/window_access.h"

MainWindow* g_mainWindow = nullptr;

namespace {

std::map<int, QAction*> g_actions;

// The shape panel and the image panel share the band at the right of the view.
void RefreshSidePanels() {
  RefreshShapePanel();
  RefreshImagePanel();
}

void InstallWindowHooks() {
  g_window.setTitle = [](const std::u16string& title) { g_mainWindow->setWindowTitle(ToQString(title)); };
  g_window.documentInstalled = [](ToolAfterInstall tool) {
    // A new document starts at the page width without the side panels, not at the zoom that
    // made up for them.
    g_layout.shapePanelShown = g_layout.imagePanelShown = false;
    g_view.fitMode = FitMode::FitWidth;
    g_view.zoom = 1.0f;
    DestroyRenderCache();
    ClearToolProgress();
    g_tool.lineTool = LineToolKind::None;
    g_tool.ocrRegion = false;
    g_tool.mode = tool == ToolAfterInstall::Hand ? ToolMode::Hand : ToolMode::Select;
    ClearDrawnSelection();
    ForgetPageTextLayout();
    g_selection.lengthCm = 0;  // a length measured in the last document does not fix this one's lines
  };
  g_window.leaveOcrSelection = [] { g_tool.ocrRegion = false; };
  g_window.clearSelections = [] {
    ClearDrawnSelection();
    ClearPageTextSelection();
  };
  g_window.clearDrawnSelection = [] { ClearDrawnSelection(); };
  g_window.clearToolState = [] {
    ClearToolProgress();
    ClearDrawnSelection();
    ForgetPageTextLayout();
  };
  g_window.destroyRenderCache = [] { DestroyRenderCache(); };
  g_window.documentClosing = [] {
    DropPreparedPages();
    ForgetKeptPicture();
    if (FindBar* bar = CurrentFindBar()) bar->Forget();
  };
  g_window.changed = [](Change what) {
    switch (what) {
      case Change::PageContent:
        ForgetPageTextLayout();  // the words may have moved or gone
        InvalidateCurrentThumbnail();
        g_mainWindow->canvas()->navigator()->RepaintCurrentItem();
        InvalidateRender(true);  // repaints
        break;
      case Change::PageShown:
        InvalidateRender(true);
        break;
      case Change::Selection:
        RefreshSidePanels();
        g_mainWindow->canvas()->update();  // the selection is drawn over the page
        break;
      case Change::Pages:
        g_mainWindow->canvas()->RefreshControls();
        g_mainWindow->canvas()->update();
        break;
      case Change::Status:
        g_mainWindow->canvas()->update();
        break;
    }
  };
  g_window.rebuildNavigator = [](int) { g_navigator.listPageCount = -1; };
  g_window.repaintArea = [](int left, int top, int right, int bottom) {
    g_mainWindow->canvas()->update(QRect(left, top, right - left, bottom - top));
  };
  g_window.pageSwitched = [] {
    ForgetPageTextLayout();
    // The vertices belong to the page that was left.
    if (IsLineToolActive() && !g_tool.polyline.empty()) CancelLineTool(u"页面已改变，请重新选择折线工具");
  };
  g_window.resetPageDrag = [] { g_mainWindow->canvas()->navigator()->list()->CancelDrag(); };
  g_window.focusPageNumberBox = [] {
    QLineEdit* edit = g_mainWindow->canvas()->pageControls()->pageEdit();
    edit->setFocus();
    edit->selectAll();
  };
  g_window.toolModeChanged = [] { g_mainWindow->RefreshAll(); };
}

}  // namespace

MainWindow::MainWindow() : canvas_(new PageCanvas(this)) {
  g_mainWindow = this;
  SetMainWindowAccess({this, canvas_, [] { g_mainWindow->RefreshAll(); }});
  setWindowTitle(ToQString(kApplicationName));
  resize(1100, 800);
  setMinimumSize(960, 500);
  setAcceptDrops(true);
  setCentralWidget(canvas_);
  BuildMenus();
  InstallWindowHooks();
  g_sendCommand = RouteCommand;
  InstallDrawnObjectMenu();
  InstallTextMenu();
  InstallPageTextMenu();
  new ShapePanel(canvas_);
  InstallTextTool(canvas_);
  InstallTouchTracking();
  new ImagePanel(canvas_);
  new FindBar(canvas_);
  SetDragDistance(QApplication::startDragDistance(), QApplication::startDragDistance());
  auto* fullScreenKey = new QShortcut(QKeySequence(Qt::Key_F11), this);
  fullScreenKey->setContext(Qt::ApplicationShortcut);
  connect(fullScreenKey, &QShortcut::activated, this, [this] { ToggleFullScreen(); });
}

MainWindow::~MainWindow() {
  // The core outlives the window: it must not call into a window that is gone.
  g_window = WindowHooks{};
  g_sendCommand = nullptr;
  SetMainWindowAccess({});
  g_mainWindow = nullptr;
}

QAction* MainWindow::action(int id) const {
  auto found = g_actions.find(id);
  return found != g_actions.end() ? found->second : nullptr;
}

void MainWindow::BuildMenus() {
  MainMenu menu = BuildMainMenu(menuBar());
  fileMenu_ = menu.file;
  editMenu_ = menu.edit;
  g_actions = menu.actions;
  // The window holds the menu's actions too, so their shortcuts work while the menu bar is
  // hidden in full screen.
  for (const auto& [id, action] : g_actions) addAction(action);
  recentMenu_ = new QMenu(QStringLiteral("最近打开的文档"), this);
  fileMenu_->insertMenu(action(kCmdScan), recentMenu_);
  connect(fileMenu_, &QMenu::aboutToShow, this, [this] {
    RebuildRecentMenu();
    action(kCmdSaveCvn)->setEnabled(g_session.document != nullptr);
  });
  connect(editMenu_, &QMenu::aboutToShow, this, [this] { UpdateEditMenu(); });
  UpdateEditMenu();
}

void MainWindow::RebuildRecentMenu() {
  auto items = BuildRecentMenu();
  if (!items) return;  // unreadable: the previous submenu stays
  recentMenu_->clear();
  for (const auto& item : *items) {
    QAction* entry = recentMenu_->addAction(ToQString(item.text));
    entry->setEnabled(item.enabled);
    int command = item.command;
    if (command != 0) connect(entry, &QAction::triggered, this, [command] { RouteCommand(command); });
  }
}

void MainWindow::UpdateEditMenu() {
  QWidget* focus = QApplication::focusWidget();
  const QMimeData* clipboard = QGuiApplication::clipboard()->mimeData();
  const bool clipboardText = clipboard != nullptr && clipboard->hasText();
  if (auto* edit = qobject_cast<QLineEdit*>(focus)) {
    bool selection = edit->hasSelectedText();
    action(kCmdCut)->setEnabled(selection && !edit->isReadOnly());
    action(kCmdCopy)->setEnabled(selection);
    action(kCmdPaste)->setEnabled(!edit->isReadOnly() && clipboardText);
    action(kCmdUndo)->setEnabled(edit->isUndoAvailable() || !g_history.undo.empty());
    action(kCmdRedo)->setEnabled(edit->isRedoAvailable() || !g_history.redo.empty());
    return;
  }
  QTextCursor cursor;
  bool readOnly = false;
  if (auto* edit = qobject_cast<QTextEdit*>(focus)) {
    cursor = edit->textCursor();
    readOnly = edit->isReadOnly();
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(focus)) {
    cursor = plain->textCursor();
    readOnly = plain->isReadOnly();
  }
  if (!cursor.isNull()) {
    action(kCmdCut)->setEnabled(cursor.hasSelection() && !readOnly);
    action(kCmdCopy)->setEnabled(cursor.hasSelection());
    action(kCmdPaste)->setEnabled(!readOnly && clipboardText);
  } else {
    action(kCmdCut)->setEnabled(CanCutImage());
    action(kCmdCopy)->setEnabled(CanCopyImage() || HasPageTextSelection());
    action(kCmdPaste)->setEnabled(CanPasteImage());
  }
  action(kCmdUndo)->setEnabled(!g_history.undo.empty());
  action(kCmdRedo)->setEnabled(!g_history.redo.empty());
}

void MainWindow::RefreshAll() {
  UpdateTitle();
  RefreshSidePanels();
  canvas_->RefreshControls();
  // In the other modes (选取, 手形, text, shapes) none of the three is ticked.
  action(kCmdPenTool)->setChecked(g_tool.mode == ToolMode::Pen);
  action(kCmdSegmentTool)->setChecked(g_tool.mode == ToolMode::Arrow);
  action(kCmdSelectErase)->setChecked(IsEraseMode(g_tool.mode));
  action(kCmdMerge)->setEnabled(g_session.pageCount > 0);
  action(kCmdSaveCvn)->setEnabled(g_session.document != nullptr && g_session.pageCount > 0);
  UpdateEditMenu();
}

void MainWindow::ShowMenuUnderButton(QMenu& menu, int buttonId) {
  QPoint global = QCursor::pos();
  for (int i = 0; i < 5; ++i) {
    if (buttonId == kCmdFloatingFitPage + i && canvas_->floatingButtons()->button(i)->isVisible()) {
      QWidget* button = canvas_->floatingButtons()->button(i);
      global = button->mapToGlobal(QPoint(0, button->height()));
    }
  }
  if (!g_layout.fullScreen) {
    for (const auto& button : ToolbarButtons()) {
      if (button.id == buttonId) global = canvas_->mapToGlobal(QPoint(button.x, kToolbarHeight));
    }
  }
  int chosen = ExecPopup(menu, global);
  if (chosen != 0) RouteCommand(chosen);
}

bool MainWindow::isFullScreenMode() const { return g_layout.fullScreen; }

void MainWindow::ToggleFullScreen() {
  if (!g_layout.fullScreen) {
    wasMaximised_ = isMaximized();
    normalGeometry_ = normalGeometry();
    menuBar()->hide();
    showFullScreen();
    g_layout.fullScreen = true;
  } else {
    menuBar()->show();
    if (wasMaximised_) {
      showMaximized();
    } else {
      showNormal();
      setGeometry(normalGeometry_);
    }
    g_layout.fullScreen = false;
  }
  canvas_->Relayout();
  RefreshAll();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (ConfirmDiscardChanges()) {
    event->accept();
  } else {
    event->ignore();
    RefreshAll();
  }
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty()) return;
  QString path = urls.first().toLocalFile();
  event->acceptProposedAction();
  if (path.isEmpty() || path.size() > 32767) return;
  OpenDocument(ToU16(path));
  RefreshAll();
}
