#include "widgets/image_selection_painter.h"

#include <QPainter>
#include <QPainterPath>

#include "editing/image_drag.h"
#include "editing/image_objects.h"
#include "editing/selection.h"
#include "view/page_view.h"
#include "view/tool_state.h"

namespace {

const QColor kFrameBlue(0, 120, 215);
const QColor kHandleBlue(0, 95, 185);

QPointF Q(ScreenPointF p) { return QPointF(p.x, p.y); }

void EdgeHandle(QPainter& p, ScreenPointF at) {
  int x = int(std::lround(at.x)), y = int(std::lround(at.y));
  p.fillRect(QRect(x - 4, y - 4, 9, 9), Qt::white);
  p.drawRect(QRect(x - 4, y - 4, 8, 8));  // 9 × 9 pixels with the outline
}

void RotateHandle(QPainter& p, ScreenPointF top, ScreenPointF at) {
  p.drawLine(Q(top), Q(at));
  p.setBrush(Qt::white);
  p.drawEllipse(Q(at), 7.5, 7.5);
  p.setBrush(Qt::NoBrush);
  // A small turning arrow inside the circle.
  QRectF arc(at.x - 4, at.y - 4, 8, 8);
  p.drawArc(arc, 30 * 16, 270 * 16);
  QPointF tip(at.x + 4 * 0.866, at.y - 4 * 0.5);
  p.drawLine(tip, tip + QPointF(-3, -1));
  p.drawLine(tip, tip + QPointF(0, 3));
}

}  // namespace

void PaintImageSelection(QPainter& painter) {
  if (g_tool.mode != ToolMode::Edit || g_selection.selectedImage == nullptr) return;
  auto m = ReadImageMatrix(g_selection.selectedImage);
  if (!m) return;
  ImageHandlePoints h = HandlePointsOf(CurrentPageFrame(), *m);
  painter.save();
  QPen frame(kFrameBlue, 1, Qt::DashLine);
  frame.setCosmetic(true);
  painter.setPen(frame);
  painter.setBrush(Qt::NoBrush);
  QPolygonF outline;
  for (const ScreenPointF& c : h.corners) outline << Q(c);
  outline << Q(h.corners[0]);
  painter.drawPolyline(outline);
  painter.setPen(QPen(kHandleBlue, 1));
  if (h.rotate) {
    painter.setRenderHint(QPainter::Antialiasing);
    RotateHandle(painter, h.top, *h.rotate);
    painter.setRenderHint(QPainter::Antialiasing, false);
  }
  for (ScreenPointF at : {h.left, h.right, h.top, h.bottom}) EdgeHandle(painter, at);
  painter.restore();
}
