#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include "app/command_router.h"
#include "app/gui_test.h"
#include "app/main_window.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "engine/engine_table.h"
#include "view/command_ids.h"
#include "view/navigator_model.h"
#include "view/page_view.h"
#include "view/tool_state.h"
#include "widgets/floating_buttons.h"
#include "widgets/navigator_panel.h"
#include "widgets/on_screen_keyboard.h"
#include "widgets/page_canvas.h"
#include "widgets/page_number_controls.h"
#include "widgets/qt_platform.h"

namespace {

class WindowTest : public GuiTest {
 protected:
  // Runs `action` on the next pop-up menu that opens, then closes it.
  static void OnNextPopup(std::function<void(QMenu*)> action) {
    QTimer::singleShot(50, [action] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (menu != nullptr) {
        action(menu);
        menu->close();
      }
    });
  }
};

TEST_F(WindowTest, ACommandLinePdfOpensWithoutAQuestion) {
  WriteNumberedPdf(WorkPath("lesson.pdf"), 3);
  StartWindow({QString::fromStdString(WorkPath("lesson.pdf"))});
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  EXPECT_EQ(window_->windowTitle(), QStringLiteral("Corvan PDF 编辑器 - lesson.pdf  (1/3)"));
  EXPECT_EQ(g_tool.mode, ToolMode::Hand);
  EXPECT_EQ(g_view.fitMode, FitMode::FitWidth);
}

TEST_F(WindowTest, OfThreeDroppedFilesOnlyTheFirstOpens) {
  StartWindow();
  for (const char* name : {"one.pdf", "two.pdf", "three.pdf"}) WriteNumberedPdf(WorkPath(name), 2);
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(WorkPath("one.pdf"))),
                QUrl::fromLocalFile(QString::fromStdString(WorkPath("two.pdf"))),
                QUrl::fromLocalFile(QString::fromStdString(WorkPath("three.pdf")))});
  QPoint at(500, 400);
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window_, &enter);
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window_, &drop);
  EXPECT_EQ(g_session.path, WorkPath16("one.pdf"));
  EXPECT_EQ(g_script.dialogs.size(), 0u);
  EXPECT_EQ(window_->windowTitle(), QStringLiteral("Corvan PDF 编辑器 - one.pdf  (1/2)"));
}

TEST_F(WindowTest, EightZoomInsReachTheLimitAndTheButtonGreys) {
  StartWindow();
  for (int i = 0; i < 8; ++i) ClickToolbar(kCmdZoomInButton);
  EXPECT_NEAR(g_view.zoom, 4.2998, 1e-3);
  ClickToolbar(kCmdZoomInButton);
  EXPECT_NEAR(g_view.zoom, 4.2998, 1e-3);
  QImage shot = Screenshot("zoomed-in");
  // The disabled button is painted on the disabled background.
  EXPECT_EQ(QColor(shot.pixel(340 + 2, 2 + window_->menuBar()->height())), QColor(245, 245, 245));
  EXPECT_TRUE(g_script.boxes.empty());
}

TEST_F(WindowTest, TheWindowCannotShrinkBelowItsMinimum) {
  StartWindow();
  window_->showNormal();
  window_->resize(500, 300);
  QApplication::processEvents();
  EXPECT_GE(window_->width(), 960);
  EXPECT_GE(window_->height(), 500);
}

TEST_F(WindowTest, ClosingWithUnsavedChangesAndCancelKeepsTheWindow) {
  StartWindow();
  EditOnce();
  g_script.answers = {MessageAnswer::Cancel};
  EXPECT_FALSE(window_->close());
  EXPECT_TRUE(window_->isVisible());
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"PDF 已修改");
  g_script.answers = {MessageAnswer::No};
  EXPECT_TRUE(window_->close());
}

TEST_F(WindowTest, CtrlZInThePageBoxUndoesTypingNotTheDocument) {
  WriteNumberedPdf(WorkPath("doc.pdf"), 3);
  StartWindow({QString::fromStdString(WorkPath("doc.pdf"))});
  EditOnce();
  ASSERT_EQ(g_history.undo.size(), 1u);
  QLineEdit* box = Canvas()->pageControls()->pageEdit();
  box->setFocus();
  QApplication::processEvents();
  box->selectAll();
  QTest::keyClicks(box, "3");
  EXPECT_EQ(box->text(), QStringLiteral("3"));
  QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(box->text(), QStringLiteral("1"));
  EXPECT_EQ(g_history.undo.size(), 1u);
  EXPECT_EQ(CurrentObjectCount(), 2);
  // The menu command does the same while the box has the focus.
  QTest::keyClicks(box, "2");
  RouteCommand(kCmdUndo);
  EXPECT_EQ(g_history.undo.size(), 1u);
  // Typing a page number and pressing Enter turns the page.
  box->selectAll();
  QTest::keyClicks(box, "3");
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_EQ(g_session.currentPageIndex, 2);
}

TEST_F(WindowTest, TheWheelScrollsInPenModeOnlyAndNotWithCtrl) {
  StartWindow();
  ASSERT_EQ(g_tool.mode, ToolMode::Pen);
  QPoint at(600, 400);
  QWheelEvent ctrl(at, Canvas()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::ControlModifier,
                   Qt::NoScrollPhase, false);
  QApplication::sendEvent(Canvas(), &ctrl);
  EXPECT_EQ(ScrollOffset(), 0);
  QWheelEvent plain(at, Canvas()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(Canvas(), &plain);
  EXPECT_GT(ScrollOffset(), 0);
  EXPECT_EQ(Canvas()->scrollBar()->value(), ScrollOffset());
  int offset = ScrollOffset();
  ClickToolbar(kCmdSelectTool);
  QApplication::sendEvent(Canvas(), &plain);
  EXPECT_EQ(ScrollOffset(), offset);
}

TEST_F(WindowTest, FitWidthRecentresAPannedPage) {
  StartWindow();
  ClickToolbar(kCmdHandTool);
  for (int i = 0; i < 3; ++i) ClickToolbar(kCmdZoomInButton);
  QApplication::processEvents();
  Canvas()->repaint();
  Drag(QPoint(700, 500), QPoint(400, 300));
  ASSERT_LT(g_view.pageRect.left, 0);
  EXPECT_TRUE(g_history.undo.empty());  // panning is not an edit
  RouteCommand(kCmdFitWidth);
  Canvas()->repaint();
  IntRect view = ViewArea();
  EXPECT_FLOAT_EQ(g_view.zoom, 1.0f);
  EXPECT_EQ(g_view.pageRect.left, view.left + (view.Width() - g_view.bitmapWidth) / 2);
}

TEST_F(WindowTest, ANavigatorDragIsOneUndoStep) {
  WriteNumberedPdf(WorkPath("pages.pdf"), 4);
  StartWindow({QString::fromStdString(WorkPath("pages.pdf"))});
  ClickToolbar(kCmdToggleNavigator);
  EXPECT_EQ(g_session.statusText, u"选择页面后使用上移/下移按钮调整 PDF 顺序");
  NavigatorList* list = Canvas()->navigator()->list();
  ASSERT_TRUE(list->isVisible());
  ASSERT_EQ(list->count(), 4);
  QPoint from = list->visualItemRect(list->item(0)).center();
  QPoint to = list->visualItemRect(list->item(2)).center();
  QTest::mousePress(list->viewport(), Qt::LeftButton, Qt::NoModifier, from);
  for (int i = 1; i <= 6; ++i) {
    QPoint p = from + (to - from) * i / 6;
    QMouseEvent move(QEvent::MouseMove, p, list->viewport()->mapToGlobal(p), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &move);
  }
  EXPECT_EQ(g_session.statusText, u"将页面拖到目标位置以调整 PDF 顺序");
  QTest::mouseRelease(list->viewport(), Qt::LeftButton, Qt::NoModifier, to);
  QApplication::processEvents();
  EXPECT_EQ(PageWidths(g_session.document), (std::vector<float>{301, 302, 300, 303}));
  EXPECT_EQ(g_session.currentPageIndex, 2);
  EXPECT_EQ(g_history.undo.size(), 1u);
  Screenshot("navigator");
  RouteCommand(kCmdUndo);
  EXPECT_EQ(PageWidths(g_session.document), (std::vector<float>{300, 301, 302, 303}));
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
}

TEST_F(WindowTest, AShortNavigatorDragOnlySelectsThePage) {
  WriteNumberedPdf(WorkPath("pages.pdf"), 3);
  StartWindow({QString::fromStdString(WorkPath("pages.pdf"))});
  RouteCommand(kCmdToggleNavigator);
  NavigatorList* list = Canvas()->navigator()->list();
  QPoint at = list->visualItemRect(list->item(1)).center();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  QApplication::processEvents();
  EXPECT_EQ(g_session.currentPageIndex, 1);
  EXPECT_EQ(PageWidths(g_session.document), (std::vector<float>{300, 301, 302}));
  EXPECT_TRUE(g_history.undo.empty());
  // "上移" moves the selected page up, as one undo step.
  QTest::mouseClick(Canvas()->navigator()->upButton(), Qt::LeftButton);
  EXPECT_EQ(PageWidths(g_session.document), (std::vector<float>{301, 300, 302}));
  EXPECT_EQ(g_history.undo.size(), 1u);
}

TEST_F(WindowTest, EmptyDrawingSubmenusShowOneGreyedPlaceholder) {
  StartWindow();
  int checked = 0;
  OnNextPopup([&checked](QMenu* menu) {
    for (QAction* action : menu->actions()) {
      QMenu* sub = action->menu();
      if (sub == nullptr) continue;
      ++checked;
      bool hasFunction = false;
      for (QAction* item : sub->actions()) hasFunction = hasFunction || item->isEnabled();
      if (!hasFunction) {
        ASSERT_EQ(sub->actions().size(), 1) << action->text().toStdString();
        EXPECT_EQ(sub->actions()[0]->text(), QStringLiteral("尚未实现"));
        EXPECT_FALSE(sub->actions()[0]->isEnabled());
      }
    }
  });
  ClickToolbar(kCmdDrawingMenuButton);
  EXPECT_EQ(checked, 22);
}

// Chooses an item the way a user does: highlight it and press Enter.
void ChooseInPopup(QMenu* menu, const QString& text) {
  for (QAction* action : menu->actions()) {
    if (action->text() != text) continue;
    menu->setActiveAction(action);
    if (action->menu() != nullptr) {
      QTest::keyClick(menu, Qt::Key_Right);
    } else {
      QTest::keyClick(menu, Qt::Key_Return);
    }
  }
}

TEST_F(WindowTest, ChoosingFromPopupMenusRunsTheCommand) {
  StartWindow();
  QTimer::singleShot(50, [] {
    ChooseInPopup(qobject_cast<QMenu*>(QApplication::activePopupWidget()), QStringLiteral("整页"));
  });
  ClickToolbar(kCmdFitMenu);
  EXPECT_EQ(g_view.fitMode, FitMode::FitPage);

  QTimer::singleShot(50, [] {
    ChooseInPopup(qobject_cast<QMenu*>(QApplication::activePopupWidget()), QStringLiteral("03 三角形"));
    QTimer::singleShot(50, [] {
      ChooseInPopup(qobject_cast<QMenu*>(QApplication::activePopupWidget()), QStringLiteral("三角形"));
    });
  });
  ClickToolbar(kCmdDrawingMenuButton);
  EXPECT_EQ(g_tool.mode, ToolMode::Geometry);
  EXPECT_EQ(g_tool.geometryKind, GeometryKind::Triangle);
  EXPECT_EQ(g_session.statusText, u"几何绘图：拖动绘制三角形");
}

TEST_F(WindowTest, WithoutADocumentOnlyPagesAndOpenWork) {
  StartWindow();
  EmptySession();
  window_->RefreshAll();
  QImage shot = Screenshot("no-document");
  EXPECT_TRUE(StatusLine().startsWith(QStringLiteral("文件→打开 PDF")));
  // Should a menu open after all, close it so that the test fails instead of waiting: from
  // inside its own event loop when it blocks, or right after the command when it does not.
  bool opened = false;
  auto closeAnyPopup = [&opened] {
    if (QWidget* popup = QApplication::activePopupWidget()) {
      opened = true;
      popup->close();
    }
  };
  QTimer::singleShot(0, closeAnyPopup);
  ClickToolbar(kCmdPenMenu);  // disabled: nothing opens, nothing changes
  QApplication::processEvents();
  closeAnyPopup();
  QTimer::singleShot(0, closeAnyPopup);
  RouteCommand(kCmdDrawingMenuButton);
  QApplication::processEvents();
  closeAnyPopup();
  EXPECT_FALSE(opened);
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(Canvas()->floatingButtons()->button(i)->isVisible());
}

TEST_F(WindowTest, ScreenshotsShowTheBandsAndACentredPage) {
  WriteTestPdf(WorkPath("landscape.pdf"), {{842, 595, 0, 3}, {595, 842, 0, 2}, {595, 842, 0, 1}});
  StartWindow({QString::fromStdString(WorkPath("landscape.pdf"))});
  RouteCommand(kCmdFitPage);
  QImage normal = Screenshot("normal");
  int menu = window_->menuBar()->height();
  EXPECT_EQ(QColor(normal.pixel(900, menu + 5)), QColor(250, 250, 250));  // toolbar band
  EXPECT_EQ(QColor(normal.pixel(900, menu + 39)), QColor(218, 220, 223));
  EXPECT_EQ(QColor(normal.pixel(300, normal.height() - 5)), QColor(238, 239, 243));  // status line
  IntRect view = ViewArea();
  EXPECT_EQ(QColor(normal.pixel(view.left + 3, menu + view.top + 3)), QColor(90, 94, 100));
  const IntRect& page = g_view.pageRect;
  EXPECT_NEAR(page.left - view.left, view.right - page.right, 1);
  EXPECT_NEAR(page.top - view.top, view.bottom - page.bottom, 1);
  EXPECT_EQ(QColor(normal.pixel(page.left + page.Width() / 2, menu + page.top + page.Height() / 2)), Qt::white);

  RouteCommand(kCmdToggleNavigator);
  QImage withNavigator = Screenshot("navigator-shown");
  view = ViewArea();
  EXPECT_EQ(view.left, 160);
  EXPECT_NEAR(g_view.pageRect.left - view.left, view.right - g_view.pageRect.right, 1);
  EXPECT_TRUE(ThumbnailFor(0));

  RouteCommand(kCmdFullScreenButton);
  QApplication::processEvents();
  EXPECT_TRUE(g_layout.fullScreen);
  QImage full = Screenshot("full-screen");
  EXPECT_FALSE(window_->menuBar()->isVisible());
  EXPECT_EQ(QColor(full.pixel(900, 3)), QColor(90, 94, 100));  // no toolbar band
  EXPECT_FALSE(Canvas()->pageControls()->pageEdit()->isVisible());
  for (int i = 0; i < 5; ++i) {
    QAbstractButton* button = Canvas()->floatingButtons()->button(i);
    EXPECT_TRUE(button->isVisible());
    EXPECT_EQ(button->x(), ViewArea().right - 44);
  }
  QTest::keyClick(Canvas(), Qt::Key_Escape);
  EXPECT_FALSE(g_layout.fullScreen);
  EXPECT_TRUE(window_->menuBar()->isVisible());
}

TEST_F(WindowTest, TheFloatingButtonLeavesFullScreen) {
  StartWindow();
  QTest::keyClick(Canvas(), Qt::Key_F11);
  EXPECT_TRUE(g_layout.fullScreen);
  QTest::mouseClick(Canvas()->floatingButtons()->button(4), Qt::LeftButton);
  EXPECT_FALSE(g_layout.fullScreen);
}

TEST_F(WindowTest, AToolbarRotationIsOneUndoStepAndTheTitleShowsIt) {
  StartWindow();
  ClickToolbar(kCmdRotateRightButton);
  EXPECT_EQ(g_engine.FPDFPage_GetRotation(g_session.currentPage), 1);
  EXPECT_EQ(g_history.undo.size(), 1u);
  EXPECT_TRUE(window_->windowTitle().endsWith(QStringLiteral(" *")));
  EXPECT_EQ(g_session.statusText, u"当前页已顺时针旋转 90°");
  ClickToolbar(kCmdZoomInButton);  // zooming is not an edit
  EXPECT_EQ(g_history.undo.size(), 1u);
  QTest::keyClick(Canvas(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(g_engine.FPDFPage_GetRotation(g_session.currentPage), 0);
}

}  // namespace

namespace {

TEST_F(WindowTest, APenClickDrawsNothingAndLeavesNoUndoRecordOrFile) {
  StartWindow();
  ASSERT_EQ(g_tool.mode, ToolMode::Pen);
  Click(QPoint(500, 300));
  Drag(QPoint(500, 300), QPoint(501, 300), 1);  // two positions a pixel apart count as one
  EXPECT_FALSE(g_tool.stroke.active);
  EXPECT_TRUE(g_history.undo.empty());
  EXPECT_TRUE(TempFiles().empty());
  EXPECT_EQ(CurrentObjectCount(), 0);
}

TEST_F(WindowTest, EscapeCancelsAPolylineAndLeavesFullScreen) {
  StartWindow();
  RouteCommand(kCmdPolyline);
  EXPECT_EQ(g_tool.lineTool, LineToolKind::Polyline);
  QTest::keyClick(Canvas(), Qt::Key_F11);
  ASSERT_TRUE(g_layout.fullScreen);
  QTest::keyClick(Canvas(), Qt::Key_Escape);
  EXPECT_EQ(g_tool.mode, ToolMode::Select);
  EXPECT_EQ(g_tool.lineTool, LineToolKind::None);
  EXPECT_FALSE(g_layout.fullScreen);
}

TEST_F(WindowTest, MenusOpenWithTheirItemsUpToDate) {
  WriteNumberedPdf(WorkPath("a&b.pdf"), 2);
  StartWindow({QString::fromStdString(WorkPath("a&b.pdf"))});
  emit window_->editMenu()->aboutToShow();
  EXPECT_FALSE(window_->action(kCmdUndo)->isEnabled());
  EXPECT_FALSE(window_->action(kCmdRedo)->isEnabled());
  EditOnce();
  emit window_->editMenu()->aboutToShow();
  EXPECT_TRUE(window_->action(kCmdUndo)->isEnabled());

  emit window_->fileMenu()->aboutToShow();
  QMenu* recent = nullptr;
  for (QAction* action : window_->fileMenu()->actions()) {
    if (action->menu() != nullptr) recent = action->menu();
  }
  ASSERT_NE(recent, nullptr);
  EXPECT_EQ(recent->title(), QStringLiteral("最近打开的文档"));
  EXPECT_EQ(window_->fileMenu()->actions().indexOf(recent->menuAction()), 2);
  ASSERT_EQ(recent->actions().size(), 1);
  EXPECT_EQ(recent->actions()[0]->text(), QStringLiteral("1  ") + QString::fromStdString(WorkPath("a&&b.pdf")));
  EXPECT_TRUE(window_->action(kCmdSaveCvn)->isEnabled());
}

TEST_F(WindowTest, TheAboutBoxShowsTheVersion) {
  StartWindow();
  QString version;
  QTimer::singleShot(50, [&version] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr) return;
    if (auto* label = dialog->findChild<QLabel*>(QStringLiteral("version"))) version = label->text();
    dialog->close();
  });
  RouteCommand(kCmdAbout);
  EXPECT_EQ(version, QStringLiteral("1.0.12"));
}

TEST_F(WindowTest, WithoutAKeyboardProgramTheUserIsTold) {
  StartWindow();
  QByteArray path = qgetenv("PATH");
  qputenv("PATH", QByteArray::fromStdString(WorkPath("empty-bin")));
  bool shown = ShowOnScreenKeyboard(Canvas()->pageControls()->pageEdit());
  qputenv("PATH", path);
  EXPECT_FALSE(shown);
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"软键盘不可用");
  EXPECT_EQ(g_script.boxes[0].text, u"无法打开 onboard 屏幕键盘。请检查系统的屏幕键盘是否可用。");
}

}  // namespace

namespace {

TEST_F(WindowTest, DeletingAPageFromTheNavigatorMenuIsOneUndoStep) {
  WriteNumberedPdf(WorkPath("pages.pdf"), 3);
  StartWindow({QString::fromStdString(WorkPath("pages.pdf"))});
  RouteCommand(kCmdToggleNavigator);
  NavigatorList* list = Canvas()->navigator()->list();
  QPoint at = list->visualItemRect(list->item(1)).center();
  QTimer::singleShot(50, [] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) return;
    ASSERT_EQ(menu->actions().size(), 3);
    EXPECT_TRUE(menu->actions()[2]->isEnabled());
    ChooseInPopup(menu, QStringLiteral("删除此页"));
  });
  QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
  QApplication::sendEvent(list->viewport(), &event);
  QApplication::processEvents();
  EXPECT_EQ(PageWidths(g_session.document), (std::vector<float>{300, 302}));
  EXPECT_EQ(g_session.statusText, u"已删除第 2 页，剩余 2 页");
  EXPECT_EQ(g_history.undo.size(), 1u);
  EXPECT_EQ(list->count(), 2);
  RouteCommand(kCmdUndo);
  EXPECT_EQ(PageWidths(g_session.document), (std::vector<float>{300, 301, 302}));
  EXPECT_EQ(g_session.currentPageIndex, 0);  // the page shown before the right click
}

}  // namespace
