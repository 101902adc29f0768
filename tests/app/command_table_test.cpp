#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <set>

#include "app/command_router.h"
#include "app/gui_test.h"
#include "app/main_window.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "support/pdf_fixtures.h"
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

TEST(CommandTable, OnlyTheViewingCommandsSkipTheSnapshot) {
  // The commands that open, save, print, navigate, zoom, copy, undo, redo, scan and show
  // dialogs, plus the window's own navigation and view buttons.
  const std::set<int> views = {kCmdAbout, kCmdExit, kCmdFirstPage, kCmdPreviousPageButton, kCmdJumpToPage,
                               kCmdNextPageButton, kCmdLastPage, kCmdNavigatorSelection, kCmdToggleNavigator,
                               kCmdOpenButton, kCmdZoomOutButton, kCmdZoomInButton, kCmdFitMenu,
                               kCmdSaveButton, kCmdFullScreenButton, kCmdNewButton, kCmdOcr,
                               kCmdFloatingFitPage, kCmdFloatingDrawingMenu, kCmdFloatingZoomIn,
                               kCmdFloatingZoomOut, kCmdFloatingFullScreen, kCmdOpen, kCmdSaveCopy,
                               kCmdPreviousPage, kCmdNextPage, kCmdZoomIn, kCmdZoomOut, kCmdFitPage,
                               kCmdNewDocument, kCmdPrint, kCmdFitWidth, kCmdCopy, kCmdUndo, kCmdRedo,
                               kCmdScan, kCmdSaveCvn};
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

// What the classification is for: turning pages, zooming and showing panels leave the
// document and its undo history alone; a rotation is one undo step that 撤销 takes back.
TEST_F(CommandTableTest, ViewingCommandsLeaveNoUndoStepAndAnEditTakesExactlyOne) {
  WriteNumberedPdf(WorkPath("three.pdf"), 3);
  StartWindow({QString::fromStdString(WorkPath("three.pdf"))});
  ASSERT_EQ(g_session.pageCount, 3);
  const uint64_t generation = EditGeneration();
  for (int id : {kCmdNextPageButton, kCmdNextPage, kCmdLastPage, kCmdFirstPage, kCmdZoomInButton, kCmdZoomIn,
                 kCmdFitWidth, kCmdToggleNavigator, kCmdToggleNavigator}) {
    RouteCommand(id);
    EXPECT_TRUE(g_history.undo.empty()) << FindCommand(id)->name;
    EXPECT_EQ(EditGeneration(), generation) << FindCommand(id)->name;
    EXPECT_FALSE(g_session.modified) << FindCommand(id)->name;
  }
  RouteCommand(kCmdRotateRight);
  EXPECT_EQ(g_history.undo.size(), 1u);
  EXPECT_TRUE(g_session.modified);
  RouteCommand(kCmdUndo);
  EXPECT_TRUE(g_history.undo.empty());
  EXPECT_FALSE(g_session.modified);
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
