#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <set>

#include "app/gui_test.h"
#include "app/main_window.h"
#include "view/command_ids.h"
#include "view/page_menu_model.h"
#include "view/toolbar.h"

namespace {

class CommandTableTest : public GuiTest {};

TEST(CommandTable, IdentifiersAndNamesAreUnique) {
  std::set<int> ids;
  std::set<std::string> names;
  for (const CommandInfo& command : kCommands) {
    EXPECT_TRUE(ids.insert(command.id).second) << command.name;
    EXPECT_TRUE(names.insert(command.name).second) << command.name;
  }
}

TEST(CommandTable, OnlyTheListedCommandsSkipTheSnapshot) {
  // The commands that open, save, print, navigate, zoom, copy, undo, redo, scan and show
  // dialogs, plus the window's own navigation and view buttons.
  const std::set<int> views = {104,   105,   1100,  1101,  1104,  1105,  1106,  1109,  1120,  1121,  1125,
                               1126,  1127,  1130,  1131,  1139,  1141,  1143,  1144,  1145,  1146,  1147,
                               32771, 32772, 32773, 32774, 32778, 32779, 32780, 32786, 32787, 32799, 32802,
                               32804, 32805, 32807, 32809};
  for (const CommandInfo& command : kCommands) {
    if (command.id >= kCmdRecentFirst) continue;
    EXPECT_EQ(IsNonEditingCommand(command.id), views.count(command.id) == 1) << command.name;
  }
  for (int id = kCmdRecentFirst; id <= kCmdRecentLast; ++id) EXPECT_TRUE(IsNonEditingCommand(id)) << id;
  // Edits that arrive by button or pop-up take their undo step like their menu twins.
  for (int id : {kCmdRotateLeftButton, kCmdRotateRight, kCmdDeletePage, kCmdCut, kCmdPaste, kCmdCoordinateSystem}) {
    EXPECT_FALSE(IsNonEditingCommand(id)) << id;
  }
  EXPECT_FALSE(IsNonEditingCommand(kCmdRecentLast + 1));  // unknown: wrapped, to be safe
  EXPECT_EQ(FindCommand(12345), nullptr);
}

TEST_F(CommandTableTest, EveryMenuItemToolbarButtonAndPageMenuItemIsInTheTable) {
  StartWindow();
  std::vector<QMenu*> menus;
  for (QAction* top : window_->menuBar()->actions()) {
    if (top->menu() != nullptr) menus.push_back(top->menu());
  }
  int routed = 0;
  for (QMenu* menu : menus) {
    for (QAction* item : menu->actions()) {
      if (item->isSeparator() || item->menu() != nullptr) continue;
      int id = item->data().toInt();
      EXPECT_NE(FindCommand(id), nullptr) << item->text().toStdString();
      ++routed;
    }
  }
  EXPECT_GE(routed, 40);
  for (const ToolbarButton& button : ToolbarButtons()) EXPECT_NE(FindCommand(button.id), nullptr) << button.id;
  for (const PageMenuItem& item : PageMenuItems()) EXPECT_NE(FindCommand(item.command), nullptr);
}

TEST_F(CommandTableTest, DefineCoordinateSystemIsInTheShapesMenu) {
  StartWindow();
  QAction* define = window_->action(kCmdCoordinateSystem);
  ASSERT_NE(define, nullptr);
  EXPECT_EQ(define->text(), QStringLiteral("定义坐标系"));
  QMenu* shapes = nullptr;
  for (QAction* top : window_->menuBar()->actions()) {
    if (top->text() == QStringLiteral("图形")) shapes = top->menu();
  }
  ASSERT_NE(shapes, nullptr);
  EXPECT_TRUE(shapes->actions().contains(define));
}

}  // namespace
