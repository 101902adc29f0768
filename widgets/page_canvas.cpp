#include "widgets/page_canvas.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QGestureEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPinchGesture>
#include <QScrollBar>
#include <QStyleHints>
#include <QTimer>
#include <QWheelEvent>
#include <cmath>

#include "document/session.h"
#include "drawing/coordinate_system.h"
#include "drawing/line_tools.h"
#include "drawing/shapes.h"
#include "editing/force_erase_trail.h"
#include "editing/pointer_input.h"
#include "editing/selection.h"
#include "view/command_sink.h"
#include "view/ocr_selection.h"
#include "view/page_view.h"
#include "view/pencil_cursor.h"
#include "view/status_line.h"
#include "view/tool_modes.h"
#include "view/tool_state.h"
#include "view/toolbar.h"
#include "widgets/drawn_object_menu.h"
#include "widgets/find_bar.h"
#include "widgets/find_highlights.h"
#include "widgets/floating_buttons.h"
#include "widgets/image_panel.h"
#include "widgets/image_selection_painter.h"
#include "widgets/page_text_menu.h"
#include "widgets/navigator_panel.h"
#include "widgets/page_number_controls.h"
#include "widgets/page_preparer.h"
#include "widgets/qt_platform.h"
#include "widgets/selection_painter.h"
#include "widgets/shape_panel.h"
#include "widgets/text_menu.h"
#include "widgets/toolbar_icons.h"

void (*g_sendCommand)(int id) = nullptr;

namespace {

const QColor kBackground(90, 94, 100);
const QColor kToolbarBand(250, 250, 250);
const QColor kToolbarLine(218, 220, 223);
const QColor kStatusBand(238, 239, 243);
const QColor kStatusText(35, 35, 35);

QColor DrawingColour() {
  uint32_t c = g_tool.drawColor;
  return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

QCursor PencilCursor() {
  static const QCursor cursor = [] {
    QImage image(kPencilCursorSize, kPencilCursorSize, QImage::Format_ARGB32);
    for (int y = 0; y < kPencilCursorSize; ++y) {
      for (int x = 0; x < kPencilCursorSize; ++x) image.setPixel(x, y, PencilCursorPixel(x, y));
    }
    return QCursor(QPixmap::fromImage(image), kPencilHotSpotX, kPencilHotSpotY);
  }();
  return cursor;
}

}  // namespace

PageCanvas::PageCanvas(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setAcceptDrops(false);
  grabGesture(Qt::PinchGesture);
  grabGesture(Qt::PanGesture);
  scrollBar_ = new QScrollBar(Qt::Vertical, this);
  scrollBar_->setSingleStep(40);
  connect(scrollBar_, &QScrollBar::valueChanged, this, [](int value) {
    if (value != ScrollOffset()) ScrollTo(value);
  });
  navigator_ = new NavigatorPanel(this);
  pageControls_ = new PageNumberControls(this);
  floatingButtons_ = new FloatingButtons(this);
  preparer_ = new PagePreparer(this);
}

// The helpers are plain objects; their widgets are the canvas's children and go with it.
PageCanvas::~PageCanvas() {
  delete floatingButtons_;
  delete pageControls_;
  delete navigator_;
}

void PageCanvas::Relayout() {
  g_layout.clientWidth = width();
  g_layout.clientHeight = height();
  QRect bar = [] {
    IntRect r = ScrollBarRect();
    return QRect(r.left, r.top, r.Width(), std::max(0, r.Height()));
  }();
  scrollBar_->setGeometry(bar);
  navigator_->Relayout();
  pageControls_->Relayout();
  floatingButtons_->Relayout();
  if (ShapePanel* panel = CurrentShapePanel()) panel->Refresh();
  if (ImagePanel* panel = CurrentImagePanel()) panel->Refresh();
  if (FindBar* bar = CurrentFindBar()) bar->Relayout();
  InvalidateRender(true);
  RefreshControls();
}

void PageCanvas::RefreshControls() {
  navigator_->Refresh();
  pageControls_->Refresh(navigator_->Selection());
  floatingButtons_->Refresh();
  SyncScrollBar();
  RefreshCursor();
  update();
}

void PageCanvas::SyncScrollBar() {
  QSignalBlocker block(scrollBar_);
  scrollBar_->setRange(0, std::max(0, g_scrollBar.maximum - g_scrollBar.page + 1));
  scrollBar_->setPageStep(g_scrollBar.page);
  scrollBar_->setValue(g_scrollBar.position);
  scrollBar_->setEnabled(g_scrollBar.enabled);
}

void PageCanvas::RefreshCursor() {
  QPoint at = mapFromGlobal(QCursor::pos());
  switch (CursorFor(at.x(), at.y())) {
    case CursorShape::Pencil:
      setCursor(PencilCursor());
      break;
    case CursorShape::Hand:
      setCursor(Qt::OpenHandCursor);
      break;
    case CursorShape::IBeam:
      setCursor(Qt::IBeamCursor);
      break;
    case CursorShape::SizeAll:
      setCursor(Qt::SizeAllCursor);
      break;
    case CursorShape::SizeWestEast:
      setCursor(Qt::SizeHorCursor);
      break;
    case CursorShape::SizeNorthSouth:
      setCursor(Qt::SizeVerCursor);
      break;
    case CursorShape::Arrow:
      setCursor(Qt::ArrowCursor);
      break;
    default:
      setCursor(Qt::CrossCursor);
      break;
  }
}

void PageCanvas::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  PaintContent(painter, event->rect());
}

void PageCanvas::PaintContent(QPainter& painter, const QRect& area) {
  painter.setClipRect(area);
  if (g_session.document != nullptr && !g_view.valid) {
    g_view.deviceScale = float(painter.device()->devicePixelRatioF());
    // A zoom answers in this frame with the page stretched; the sharp render paints next.
    if (ShowScaledPicture()) {
      QTimer::singleShot(0, this, [this] { update(); });
    } else {
      Render();
    }
    SyncScrollBar();  // the render placed the page anew
  }
  // The dark background only where the bands and the page do not cover it: a page turn
  // repaints the whole client area, and every pixel filled twice costs time.
  QRegion background(rect());
  if (!g_layout.fullScreen) {
    background -= QRect(0, 0, width(), kToolbarHeight);
    background -= QRect(0, height() - kStatusLineHeight, width(), kStatusLineHeight);
  }
  if (g_session.document != nullptr && g_view.bitmapWidth > 0) {
    IntRect view = ViewArea();
    const IntRect& page = g_view.pageRect;
    background -= QRect(view.left, view.top, view.Width(), view.Height()) &
                  QRect(page.left, page.top, g_view.bitmapWidth, g_view.bitmapHeight);
  }
  for (const QRect& part : background & area) painter.fillRect(part, kBackground);
  if (!g_layout.fullScreen) PaintToolbar(painter);
  if (g_session.document != nullptr) {
    PaintPage(painter);
    preparer_->PagePainted();
    if (OcrDragShown()) {
      IntRect frame = OcrDragRect();
      painter.setPen(QPen(QColor(0, 104, 210), 1, Qt::DashLine));
      painter.setBrush(QColor(0, 104, 210, 40));
      painter.drawRect(frame.left, frame.top, frame.Width(), frame.Height());
      painter.setBrush(Qt::NoBrush);
    }
  } else {
    IntRect view = ViewArea();
    painter.setPen(QColor(245, 245, 245));
    painter.drawText(QRect(view.left, view.top, view.Width(), view.Height()), Qt::AlignCenter,
                     QStringLiteral("从“文件→打开 PDF”选择文件，或将 PDF 拖入窗口"));
  }
  painter.setClipRect(area);
  if (!g_layout.fullScreen) PaintStatusLine(painter);
}

void PageCanvas::PaintToolbar(QPainter& painter) {
  // The band is drawn once per look (size, pixel ratio, each button's state) and then copied.
  double ratio = painter.device()->devicePixelRatioF();
  std::vector<int> look = {width(), int(ratio * 100), pressedToolbarButton_, g_layout.fullScreen};
  for (const auto& button : ToolbarButtons()) {
    look.push_back(ToolbarButtonEnabled(button.id) * 2 + ToolbarButtonActive(button.id));
  }
  if (look != toolbarLook_) {
    toolbarLook_ = look;
    // Every button, even where a narrow window cuts the band off.
    int bandWidth = std::max(width(), ToolbarButtons().back().x + kToolbarButtonWidth);
    toolbarPixmap_ = QPixmap(QSize(bandWidth, kToolbarHeight) * ratio);
    toolbarPixmap_.setDevicePixelRatio(ratio);
    QPainter band(&toolbarPixmap_);
    band.setFont(painter.font());
    DrawToolbarBand(band);
  }
  painter.drawPixmap(0, 0, toolbarPixmap_);
}

void PageCanvas::DrawToolbarBand(QPainter& painter) {
  int bandWidth = int(toolbarPixmap_.deviceIndependentSize().width());
  painter.fillRect(QRect(0, 0, bandWidth, kToolbarHeight), kToolbarBand);
  painter.setPen(kToolbarLine);
  painter.drawLine(0, 39, bandWidth, 39);
  for (int x : ToolbarSeparators()) painter.drawLine(x, 9, x, 31);
  for (const auto& button : ToolbarButtons()) {
    QRect r(button.x, 0, kToolbarButtonWidth, kToolbarHeight);
    bool enabled = ToolbarButtonEnabled(button.id);
    bool active = ToolbarButtonActive(button.id);
    bool pressed = pressedToolbarButton_ == button.id;
    QColor fill = !enabled ? QColor(245, 245, 245) : active ? QColor(222, 236, 250) : QColor(250, 250, 250);
    painter.fillRect(r, fill);
    if (active || pressed) {
      painter.setPen(active ? QColor(170, 200, 230) : QColor(210, 213, 215));
      painter.drawRect(r.adjusted(0, 0, -1, -1));
    }
    QColor ink = enabled ? QColor(45, 48, 52) : QColor(160, 160, 160);
    painter.setPen(ink);
    DrawToolbarIcon(painter, button.id, QRectF(r.center().x() + 0.5 - 8, r.top() + 2, 16, 16), g_layout.fullScreen);
    QRect label(r.left(), r.top() + 18, r.width() - (button.dropMarker ? 9 : 0), r.height() - 18);
    QFont font = painter.font();
    font.setPixelSize(11);
    painter.setFont(font);
    painter.drawText(label, Qt::AlignHCenter | Qt::AlignVCenter, ToQString(ToolbarButtonLabel(button)));
    if (button.dropMarker) {
      painter.drawText(QRect(r.right() - 9, r.top(), 9, r.height()), Qt::AlignCenter, QStringLiteral("▾"));
    }
  }
}

void PageCanvas::PaintPage(QPainter& painter) {
  IntRect view = ViewArea();
  painter.setClipRect(QRect(view.left, view.top, view.Width(), view.Height()), Qt::IntersectClip);
  if (g_view.bitmapWidth > 0 && !g_view.pixels.empty()) {
    QImage image(g_view.pixels.data(), g_view.pixelWidth, g_view.pixelHeight, g_view.pixelWidth * 4,
                 QImage::Format_RGB32);
    const IntRect& page = g_view.pageRect;
    painter.save();
    if (g_view.standInShown) painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(page.left, page.top, g_view.bitmapWidth, g_view.bitmapHeight), image);
    painter.restore();
  }
  PaintFindHighlights(painter);
  PaintPageTextSelection(painter);
  PaintPreviews(painter);
}

namespace {

void DrawOpenArrowHead(QPainter& painter, QPointF a, QPointF b, int w) {
  double length = std::hypot(b.x() - a.x(), b.y() - a.y());
  if (length <= 1e-4) return;
  double h = std::min(length / 2, 4.0 * w < 5 ? 8.0 : 4.0 * w);
  QPointF u((b.x() - a.x()) / length, (b.y() - a.y()) / length), n(-u.y(), u.x());
  painter.drawPolyline(QPolygonF({b - h * u + 0.45 * h * n, b, b - h * u - 0.45 * h * n}));
}

bool Touches(const PointRunBox& box, const QRectF& area) {
  return box.right >= area.left() && box.left <= area.right() && box.bottom >= area.top() && box.top <= area.bottom();
}

// The smoothed stroke, only the runs of segments that come within `reach` of the area: a
// move repaints a small area, and its cost must not grow with the stroke.
void DrawStrokeNear(QPainter& painter, const SmoothedStroke& stroke, const QRectF& clip, double reach) {
  QRectF area = clip.adjusted(-reach, -reach, reach, reach);
  size_t runs = stroke.runBoxes.size();
  std::vector<QPointF> points;
  for (size_t run = 0; run < runs;) {
    if (!Touches(stroke.runBoxes[run], area)) {
      ++run;
      continue;
    }
    size_t begin = run * kSmoothRunLength;
    while (run < runs && Touches(stroke.runBoxes[run], area)) ++run;
    size_t end = std::min(stroke.points.size(), run * kSmoothRunLength + 1);
    points.clear();
    for (size_t i = begin; i < end; ++i) points.emplace_back(stroke.points[i].x, stroke.points[i].y);
    painter.drawPolyline(points.data(), int(points.size()));
  }
}

// The points the line tool's release would produce, on screen.
std::vector<QPointF> LineToolPreview() {
  std::vector<QPointF> screen;
  std::vector<PagePoint> points;
  if (g_tool.lineToolDocument != g_session.document || g_tool.lineToolPage != g_session.currentPageIndex) return screen;
  if (g_tool.lineTool == LineToolKind::Polyline) {
    points = g_tool.polyline;
    if (!points.empty()) {
      if (auto p = ScreenToPageUnclamped(float(g_tool.stroke.current.x), float(g_tool.stroke.current.y))) points.push_back(*p);
    }
  } else if (g_tool.stroke.active) {
    LineToolInput input;
    input.kind = g_tool.lineTool;
    input.start = g_tool.stroke.start;
    input.end = g_tool.stroke.current;
    input.screen = CurrentScreenMapping();
    input.fixedLengthCm = g_tool.fixedLengthCm;
    if (g_tool.equalVectorPicked) input.pickedOffset = g_tool.equalVectorOffset;
    if (auto produced = LineToolPoints(input)) points = *produced;
  }
  for (const PagePoint& p : points) {
    float x, y;
    PageToScreen(p.x, p.y, x, y);
    screen.emplace_back(x, y);
  }
  return screen;
}

// The brush's white trail, clipped to the page: what the release will erase, roughly.
void PaintForceEraseTrail(QPainter& painter, const std::vector<ScreenPoint>& points) {
  if (points.empty()) return;
  const IntRect& r = g_view.pageRect;
  painter.setClipRect(QRect(r.left, r.top, r.Width(), r.Height()), Qt::IntersectClip);
  if (points.size() == 1) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPointF(points[0].x, points[0].y), kForceEraseBrushPixels, kForceEraseBrushPixels);
    return;
  }
  painter.setPen(QPen(Qt::white, 2 * kForceEraseBrushPixels, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  QPolygonF line;
  for (const ScreenPoint& p : points) line << QPointF(p.x, p.y);
  painter.drawPolyline(line);
}

}  // namespace

void PageCanvas::PaintPreviews(QPainter& painter) {
  const StrokeDrag& stroke = g_tool.stroke;
  int w = StrokePixels(g_tool.lineWidth);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(DrawingColour(), w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  QPointF a(stroke.start.x, stroke.start.y), b(stroke.current.x, stroke.current.y);
  if (stroke.active && g_tool.mode == ToolMode::Pen) {
    if (stroke.points.size() == 1) {
      painter.setPen(Qt::NoPen);
      painter.setBrush(DrawingColour());
      painter.drawEllipse(a, w / 2.0, w / 2.0);
    } else {
      ExtendSmoothing(g_tool.stroke.smoothed, stroke.points);
      DrawStrokeNear(painter, g_tool.stroke.smoothed, painter.clipBoundingRect(), w / 2.0 + 2);
    }
  } else if (stroke.active && g_tool.mode == ToolMode::ForceErase) {
    PaintForceEraseTrail(painter, stroke.points);
  } else if (stroke.active && g_tool.mode == ToolMode::Arrow) {
    painter.drawLine(a, b);
    double length = std::hypot(b.x() - a.x(), b.y() - a.y());
    if (length > 1e-4) {
      double h = std::min(std::max(8.0, 4.0 * w), length / 2);
      QPointF u((b.x() - a.x()) / length, (b.y() - a.y()) / length), n(-u.y(), u.x());
      painter.drawLine(b, b - h * u + 0.45 * h * n);
      painter.drawLine(b, b - h * u - 0.45 * h * n);
    }
  } else if (g_tool.mode == ToolMode::Geometry && g_tool.lineTool != LineToolKind::None) {
    std::vector<QPointF> points = LineToolPreview();
    if (points.size() >= 2) {
      painter.setPen(QPen(DrawingColour(), std::max(1, w), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      painter.drawPolyline(points.data(), int(points.size()));
      if (g_tool.lineTool == LineToolKind::Vector || g_tool.lineTool == LineToolKind::EqualVector) {
        DrawOpenArrowHead(painter, points[0], points[1], w);
      }
    }
  } else if (stroke.active && g_tool.mode == ToolMode::Geometry) {
    if (g_tool.geometryKind == GeometryKind::Point) {
      painter.setPen(Qt::NoPen);
      painter.setBrush(DrawingColour());
      double r = w < 3 ? 2 : w;
      painter.drawEllipse(a, r, r);
    } else if (auto outline = BuildOutline(g_tool.geometryKind, stroke.start, stroke.current)) {
      QPolygonF polygon;
      for (const ScreenPoint& p : outline->points) polygon << QPointF(p.x, p.y);
      if (g_tool.geometryKind == GeometryKind::Ellipse) {
        painter.drawEllipse(QRectF(a, b).normalized());
      } else if (outline->closed) {
        painter.drawPolygon(polygon);
      } else {
        painter.drawPolyline(polygon);
      }
    }
  }
  painter.restore();
  PaintSelection(painter);
  PaintImageSelection(painter);
}

void PageCanvas::PaintStatusLine(QPainter& painter) {
  int top = height() - kStatusLineHeight;
  painter.fillRect(QRect(0, top, width(), kStatusLineHeight), kStatusBand);
  painter.setPen(kStatusText);
  QFont font = painter.font();
  font.setPixelSize(13);
  painter.setFont(font);
  int right = std::max(10, width() - 334);
  QString text = painter.fontMetrics().elidedText(ToQString(StatusLineText()), Qt::ElideRight, right - 10);
  painter.drawText(QRect(10, top, right - 10, kStatusLineHeight), Qt::AlignLeft | Qt::AlignVCenter, text);
}

void PageCanvas::resizeEvent(QResizeEvent*) {
  LeaveOcrRegion();
  Relayout();
}

void PageCanvas::mousePressEvent(QMouseEvent* event) {
  QPoint p = event->position().toPoint();
  if (event->button() == Qt::LeftButton) {
    int button = ToolbarButtonAt(p.x(), p.y());
    if (button != 0 || (!g_layout.fullScreen && p.y() < kToolbarHeight)) {
      pressedToolbarButton_ = ToolbarButtonEnabled(button) ? button : 0;
      update(QRect(0, 0, width(), kToolbarHeight));
      return;
    }
    if (!g_layout.fullScreen && p.y() >= height() - kStatusLineHeight) return;
    if (touchPanning_) return;
    bool triple = sinceDoubleClick_.isValid() && sinceDoubleClick_.elapsed() <= QApplication::doubleClickInterval() &&
                  (p - doubleClickAt_).manhattanLength() <= QApplication::startDragDistance();
    sinceDoubleClick_.invalidate();
    if (triple) {
      OnLeftTripleClick(p.x(), p.y());
    } else {
      OnLeftPress(p.x(), p.y());
    }
  } else if (event->button() == Qt::MiddleButton) {
    OnMiddlePress(p.x(), p.y());
  }
  RefreshCursor();
}

void PageCanvas::mouseMoveEvent(QMouseEvent* event) {
  QPoint p = event->position().toPoint();
  if (pressedToolbarButton_ == 0) OnMouseMove(p.x(), p.y(), event->buttons() & Qt::LeftButton);
  if (g_pan.active || g_tool.stroke.active) pageControls_->Refresh(navigator_->Selection());
  RefreshCursor();
}

void PageCanvas::mouseReleaseEvent(QMouseEvent* event) {
  QPoint p = event->position().toPoint();
  if (event->button() == Qt::LeftButton) {
    if (pressedToolbarButton_ != 0) {
      int pressed = pressedToolbarButton_;
      pressedToolbarButton_ = 0;
      update(QRect(0, 0, width(), kToolbarHeight));
      if (ToolbarButtonAt(p.x(), p.y()) == pressed && g_sendCommand != nullptr) g_sendCommand(pressed);
      return;
    }
    OnLeftRelease(p.x(), p.y());
  } else if (event->button() == Qt::MiddleButton) {
    OnMiddleRelease();
  } else if (event->button() == Qt::RightButton) {
    OnRightRelease(p.x(), p.y());
  }
  RefreshControls();
}

void PageCanvas::mouseDoubleClickEvent(QMouseEvent* event) {
  QPoint p = event->position().toPoint();
  if (event->button() == Qt::LeftButton) {
    OnLeftDoubleClick(p.x(), p.y());
    sinceDoubleClick_.start();
    doubleClickAt_ = p;
  }
  RefreshControls();
}

void PageCanvas::wheelEvent(QWheelEvent* event) {
  bool shift = event->modifiers() & Qt::ShiftModifier;
  bool ctrl = event->modifiers() & Qt::ControlModifier;
  if (OnWheel(event->angleDelta().y(), shift, ctrl, QApplication::wheelScrollLines())) {
    event->accept();
    RefreshControls();
  } else {
    event->ignore();
  }
}

void PageCanvas::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
    RefreshCursor();  // the application keeps the key's state
  } else if (event->key() == Qt::Key_Escape) {
    OnEscape();
    RefreshControls();
  } else if (event->key() == Qt::Key_Delete) {
    OnDeleteKey();
    RefreshControls();
  } else {
    QWidget::keyPressEvent(event);
  }
}

void PageCanvas::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
    RefreshCursor();
  } else {
    QWidget::keyReleaseEvent(event);
  }
}

// The mouse's right button has its own path (release); the key opens the text menu.
void PageCanvas::contextMenuEvent(QContextMenuEvent* event) {
  if (event->reason() == QContextMenuEvent::Keyboard) {
    ShowTextMenuFromKeyboard();
    RefreshControls();
  }
}

bool PageCanvas::event(QEvent* event) {
  if (event->type() == QEvent::Gesture) return HandleGesture(static_cast<QGestureEvent*>(event));
  return QWidget::event(event);
}

bool PageCanvas::HandleGesture(QGestureEvent* event) {
  if (auto* pinch = static_cast<QPinchGesture*>(event->gesture(Qt::PinchGesture))) {
    if (g_session.document != nullptr) {
      CancelPointerDrag();
      if (pinch->state() == Qt::GestureStarted) pinchStartZoom_ = g_view.zoom;
      SetZoomKeepingPosition(PinchZoom(pinchStartZoom_, 1.0f, float(pinch->totalScaleFactor())));
      RefreshControls();
    }
    event->accept(pinch);
  }
  if (auto* pan = static_cast<QPanGesture*>(event->gesture(Qt::PanGesture))) {
    GestureConfig config = CurrentGestureConfig();
    QPoint at = mapFromGlobal(QCursor::pos());
    if (pan->state() == Qt::GestureStarted && g_session.document != nullptr &&
        (config.oneFingerPan || (config.twoFingerPan && InsidePage(at.x(), at.y())))) {
      CancelPointerDrag();
      BeginPan(0, 0, false);
      touchPanning_ = true;
    }
    if (touchPanning_) {
      QPointF offset = pan->offset();
      PanTo(int(offset.x()), int(offset.y()));
    }
    if (pan->state() == Qt::GestureFinished || pan->state() == Qt::GestureCanceled) {
      if (touchPanning_) EndPan();
      touchPanning_ = false;
    }
    event->accept(pan);
  }
  return true;
}
