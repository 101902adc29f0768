// The image context menu: a right click in the edit tool where no drawn object is. The image
// under the point becomes the selection; the menu gathers cut, copy, paste, delete, replace,
// add, background colour and the two layer moves, each enabled only when it can run.
#pragma once

#include "view/page_view.h"

void ShowImageMenu(ScreenPoint point);
