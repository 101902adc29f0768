// What the user does to page images besides dragging: insert a picture from a file, replace
// the picture of an image object, delete the selected image, and type its rotation angle.
#pragma once

#include <optional>
#include <string>

#include "engine/pdfium_types.h"
#include "view/page_view.h"

// The file the "插入图像..." command chose, waiting for the click that places it.
extern std::u16string g_pendingImagePath;

// The command: asks for a file, then waits in image placement mode.
void ChooseImageToInsert();
// The placement click: inserts the pending picture and leaves placement mode (the edit tool
// with the new image selected, or the select tool with "未添加图像").
void PlacePendingImage(ScreenPoint point);
// Places a picture: 120 × 90 pt centred on the click, or, while an image is selected, 24 pt
// right of and below it with its size and turn. Without a path the open dialog asks first.
bool InsertImageAtPoint(ScreenPoint point, std::optional<std::u16string> path = std::nullopt);

// Replaces the picture of an image object of the current page with a file's; the object
// keeps its matrix and its place in the page. Without a path the open dialog asks first.
// Shared by the image menu and the object list.
bool ReplaceImageObject(FPDF_PAGEOBJECT image, std::optional<std::u16string> path = std::nullopt);
bool ReplaceSelectedImage();
// Removes the selected image from the page and destroys it.
bool DeleteSelectedImage();
// The property panel's "应用": turns the selected image to the typed angle (degrees) about
// the centre of its bounds. False when the text was refused (the field keeps the focus).
bool ApplyImageRotationText(const std::u16string& text);
// atan2(b, a) of the selected image in degrees, "%.2f"; nothing when unreadable.
std::optional<std::u16string> SelectedImageAngleText();
