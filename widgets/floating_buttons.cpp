#include "widgets/floating_buttons.h"

#include <QAbstractButton>
#include <QPainter>

#include <cmath>
#include <optional>

#include "document/session.h"
#include "drawing/coordinate_system.h"
#include "editing/selection.h"
#include "view/command_ids.h"
#include "view/command_sink.h"

namespace {

constexpr int kIds[5] = {kCmdFloatingFitPage, kCmdFloatingDrawingMenu, kCmdFloatingZoomIn, kCmdFloatingZoomOut, kCmdFloatingFullScreen};
const char* const kLabels[5] = {"重置视图（整页）", "绘图菜单", "放大", "缩小", "切换全屏"};

class RoundButton : public QAbstractButton {
 public:
  RoundButton(int id, QWidget* parent) : QAbstractButton(parent), id_(id) {
    setFixedSize(36, 36);
    setMask(QRegion(0, 0, 36, 36, QRegion::Ellipse));
    connect(this, &QAbstractButton::clicked, [id] {
      if (g_sendCommand != nullptr) g_sendCommand(id);
    });
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(210, 210, 210));
    p.setBrush(isDown() ? QColor(232, 237, 241) : QColor(255, 255, 255));
    p.drawEllipse(QRectF(1.5, 1.5, 33, 33));
    QPen ink(isEnabled() ? QColor(100, 100, 100) : QColor(185, 185, 185), 2);
    p.setPen(ink);
    p.setBrush(Qt::NoBrush);
    QPointF c(18, 18);
    switch (id_) {
      case kCmdFloatingFitPage:  // fit page: a frame
        p.drawRect(QRectF(11, 10, 14, 16));
        break;
      case kCmdFloatingDrawingMenu:  // drawing menu: a triangle
        p.drawPolygon(QPolygonF({QPointF(18, 10), QPointF(26, 25), QPointF(10, 25)}));
        break;
      case kCmdFloatingZoomIn:
      case kCmdFloatingZoomOut:
        p.drawLine(QPointF(11, 18), QPointF(25, 18));
        if (id_ == kCmdFloatingZoomIn) p.drawLine(QPointF(18, 11), QPointF(18, 25));
        break;
      default:  // full screen: four corners
        for (int sx : {-1, 1}) {
          for (int sy : {-1, 1}) {
            QPointF corner(c.x() + sx * 8, c.y() + sy * 8);
            p.drawLine(corner, corner - QPointF(sx * 4, 0));
            p.drawLine(corner, corner - QPointF(0, sy * 4));
          }
        }
        break;
    }
  }

 private:
  int id_;
};

// The unit length of the coordinate system selected in the select tool, or nothing.
std::optional<double> SelectedUnitLength() {
  FPDF_PAGEOBJECT system = SelectedCoordinateSystem();
  if (system == nullptr) return std::nullopt;
  auto points = ReadControlPoints(system, CurrentOps());
  if (!points) return 0.0;
  return std::hypot(double(points->unit.x - points->origin.x), double(points->unit.y - points->origin.y));
}

}  // namespace

IntRect FloatingButtonRect(int index) {
  IntRect view = ViewArea();
  int viewHeight = g_layout.fullScreen ? g_layout.clientHeight : g_layout.clientHeight - 76;
  if (g_session.document == nullptr || view.Width() <= 51 || viewHeight <= 227) return {};
  int x = view.right - 44;
  int y = view.bottom - 220 + 44 * index;
  return {x, y, x + 36, y + 36};
}

FloatingButtons::FloatingButtons(QWidget* canvas) {
  for (int i = 0; i < 5; ++i) {
    buttons_[size_t(i)] = new RoundButton(kIds[i], canvas);
    buttons_[size_t(i)]->setToolTip(QString::fromUtf8(kLabels[i]));
    buttons_[size_t(i)]->hide();
  }
}

void FloatingButtons::Relayout() {
  for (int i = 0; i < 5; ++i) {
    IntRect r = FloatingButtonRect(i);
    QAbstractButton* button = buttons_[size_t(i)];
    if (r.Empty()) {
      button->hide();
    } else {
      button->move(r.left, r.top);
      button->show();
      button->raise();
    }
  }
}

void FloatingButtons::Refresh() {
  Relayout();
  bool document = g_session.document != nullptr;
  auto unit = SelectedUnitLength();
  buttons_[0]->setEnabled(document);
  buttons_[1]->setEnabled(document);
  buttons_[4]->setEnabled(document);
  buttons_[2]->setToolTip(unit ? QStringLiteral("放大坐标系单位") : QStringLiteral("放大"));
  buttons_[3]->setToolTip(unit ? QStringLiteral("缩小坐标系单位") : QStringLiteral("缩小"));
  buttons_[2]->setEnabled(unit ? *unit < 4999.99 : CanZoomIn());
  buttons_[3]->setEnabled(unit ? *unit > 2.001 : CanZoomOut());
}
