// The current page as page work receives it: the records drawing and text take instead of
// reading the window's state. Built here, where the view knows how the page is shown.
#pragma once

#include "content/add_text.h"
#include "drawing/labels.h"

// The current page with the default font (which must have been ensured) and its mapping on screen.
LabelContext CurrentLabelContext();
TextToolContext CurrentTextToolContext();
