#include "geometry/screen_mapping.h"

std::optional<PagePoint> MapToPage(const ScreenMapping& screen, float x, float y) {
  const IntRect& r = screen.pageRect;
  float width = screen.frame.DisplayedWidth(), height = screen.frame.DisplayedHeight();
  if (r.Empty() || !(width > 0) || !(height > 0)) return std::nullopt;
  float dx = (x - float(r.left)) * width / float(r.Width());
  float dy = (float(r.bottom) - y) * height / float(r.Height());
  return DisplayedToPage(screen.frame, dx, dy);
}
