// Cutting, copying and pasting page images through the system clipboard, and moving the
// selected image one step up or down in the page's drawing order. The picture travels with a
// private record of its size on the page, so that pasting it back keeps its physical size;
// a picture from another program is pasted at 0.75 point per pixel.
#pragma once

#include "view/page_view.h"

// Whether each command can run now (the menus enable their items with these).
bool CanCopyImage();
bool CanCutImage();
bool CanPasteImage();
bool CanMoveImageLayer(int step);

bool CopySelectedImage();
bool CutSelectedImage();
// Pastes centred on the command point (the mouse, or the page's centre when the mouse is
// outside the page); the new image becomes the selection.
bool PasteImage(ScreenPoint mouse);
// step +1: one object up; −1: one down. Failing after the image left the page, it is put
// back where it was, or on top, or (last resort) dropped; each outcome is reported.
bool MoveSelectedImageLayer(int step);

// The command point of the image commands: the mouse when it lies in the page rectangle,
// otherwise the rectangle's centre.
ScreenPoint ImageCommandPoint(ScreenPoint mouse);
