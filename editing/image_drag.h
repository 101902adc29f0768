// Moving, turning and resizing the selected image with the mouse. Every step recomputes
// the matrix from the one the drag started with, so a drag never accumulates rounding, and
// a failed step puts the start matrix back.
#pragma once

#include <optional>

#include "editing/image_objects.h"
#include "editing/pointer_input.h"

struct ImageDrag {
  bool active = false;
  ImageHandle kind = ImageHandle::None;
  ScreenPoint start;       // client pixels at the press
  FS_MATRIX startMatrix{};
  bool changed = false;    // a new matrix was applied
};

extern ImageDrag g_imageDrag;

// The pure steps. `start` and `mouse` are client pixels; `frame` and `pageRect` the view's.
// Move: the pointer's displacement taken into page space through the page's mapping.
std::optional<FS_MATRIX> MovedMatrix(const FS_MATRIX& m0, std::optional<PagePoint> startOnPage,
                                     std::optional<PagePoint> mouseOnPage);
// Rotate about the unit centre by the angle the pointer swept around it on screen.
FS_MATRIX RotatedMatrix(const PageFrame& frame, const FS_MATRIX& m0, ScreenPoint start, ScreenPoint mouse);
// One edge follows the pointer along its axis; the opposite edge stays. Never mirrors: the
// side stops at 2 screen pixels.
std::optional<FS_MATRIX> EdgeResizedMatrix(const PageFrame& frame, const FS_MATRIX& m0, ImageHandle edge,
                                           PagePoint mouseOnPage);
// The linear part turned by `degrees` (counter-clockwise on the page), the unit centre placed
// on the centre of `bounds`.
FS_MATRIX TurnedAboutBounds(const FS_MATRIX& m, double degrees, const PageBox& bounds);
// Any angle in degrees into −180 ≤ β < 180.
double NormalisedDegrees(double degrees);

// The interaction in the edit tool. A press on a handle of the selected image starts a drag
// (true: the press is used, also when it failed with a message).
bool PressOnImageHandle(ScreenPoint point);
// After drawn objects had their chance: a press on the selected image starts a move, on
// another image selects it. True when an image was hit.
bool PressOnImage(ScreenPoint point);
bool ImageDragRunning();
// The cursor over a handle of the selected image, or of the drag running; nothing elsewhere.
// An edge handle's arrows follow the axis it drags along as the screen shows it, so a quarter
// turn of the page or of the picture turns them too.
std::optional<CursorShape> ImageHandleCursor(ScreenPoint point);
void ImageDragStep(ScreenPoint mouse);
void FinishImageDrag();
void CancelImageDrag();
