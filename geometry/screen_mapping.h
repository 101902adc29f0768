// Where the page is shown on screen: the pure mapping between client pixels and page points.
// The view builds one from its state; page work receives it instead of reading the view.
#pragma once

#include <optional>

#include "geometry/page_frame.h"

struct ScreenMapping {
  PageFrame frame;   // all zero without a page
  IntRect pageRect;  // the displayed box on screen, client pixels
};

// A client point → page point; nothing when no page is shown (no inside-the-page test, for
// points that came from the page and may round to just outside it).
std::optional<PagePoint> MapToPage(const ScreenMapping& screen, float x, float y);
// A page point → client pixels as floats; callers round where they need integers.
inline void MapToScreen(const ScreenMapping& screen, float px, float py, float& x, float& y) {
  PagePoint d = PageToDisplayed(screen.frame, px, py);
  const IntRect& r = screen.pageRect;
  x = float(r.left) + float(r.Width()) * d.x / screen.frame.DisplayedWidth();
  y = float(r.bottom) - float(r.Height()) * d.y / screen.frame.DisplayedHeight();
}
