#include "widgets/toolbar_icons.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "view/command_ids.h"

namespace {

// All icons are drawn on a 16 × 16 grid (y down) and scaled to the box, so they are paths at
// every device pixel ratio, never bitmaps.
QPainterPath Polygon(std::initializer_list<QPointF> points, bool closed = true) {
  QPainterPath path;
  auto it = points.begin();
  path.moveTo(*it);
  for (++it; it != points.end(); ++it) path.lineTo(*it);
  if (closed) path.closeSubpath();
  return path;
}

QPainterPath Line(QPointF a, QPointF b) { return Polygon({a, b}, false); }

// A page with its top-right corner folded.
QPainterPath Page(double left, double top, double right, double bottom) {
  QPainterPath page = Polygon({{left, top}, {right - 3, top}, {right, top + 3}, {right, bottom}, {left, bottom}});
  page.addPath(Polygon({{right - 3, top}, {right - 3, top + 3}, {right, top + 3}}, false));
  return page;
}

// An arc around (8, 9) with an arrow head at its end; clockwise or not as seen on screen.
void RotationArrow(QPainter& p, bool clockwise) {
  QPainterPath arc;
  QRectF circle(2.5, 3.5, 11, 11);
  double start = clockwise ? 150 : 30, sweep = clockwise ? -270 : 270;  // degrees, counter-clockwise positive
  arc.arcMoveTo(circle, start);
  arc.arcTo(circle, start, sweep);
  p.drawPath(arc);
  double end = (start + sweep) * M_PI / 180;
  QPointF tip(8 + 5.5 * std::cos(end), 9 - 5.5 * std::sin(end));
  // The head points along the direction of travel.
  double along = end + (clockwise ? -M_PI / 2 : M_PI / 2);
  QPointF u(std::cos(along), -std::sin(along)), n(-u.y(), u.x());
  p.setBrush(p.pen().color());
  p.drawPath(Polygon({tip + 2.8 * u, tip - 1.4 * u + 1.8 * n, tip - 1.4 * u - 1.8 * n}));
}

void Magnifier(QPainter& p, bool plus) {
  p.drawEllipse(QPointF(6.5, 6.5), 5, 5);
  QPen thick = p.pen();
  thick.setWidthF(2.2);
  p.save();
  p.setPen(thick);
  p.drawPath(Line({10.3, 10.3}, {14.5, 14.5}));
  p.restore();
  p.drawPath(Line({4, 6.5}, {9, 6.5}));
  if (plus) p.drawPath(Line({6.5, 4}, {6.5, 9}));
}

void DrawIcon(QPainter& p, int id, bool fullScreen) {
  QColor ink = p.pen().color();
  switch (id) {
    case kCmdNewButton:  // a page with a plus
      p.drawPath(Page(2.5, 1, 13.5, 15));
      p.drawPath(Line({5.5, 9}, {10.5, 9}));
      p.drawPath(Line({8, 6.5}, {8, 11.5}));
      break;
    case kCmdToggleNavigator:  // a window with a column of thumbnails on the left
      p.drawRect(QRectF(1, 2, 14, 12));
      p.drawPath(Line({6, 2}, {6, 14}));
      p.fillRect(QRectF(2.4, 3.8, 2.2, 3), ink);
      p.fillRect(QRectF(2.4, 8.8, 2.2, 3), ink);
      break;
    case kCmdOpenButton:  // an open folder
      p.drawPath(Polygon({{1, 13.5}, {1, 2.5}, {5.5, 2.5}, {7, 4.5}, {13, 4.5}, {13, 7}}, false));
      p.drawPath(Polygon({{1, 13.5}, {3.8, 7}, {15.2, 7}, {12.4, 13.5}}));
      break;
    case kCmdSelectTextTool:  // a text cursor over two lines, the first one marked
      p.fillRect(QRectF(1, 3, 9, 4), QColor(120, 170, 230));
      p.drawPath(Line({1.5, 5}, {9, 5}));
      p.drawPath(Line({1.5, 11}, {14.5, 11}));
      p.drawPath(Line({12, 1.5}, {12, 14.5}));
      p.drawPath(Line({10.5, 1.5}, {13.5, 1.5}));
      p.drawPath(Line({10.5, 14.5}, {13.5, 14.5}));
      break;
    case kCmdSelectTool:  // the arrow pointer
      p.setBrush(Qt::white);
      p.drawPath(Polygon({{4, 1}, {4, 13.5}, {7, 10.6}, {9.3, 15.2}, {11.2, 14.3}, {8.9, 9.8}, {13, 9.8}}));
      break;
    case kCmdPenMenu:  // a pencil
      p.drawPath(Polygon({{2, 14}, {3, 10.3}, {11, 2.3}, {13.7, 5}, {5.7, 13}}));
      p.drawPath(Line({3, 10.3}, {5.7, 13}));
      p.drawPath(Line({9.4, 3.9}, {12.1, 6.6}));
      break;
    case kCmdEraseMenu:  // an eraser on a line
      p.drawPath(Polygon({{5.5, 13.5}, {1.8, 9.8}, {9, 2.6}, {14.2, 7.8}, {8.5, 13.5}}));
      p.drawPath(Line({4.6, 7}, {10.3, 12.7}));
      p.drawPath(Line({8.5, 14.8}, {15, 14.8}));
      break;
    case kCmdZoomOutButton:
    case kCmdZoomInButton:
      Magnifier(p, id == kCmdZoomInButton);
      break;
    case kCmdFitMenu:  // a page between two arrow heads: fitting it to the window
      p.drawRect(QRectF(4.5, 1.5, 7, 13));
      p.drawPath(Line({0.8, 8}, {15.2, 8}));
      p.setBrush(ink);
      p.drawPath(Polygon({{0.8, 8}, {3.2, 6}, {3.2, 10}}));
      p.drawPath(Polygon({{15.2, 8}, {12.8, 6}, {12.8, 10}}));
      break;
    case kCmdRotateLeftButton:
    case kCmdRotateRightButton:
      RotationArrow(p, id == kCmdRotateRightButton);
      break;
    case kCmdSaveButton:  // a diskette
      p.drawPath(Polygon({{1.5, 1.5}, {12, 1.5}, {14.5, 4}, {14.5, 14.5}, {1.5, 14.5}}));
      p.drawRect(QRectF(4.5, 1.5, 6, 4));
      p.drawRect(QRectF(4, 9, 8, 5.5));
      break;
    case kCmdFullScreenButton:  // four corners pointing out (in, to leave full screen)
      for (int sx : {-1, 1}) {
        for (int sy : {-1, 1}) {
          QPointF corner(8 + sx * 6.5, 8 + sy * 6.5);
          QPointF inner(8 + sx * 2.5, 8 + sy * 2.5);
          QPointF tip = fullScreen ? inner : corner;
          double d = fullScreen ? 3.5 : -3.5;
          p.drawPath(Line(corner, inner));
          p.drawPath(Polygon({tip + QPointF(sx * d, 0), tip, tip + QPointF(0, sy * d)}, false));
        }
      }
      break;
    case kCmdHandTool: {  // an open hand: four fingers, a thumb and the palm
      QPainterPath hand;
      hand.moveTo(4, 9);
      hand.lineTo(4, 4);
      hand.arcTo(QRectF(4, 2.5, 2.2, 2.2), 180, -180);
      hand.lineTo(6.2, 3);
      hand.arcTo(QRectF(6.2, 1, 2.2, 2.2), 180, -180);
      hand.lineTo(8.4, 3);
      hand.arcTo(QRectF(8.4, 1.8, 2.2, 2.2), 180, -180);
      hand.lineTo(10.6, 4.5);
      hand.arcTo(QRectF(10.6, 3.5, 2.2, 2.2), 180, -180);
      hand.lineTo(12.8, 10);
      hand.quadTo(12.8, 15, 8.5, 15);
      hand.quadTo(5.5, 15, 4, 12.5);
      hand.lineTo(1.6, 8.8);
      hand.quadTo(2.5, 7.4, 4, 9);
      p.setBrush(Qt::white);
      p.drawPath(hand);
      for (double x : {6.2, 8.4, 10.6}) p.drawPath(Line({x, 4}, {x, 8.5}));
      break;
    }
    case kCmdEditMode:  // a shape with selection handles
      p.drawEllipse(QRectF(3.5, 3.5, 9, 9));
      p.save();
      p.setPen(QPen(ink, 0.9, Qt::DashLine));
      p.drawRect(QRectF(2.5, 2.5, 11, 11));
      p.restore();
      for (double x : {2.5, 13.5}) {
        for (double y : {2.5, 13.5}) p.fillRect(QRectF(x - 1.6, y - 1.6, 3.2, 3.2), ink);
      }
      break;
    case kCmdTextButton:  // a serif T
      p.drawPath(Polygon({{2.5, 4}, {2.5, 1.8}, {13.5, 1.8}, {13.5, 4}}, false));
      p.drawPath(Line({8, 1.8}, {8, 14.2}));
      p.drawPath(Line({5.5, 14.2}, {10.5, 14.2}));
      break;
    case kCmdInsertImage:  // a picture: frame, mountains and the sun
      p.drawRect(QRectF(1, 2, 14, 12));
      p.drawPath(Polygon({{1, 12.5}, {5.5, 7.5}, {8.8, 11}, {10.8, 9}, {15, 13}}, false));
      p.setBrush(ink);
      p.drawEllipse(QPointF(11.2, 5.3), 1.5, 1.5);
      break;
    case kCmdDrawingMenuButton:  // a set square with a compass circle
      p.drawPath(Polygon({{1.5, 14.5}, {1.5, 3}, {13, 14.5}}));
      p.drawPath(Polygon({{4.2, 11.8}, {4.2, 8.6}, {7.4, 11.8}}));
      p.drawEllipse(QPointF(11.5, 5), 3.2, 3.2);
      break;
    case kCmdOcr:  // corner marks around lines of text
      for (int sx : {-1, 1}) {
        for (int sy : {-1, 1}) {
          QPointF corner(8 + sx * 7, 8 + sy * 7);
          p.drawPath(Polygon({corner - QPointF(sx * 3.5, 0), corner, corner - QPointF(0, sy * 3.5)}, false));
        }
      }
      for (double y : {5.5, 8.0, 10.5}) p.drawPath(Line({4.5, y}, {y > 10 ? 9 : 11.5, y}));
      break;
    default:
      break;
  }
}

}  // namespace

void DrawToolbarIcon(QPainter& painter, int id, const QRectF& box, bool fullScreen) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.translate(box.topLeft());
  painter.scale(box.width() / 16.0, box.height() / 16.0);
  QPen pen(painter.pen().color(), 1.25, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  DrawIcon(painter, id, fullScreen);
  painter.restore();
}

namespace {

// Filled triangles and bars: first, previous, next and last page.
class PageTurnIconEngine : public QIconEngine {
 public:
  explicit PageTurnIconEngine(int id) : id_(id) {}
  QIconEngine* clone() const override { return new PageTurnIconEngine(id_); }

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->translate(rect.topLeft());
    painter->scale(rect.width() / 16.0, rect.height() / 16.0);
    painter->setPen(Qt::NoPen);
    painter->setBrush(mode == QIcon::Disabled ? QColor(170, 170, 170) : QColor(45, 48, 52));
    bool forward = id_ == kCmdNextPageButton || id_ == kCmdLastPage;
    bool toEnd = id_ == kCmdFirstPage || id_ == kCmdLastPage;
    // Drawn pointing right, mirrored for the backward buttons.
    if (!forward) {
      painter->translate(16, 0);
      painter->scale(-1, 1);
    }
    double shift = toEnd ? -1.5 : 0;
    painter->drawPath(Polygon({{4.5 + shift, 2.5}, {12.5 + shift, 8}, {4.5 + shift, 13.5}}));
    if (toEnd) painter->drawRect(QRectF(12, 2.5, 2, 11));
    painter->restore();
  }

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    paint(&painter, QRect(QPoint(0, 0), size), mode, state);
    return pixmap;
  }

  QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
    QPixmap pixmap = this->pixmap(size * scale, mode, state);
    pixmap.setDevicePixelRatio(scale);
    return pixmap;
  }

 private:
  int id_;
};

}  // namespace

QIcon PageTurnIcon(int id) { return QIcon(new PageTurnIconEngine(id)); }
