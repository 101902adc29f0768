// What the widgets need of the main window, which is built above them: the parent of their
// menus and dialogs, its page canvas, and a refresh of everything after a change. The main
// window registers itself while it exists; before and after, these give null and do nothing.
#pragma once

class PageCanvas;
class QWidget;

struct MainWindowAccess {
  QWidget* window = nullptr;
  PageCanvas* canvas = nullptr;
  void (*refreshAll)() = nullptr;  // title, controls, toolbar, navigator and view
};

// The main window registers at construction and hands in an empty record when it goes.
void SetMainWindowAccess(const MainWindowAccess& access);

QWidget* MainWindowWidget();
PageCanvas* MainCanvas();
void RefreshWindow();
