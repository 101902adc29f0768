#include "view/keyboard_placement.h"

#include <algorithm>

ScreenPoint KeyboardPlacement(const IntRect& target, int keyboardWidth, int keyboardHeight, const IntRect& work) {
  ScreenPoint at;
  at.x = std::max(work.left, std::min(target.left, work.right - keyboardWidth));
  int below = target.bottom + 8;
  int above = target.top - keyboardHeight - 8;
  if (below + keyboardHeight <= work.bottom) {
    at.y = below;
  } else if (above >= work.top) {
    at.y = above;
  } else {
    int spaceBelow = work.bottom - target.bottom;
    int spaceAbove = target.top - work.top;
    at.y = (spaceBelow < spaceAbove || keyboardHeight > work.Height()) ? work.top : work.bottom - keyboardHeight;
  }
  return at;
}
