// The main window's client area: toolbar band, page view, status line, and the child
// controls placed in it (scroll bar, navigator, page-number controls, floating buttons).
#pragma once

#include <QElapsedTimer>
#include <QPixmap>
#include <QWidget>
#include <vector>

class QScrollBar;
class NavigatorPanel;
class PageNumberControls;
class FloatingButtons;
class PagePreparer;

class PageCanvas : public QWidget {
 public:
  explicit PageCanvas(QWidget* parent = nullptr);
  ~PageCanvas() override;

  // Positions every child from the layout state; re-renders when the view area changed.
  void Relayout();
  // Brings the controls up to date with the document and the tool state.
  void RefreshControls();
  void RefreshCursor();
  // The scroll bar widget from the view's scroll state.
  void SyncScrollBar();

  QScrollBar* scrollBar() const { return scrollBar_; }
  NavigatorPanel* navigator() const { return navigator_; }
  PageNumberControls* pageControls() const { return pageControls_; }
  FloatingButtons* floatingButtons() const { return floatingButtons_; }
  // The toolbar button under the mouse press, 0 when none.
  int pressedToolbarButton() const { return pressedToolbarButton_; }

  // Paints everything into a painter whose origin is the canvas' top-left.
  void PaintContent(class QPainter& painter, const QRect& area);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void PaintToolbar(QPainter& painter);
  void DrawToolbarBand(QPainter& painter);
  void PaintPage(QPainter& painter);
  void PaintPreviews(QPainter& painter);
  void PaintStatusLine(QPainter& painter);
  bool HandleGesture(class QGestureEvent* event);

  QScrollBar* scrollBar_ = nullptr;
  NavigatorPanel* navigator_ = nullptr;
  PageNumberControls* pageControls_ = nullptr;
  FloatingButtons* floatingButtons_ = nullptr;
  PagePreparer* preparer_ = nullptr;
  int pressedToolbarButton_ = 0;
  std::vector<int> toolbarLook_;  // what toolbarPixmap_ shows
  QPixmap toolbarPixmap_;
  float pinchStartZoom_ = 1.0f;
  bool pinching_ = false;
  bool touchPanning_ = false;
  QElapsedTimer sinceDoubleClick_;  // a press soon after a double click is a triple click
  QPoint doubleClickAt_;
};
