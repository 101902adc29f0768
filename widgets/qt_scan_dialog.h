// The small acquisition dialog shown before each scanned page: device, resolution, colour.
#pragma once

#include "platform/platform_seam.h"

class QWidget;

bool ShowScanAcquisitionDialog(QWidget* owner, ScanDialogRequest& request);
