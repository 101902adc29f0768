#include "widgets/page_text_menu.h"

#include <QMenu>
#include <QPainter>

#include <optional>

#include "document/session.h"
#include "editing/page_text_select.h"
#include "editing/pointer_input.h"
#include "editing/text_marks.h"
#include "view/command_ids.h"
#include "view/command_sink.h"
#include "view/page_view.h"
#include "view/tool_state.h"
#include "widgets/find_highlights.h"
#include "widgets/page_canvas.h"
#include "widgets/window_access.h"

namespace {

const QColor kSelectionFill(0, 110, 230, 80);

void ShowPageTextMenu(ScreenPoint point) {
  PageCanvas* canvas = MainCanvas();
  if (canvas == nullptr) return;
  QMenu menu(MainWindowWidget());
  QAction* selectText = nullptr;
  if (g_tool.mode != ToolMode::SelectText) selectText = menu.addAction(QStringLiteral("选择文字"));
  QAction* copy = menu.addAction(QStringLiteral("复制"));
  copy->setData(int(kCmdCopy));
  copy->setEnabled(HasPageTextSelection());
  if (selectText != nullptr) selectText->setData(int(kCmdSelectTextTool));
  menu.addSeparator();
  const std::pair<int, const char*> marks[] = {
      {kCmdHighlightText, "高亮"}, {kCmdUnderlineText, "下划线"}, {kCmdStrikeOutText, "删除线"}};
  for (const auto& [id, label] : marks) {
    QAction* mark = menu.addAction(QString::fromUtf8(label));
    mark->setData(id);
    mark->setEnabled(HasPageTextSelection());
  }
  std::optional<PagePoint> at = ScreenToPageUnclamped(float(point.x), float(point.y));
  g_menuTextMark = at ? TextMarkAt(g_session.currentPage, at->x, at->y) : -1;
  if (g_menuTextMark >= 0) {
    menu.addSeparator();
    menu.addAction(QStringLiteral("标记颜色..."))->setData(int(kCmdRecolourTextMark));
    menu.addAction(QStringLiteral("删除标记"))->setData(int(kCmdDeleteTextMark));
  }
  int command = 0;
  QObject::connect(&menu, &QMenu::triggered, [&command](QAction* action) { command = action->data().toInt(); });
  menu.exec(canvas->mapToGlobal(QPoint(point.x, point.y)));
  if (command != 0 && g_sendCommand != nullptr) g_sendCommand(command);
}

}  // namespace

void InstallPageTextMenu() { g_pageMenus.pageTextMenu = ShowPageTextMenu; }

void PaintPageTextSelection(QPainter& painter) {
  std::vector<TextRect> rects = SelectedPageTextRects();
  if (rects.empty() || !g_view.valid) return;
  PageFrame frame = CurrentPageFrame();
  painter.save();
  painter.setPen(Qt::NoPen);
  painter.setBrush(kSelectionFill);
  for (const TextRect& rect : rects) painter.drawRect(MatchRectOnScreen(frame, rect));
  painter.restore();
}
