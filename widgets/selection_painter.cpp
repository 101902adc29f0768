#include "widgets/selection_painter.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "editing/hit_tests.h"
#include "editing/select_tool.h"
#include "editing/selection.h"
#include "editing/text_selection.h"
#include "view/page_view.h"
#include "view/tool_state.h"

namespace {

const QColor kSelectionBlue(0, 105, 210);
const QColor kSystemBlue(0, 104, 210);
const QColor kEditBlue(0, 120, 215);

QRect ToQRect(const IntRect& r, int inflate) {
  return QRect(QPoint(r.left - inflate, r.top - inflate), QPoint(r.right + inflate, r.bottom + inflate));
}

QPen Dashed(const QColor& colour) {
  QPen pen(colour, 1, Qt::DashLine);
  pen.setCosmetic(true);
  return pen;
}

void Handle(QPainter& p, ScreenPoint at) {
  p.setPen(QPen(kSelectionBlue, 1));
  p.setBrush(Qt::white);
  p.drawRect(QRect(at.x - 5, at.y - 5, 10, 10));  // 11 × 11 pixels with the outline
}

void PaintSingle(QPainter& p, FPDF_PAGEOBJECT object) {
  PdfOps ops = CurrentOps();
  DrawnKind kind = ClassifyDrawnObject(object, ops);
  std::vector<ControlPoint> handles = ControlPointsOf(object, ops, kind);
  switch (kind) {
    case DrawnKind::Line:
      if (handles.size() == 2) {
        p.setPen(QPen(kSelectionBlue, 1));
        p.drawLine(QPoint(handles[0].at.x, handles[0].at.y), QPoint(handles[1].at.x, handles[1].at.y));
        for (const ControlPoint& c : handles) Handle(p, c.at);
      }
      return;
    case DrawnKind::Point:
      if (auto rect = ScreenRectOf(object, ops)) {
        int r = int(std::ceil(std::max(rect->Width(), rect->Height()) / 2.0));
        if (r < 6) r = 5;
        QPointF centre((rect->left + rect->right) / 2.0, (rect->top + rect->bottom) / 2.0);
        p.setPen(Dashed(kSelectionBlue));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(centre, r + 3, r + 3);
      }
      return;
    case DrawnKind::CoordinateSystem:
      if (handles.size() == 2) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(kSystemBlue, 2));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(handles[0].at.x, handles[0].at.y), 6.5, 6.5);
        p.drawRect(QRectF(handles[1].at.x - 6.5, handles[1].at.y - 6.5, 13, 13));
      }
      return;
    case DrawnKind::Triangle:
    case DrawnKind::Rectangle:
    case DrawnKind::Ellipse: {
      p.setPen(Dashed(kSelectionBlue));
      p.setBrush(Qt::NoBrush);
      if (kind == DrawnKind::Ellipse) {
        if (auto rect = ScreenRectOf(object, ops)) p.drawRect(ToQRect(*rect, 0));
      } else {
        QPolygon outline;
        for (const ControlPoint& c : handles) outline << QPoint(c.at.x, c.at.y);
        p.drawPolygon(outline);
      }
      for (const ControlPoint& c : handles) Handle(p, c.at);
      return;
    }
    default:
      return;
  }
}

}  // namespace

void PaintSelection(QPainter& painter) {
  painter.save();
  painter.setBrush(Qt::NoBrush);
  PdfOps ops = CurrentOps();
  if (g_tool.mode == ToolMode::Select) {
    if (g_selection.group.size() >= 2) {
      painter.setPen(Dashed(kSelectionBlue));
      for (FPDF_PAGEOBJECT member : g_selection.group) {
        if (auto rect = ScreenRectOf(member, ops)) painter.drawRect(ToQRect(*rect, 4));
      }
    } else if (g_selection.object != nullptr) {
      PaintSingle(painter, g_selection.object);
    }
    if (g_selection.selectedText != nullptr) {
      if (auto rect = TextScreenRect(g_selection.selectedText, ops, CurrentPageFrame())) {
        painter.setPen(Dashed(kSelectionBlue));
        painter.drawRect(ToQRect(*rect, 3));
      }
    }
    if (g_marquee.active) {
      painter.setPen(Dashed(kSelectionBlue));
      painter.setBrush(Qt::NoBrush);
      painter.drawRect(QRect(QPoint(g_marquee.start.x, g_marquee.start.y), QPoint(g_marquee.current.x, g_marquee.current.y))
                           .normalized());
    }
  } else if (g_tool.mode == ToolMode::Edit && g_selection.object != nullptr) {
    if (auto rect = ScreenRectOf(g_selection.object, ops)) {
      painter.setPen(Dashed(kEditBlue));
      painter.drawRect(ToQRect(*rect, 4));
    }
  }
  painter.restore();
}
