#include "content/text_box_layout.h"

#include <algorithm>
#include <cmath>

int PreviewPixelHeight(const IntRect& pageRect, float pageWidth, float pageHeight, float size) {
  float scale = 1;
  if (pageWidth > 0 && pageHeight > 0) {
    scale = std::min(float(pageRect.Width()) / pageWidth, float(pageRect.Height()) / pageHeight);
  }
  return std::max(1, int(std::lround(scale * size)));
}

std::optional<TextBoxLayout> LayoutTextBox(const IntRect& page, ScreenPoint click, float pageWidth, float pageHeight,
                                           float size) {
  TextBoxLayout layout;
  layout.previewHeight = PreviewPixelHeight(page, pageWidth, pageHeight, size);
  int w = std::clamp(page.Width() / 2, 180, 360);
  int h = std::max(3 * layout.previewHeight, 48);
  int y = std::max(std::min(click.y, page.bottom - h - 2), page.top + 2);
  int x = std::max(std::min(click.x, page.right - w - 2), page.left + 2);
  w = std::min(w, page.right - x - 2);
  if (w <= 39) return std::nullopt;
  h = std::min(h, page.bottom - y - 2);
  if (h <= 23) return std::nullopt;
  layout.box = {x, y, x + w, y + h};
  layout.row.x = std::max(std::min(x, page.right - kRowWidth), page.left + 2);
  if (y - 26 >= page.top + 2) {
    layout.row.y = y - 26;
  } else if (std::min(y + h + 2, page.bottom - 26) >= page.top + 2) {
    layout.row.y = std::min(y + h + 2, page.bottom - 26);
  } else {
    layout.row.y = page.top + 2;
  }
  return layout;
}

int TextBoxHeight(const IntRect& page, int boxTop, int previewHeight) {
  return std::min(std::max(3 * previewHeight, 48), std::max(page.bottom - boxTop - 2, 24));
}
