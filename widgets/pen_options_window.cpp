#include "widgets/pen_options_window.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <cmath>

#include "document/edit_wrapper.h"
#include "editing/pen_palette.h"
#include "editing/shape_panel_model.h"
#include "platform/platform_seam.h"
#include "view/command_ids.h"
#include "view/tool_state.h"
#include "widgets/qt_platform.h"
#include "widgets/shape_panel.h"
#include "widgets/window_access.h"

namespace {

constexpr int kWindowWidth = 250;
constexpr int kWindowHeight = 334;

QColor ToColour(uint32_t rgb) { return QColor(int(rgb & 0xFF), int((rgb >> 8) & 0xFF), int((rgb >> 16) & 0xFF)); }

class PenOptions : public QWidget {
 public:
  explicit PenOptions(QWidget* owner) : QWidget(owner, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("CorvanPdfPenOptions"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(kWindowWidth, kWindowHeight);
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::StrongFocus);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setRenderHint(QPainter::Antialiasing);
    QColor ink(45, 48, 52);
    p.setPen(ink);
    p.drawText(QPoint(12, 12 + p.fontMetrics().ascent()), QStringLiteral("颜色"));
    for (int i = 0; i < 30; ++i) {
      int r = i / 6, c = i % 6;
      p.setPen(QPen(QColor(135, 135, 135), 1));
      p.setBrush(ToColour(kPenPalette[size_t(i)]));
      p.drawEllipse(QRect(23 + 36 * c, 49 + 36 * r, 26, 26));
      if (kPenPalette[size_t(i)] == g_tool.drawColor) {
        p.setPen(QPen(QColor(0, 120, 215), 2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRect(20 + 36 * c, 46 + 36 * r, 32, 32));
      }
    }
    int penWidth = std::clamp(int(g_tool.lineWidth / 2.5 + 0.5), 1, 8);
    p.setPen(QPen(ToColour(g_tool.drawColor), penWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    const QPoint sample[] = {{24, 248}, {76, 231}, {128, 252}, {180, 239}, {226, 224}};
    p.drawPolyline(sample, 5);
    p.setPen(ink);
    p.drawText(QPoint(12, 270 + p.fontMetrics().ascent()), QStringLiteral("粗细  %1").arg(double(g_tool.lineWidth), 0, 'f', 1));
    p.fillRect(QRect(26, 299, 198, 4), QColor(200, 200, 200));
    int knob = int(std::lround(26 + (g_tool.lineWidth - 1) * 198 / 19.0));
    p.setPen(QColor(110, 110, 110));
    p.setBrush(QColor(245, 245, 245));
    p.drawEllipse(QPoint(knob, 301), 8, 8);
    p.setPen(ink);
    p.drawText(QPoint(26, 313 + p.fontMetrics().ascent()), QStringLiteral("细"));
    p.drawText(QPoint(208, 313 + p.fontMetrics().ascent()), QStringLiteral("粗"));
  }

  void mousePressEvent(QMouseEvent* event) override {
    QPoint at = event->position().toPoint();
    if (event->button() != Qt::LeftButton) return;
    if (at.y() >= 285 && at.y() <= 315) {
      sliding_ = true;
      SlideTo(at.x());
      return;
    }
    int index = PaletteIndexAt(at.x(), at.y());
    if (index < 0) return;
    EditScope scope = BeginPossibleEdit();
    ChoosePenColour(kPenPalette[size_t(index)]);
    EndPossibleEdit(scope);
    update();
    RefreshWindow();
  }

  void mouseMoveEvent(QMouseEvent* event) override {
    if (sliding_) SlideTo(event->position().toPoint().x());
  }

  void mouseReleaseEvent(QMouseEvent* event) override {
    if (!sliding_ || event->button() != Qt::LeftButton) return;
    sliding_ = false;
    EditScope scope = BeginPossibleEdit();
    ApplyWidth(FormatTwoPlaces(g_tool.lineWidth));
    EndPossibleEdit(scope);
    RefreshWindow();
  }

  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Escape) {
      close();
    } else {
      QWidget::keyPressEvent(event);
    }
  }

  bool event(QEvent* event) override {
    if (event->type() == QEvent::WindowDeactivate) {
      sliding_ = false;
      close();
    }
    return QWidget::event(event);
  }

 private:
  void SlideTo(int x) {
    g_tool.lineWidth = float(SliderWidthAt(x));
    update();
    if (ShapePanel* panel = CurrentShapePanel()) panel->Refresh();
  }

  bool sliding_ = false;
};

QPointer<PenOptions> g_window;

}  // namespace

void TogglePenOptions(QPoint anchorTopLeft, QSize anchorSize) {
  if (g_window != nullptr) {
    g_window->close();
    return;
  }
  if (MainWindowWidget() == nullptr) {
    ShowMessage(u"画笔设置失败", u"无法创建画笔属性面板。", MessageIcon::Error);
    return;
  }
  g_window = new PenOptions(MainWindowWidget());
  QRect area = QGuiApplication::primaryScreen() != nullptr ? QGuiApplication::primaryScreen()->availableGeometry()
                                                          : QRect(0, 0, 1600, 1000);
  int x = anchorTopLeft.x(), y = anchorTopLeft.y() + anchorSize.height();
  if (x + kWindowWidth > area.right() + 1) x = area.right() + 1 - kWindowWidth;
  if (y + kWindowHeight > area.bottom() + 1) y = anchorTopLeft.y() - kWindowHeight;
  x = std::max(x, area.left());
  y = std::max(y, area.top());
  g_window->move(x, y);
  g_window->show();
  g_window->raise();
  g_window->activateWindow();
  g_window->setFocus();
}

void ClosePenOptionsForCommand(int id) {
  if (g_window != nullptr && id != kCmdPenOptions && id != 1210) g_window->close();
}

QWidget* PenOptionsWindow() { return g_window.data(); }
