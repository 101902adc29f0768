// The single main window: menu bar (menu 109), the client-area canvas, file drops, closing
// with the unsaved-changes question, and full screen.
#pragma once

#include <QMainWindow>
#include <QRect>

class PageCanvas;
class QMenu;
class QAction;

class MainWindow : public QMainWindow {
 public:
  MainWindow();
  ~MainWindow() override;
  PageCanvas* canvas() const { return canvas_; }
  QAction* action(int id) const;
  QMenu* fileMenu() const { return fileMenu_; }
  QMenu* editMenu() const { return editMenu_; }

  // Title, controls, toolbar, navigator and view after any change.
  void RefreshAll();
  // Cut, copy, paste, undo and redo as the focus and the undo history allow.
  void UpdateEditMenu();
  // Shows a pop-up menu at the lower-left corner of a toolbar button (or at the cursor).
  void ShowMenuUnderButton(QMenu& menu, int buttonId);
  void ToggleFullScreen();
  bool isFullScreenMode() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildMenus();
  void RebuildRecentMenu();

  PageCanvas* canvas_;
  QMenu* fileMenu_ = nullptr;
  QMenu* editMenu_ = nullptr;
  QMenu* recentMenu_ = nullptr;
  bool wasMaximised_ = false;
  QRect normalGeometry_;
};

extern MainWindow* g_mainWindow;
