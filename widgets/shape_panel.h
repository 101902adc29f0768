// The shape property panel: a 240-pixel band at the right of the view with the selected
// object's colour, width or size, length and side lengths.
#pragma once

#include <QWidget>

class QLineEdit;
class QPushButton;

class ShapePanel : public QWidget {
 public:
  explicit ShapePanel(QWidget* canvas);

  // Places the band and its controls for the current layout and rewrites the edits.
  void Refresh();
  void BeginSideEdit(int row);
  void CancelSideEdit();

  QPushButton* colourButton() const { return colourButton_; }
  QLineEdit* widthEdit() const { return widthEdit_; }
  QPushButton* applyWidthButton() const { return applyWidth_; }
  QLineEdit* lengthEdit() const { return lengthEdit_; }
  QPushButton* applyLengthButton() const { return applyLength_; }
  QPushButton* closeButton() const { return close_; }
  QLineEdit* sideEdit() const { return sideEdit_; }
  int editedRow() const { return editedRow_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  // The panel takes every click on itself: none reaches the page under it.
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ApplySide();
  int RowTop(int row) const;

  QPushButton* colourButton_;
  QLineEdit* widthEdit_;
  QPushButton* applyWidth_;
  QLineEdit* lengthEdit_;
  QPushButton* applyLength_;
  QPushButton* close_;
  QLineEdit* sideEdit_;
  int editedRow_ = -1;
  bool applying_ = false;  // a warning shown while applying takes the focus for a while
};

// Brings the panel (and the view's width) up to date with the selection and the mode.
void RefreshShapePanel();
ShapePanel* CurrentShapePanel();
