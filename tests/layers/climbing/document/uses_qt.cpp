// A document file using the toolkit: the layer check must refuse it.
#include <QString>

#include "engine/engine_table.h"
