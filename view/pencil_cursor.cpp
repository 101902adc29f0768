#include "view/pencil_cursor.h"

#include <algorithm>
#include <cmath>

uint32_t PencilCursorPixel(int x, int y) {
  // The pencil lies on the diagonal from the hot spot towards the top right.
  float u = float(x) + 0.5f - kPencilHotSpotX;
  float v = float(y) + 0.5f - kPencilHotSpotY;
  float along = (u - v) * 0.70710677f;
  float across = std::fabs(u + v) * 0.70710677f;
  float halfWidth = along < 4 ? std::max(0.4f, 0.65f * along) : 2.6f;
  if (along < -1 || along > 32 || across > halfWidth) return 0;
  if (across >= halfWidth - 0.7f || along < 1 || along > 30) return 0xFF252525;
  if (along < 3.5f) return 0xFF8A6545;
  if (along > 27) return 0xFFE97991;
  if (across < 0.55f) return 0xFFFFE6A6;
  return 0xFFFFB83F;
}
