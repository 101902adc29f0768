#include "widgets/find_highlights.h"

#include <QPainter>
#include <QPolygonF>

#include "document/find_in_document.h"
#include "document/session.h"
#include "view/page_view.h"

namespace {

const QColor kMatchFill(255, 210, 0, 90);
const QColor kCurrentFill(255, 120, 0, 120);
const QColor kCurrentEdge(220, 90, 0);

}  // namespace

QRectF MatchRectOnScreen(const PageFrame& frame, const TextRect& rect) {
  const float corners[4][2] = {
      {rect.left, rect.top}, {rect.right, rect.top}, {rect.right, rect.bottom}, {rect.left, rect.bottom}};
  QPolygonF shown;
  for (const auto& corner : corners) {
    float x, y;
    PageToScreen(frame, corner[0], corner[1], x, y);
    shown << QPointF(x, y);
  }
  return shown.boundingRect();
}

void PaintFindHighlights(QPainter& painter) {
  const std::vector<TextMatch>* matches = MatchesOnPage(g_session.currentPageIndex);
  if (matches == nullptr || matches->empty() || !g_view.valid) return;
  PageFrame frame = CurrentPageFrame();
  const TextMatch* current = g_find.currentPage == g_session.currentPageIndex ? CurrentMatch() : nullptr;
  painter.save();
  painter.setPen(Qt::NoPen);
  for (const TextMatch& match : *matches) {
    bool chosen = &match == current;
    painter.setBrush(chosen ? kCurrentFill : kMatchFill);
    for (const TextRect& rect : match.rects) painter.drawRect(MatchRectOnScreen(frame, rect));
  }
  if (current != nullptr) {
    painter.setPen(QPen(kCurrentEdge, 1.5));
    painter.setBrush(Qt::NoBrush);
    for (const TextRect& rect : current->rects) painter.drawRect(MatchRectOnScreen(frame, rect).adjusted(-1, -1, 1, 1));
  }
  painter.restore();
}
