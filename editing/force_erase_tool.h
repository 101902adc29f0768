// The force-erase tool: one released brush stroke runs the erase on the current page, updates
// the document and reports. One stroke is one undo step (the press-to-release wrapper).
#pragma once

#include <vector>

#include "view/page_view.h"

void RunForceErase(const std::vector<ScreenPoint>& trail);
// The picture a stroke wrote is kept for the next stroke on it; the document closing drops it.
void ForgetKeptPicture();
size_t KeptPictureBytes();
