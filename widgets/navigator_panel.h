// The page navigator: a 160-pixel panel with "上移"/"下移" and one thumbnail item per page;
// dragging an item reorders the pages.
#pragma once

#include <QListWidget>
#include <QPoint>

class QPushButton;
class OutlinePanel;

class NavigatorList : public QListWidget {
 public:
  explicit NavigatorList(QWidget* parent);
  bool dragging() const { return dragging_; }
  // Ends a drag without moving (capture loss, cancel).
  void CancelDrag();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  int source_ = -1;
  bool dragging_ = false;
  QPoint pressPoint_;
};

class NavigatorPanel {
 public:
  explicit NavigatorPanel(QWidget* canvas);
  ~NavigatorPanel();
  void Relayout();
  // Refills the list when the document or its page count changed; selection follows the page.
  void Refresh();
  int Selection() const;
  NavigatorList* list() const { return list_; }
  QPushButton* upButton() const { return up_; }
  QPushButton* downButton() const { return down_; }
  OutlinePanel* outline() const { return outline_; }
  void RepaintCurrentItem();

 private:
  NavigatorList* list_;
  QPushButton* up_;
  QPushButton* down_;
  OutlinePanel* outline_;
};

// Shows the page menu for a list entry at a global position; the chosen item is routed.
void ShowPageMenu(QWidget* parent, int entry, const QPoint& globalPosition);
