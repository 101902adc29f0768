// A drawing file reaching up into the view: the layer check must refuse it.
#include "drawing/marks.h"
#include "geometry/points.h"
#include "view/page_view.h"
