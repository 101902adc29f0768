// The page-number controls at the right of the status line: |◀ ◀ [page] / n 跳转 ▶ ▶|.
#pragma once

class QWidget;
class QToolButton;
class QLineEdit;
class QLabel;

class PageNumberControls {
 public:
  explicit PageNumberControls(QWidget* canvas);
  void Relayout();
  void Refresh(int listSelection);
  QLineEdit* pageEdit() const { return pageEdit_; }
  QLabel* pageLabel() const { return label_; }
  QToolButton* button(int id) const;

 private:
  QWidget* canvas_;
  QToolButton* first_;
  QToolButton* previous_;
  QLineEdit* pageEdit_;
  QLabel* count_;
  QLabel* label_;  // the page's label, left of the buttons
  QToolButton* jump_;
  QToolButton* next_;
  QToolButton* last_;
};
