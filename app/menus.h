// Menu 109 and the pop-up menus (drawing, pen, erase, fit). Menu-bar items route their
// command when triggered; pop-up menus return the chosen item's command instead.
#pragma once

#include <map>

class QMenu;
class QMenuBar;
class QAction;
class QWidget;

struct MainMenu {
  QMenu* file = nullptr;
  QMenu* edit = nullptr;
  std::map<int, QAction*> actions;
};

MainMenu BuildMainMenu(QMenuBar* bar);
void FillDrawingMenu(QMenu& menu);
void FillPenMenu(QMenu& menu);
void FillEraseMenu(QMenu& menu);
void FillFitMenu(QMenu& menu);
// Shows a pop-up and gives the chosen command (0 when none).
int ExecPopup(QMenu& menu, const class QPoint& globalPosition);
