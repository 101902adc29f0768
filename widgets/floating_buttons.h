// Five round buttons at the right edge of the page area: fit page, drawing menu, zoom in,
// zoom out and full screen. They stay available in full screen.
#pragma once

#include <array>

#include "view/page_view.h"

class QWidget;
class QAbstractButton;

// Where floating button i (0–4) goes; empty when the buttons are hidden.
IntRect FloatingButtonRect(int index);

class FloatingButtons {
 public:
  explicit FloatingButtons(QWidget* canvas);
  void Relayout();
  void Refresh();
  QAbstractButton* button(int index) const { return buttons_[size_t(index)]; }

 private:
  std::array<QAbstractButton*, 5> buttons_{};
};
