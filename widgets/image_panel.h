// The image property panel: a 240-pixel band at the right of the view in the edit tool
// while no drawn object is selected, with the selected image's pixel size, place, size and
// a rotation field.
#pragma once

#include <QWidget>

class QLineEdit;
class QPushButton;

class ImagePanel : public QWidget {
 public:
  explicit ImagePanel(QWidget* canvas);
  // Places the band for the current layout and brings the field up to date.
  void Refresh();
  QLineEdit* angleEdit() const { return angleEdit_; }
  QPushButton* applyButton() const { return apply_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Apply();

  QLineEdit* angleEdit_;
  QPushButton* apply_;
  void* unreadableImage_ = nullptr;  // its unreadable angle was reported once
};

// Shows or hides the panel (and narrows the view) for the mode and the selection.
void RefreshImagePanel();
ImagePanel* CurrentImagePanel();
