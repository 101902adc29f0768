// The force-erase trail: where the brush went while the left button was held, in client
// pixels. Points are clamped into the page rectangle (right and bottom edges excluded) and a
// point equal to the last one is not added. The trail lives in the tool's stroke record.
#pragma once

constexpr int kForceEraseBrushPixels = 12;

void BeginForceEraseTrail(int x, int y);
void ExtendForceEraseTrail(int x, int y);
// Adds the release point, hands the trail to the erase and clears it.
void FinishForceEraseTrail(int x, int y);
