// Page images as the edit tool sees them: the matrix that maps the unit square onto the
// page, where that square and its handles lie on screen, hit tests, and the image selection.
// Unit point (s, t) lies at page point (a·s + c·t + e, b·s + d·t + f).
#pragma once

#include <array>
#include <optional>
#include <string>

#include "engine/page_box.h"
#include "engine/pdfium_types.h"
#include "view/page_view.h"

// 0 move, 1 rotate, then the four edges; the numbers are the drag kinds.
enum class ImageHandle { None = -1, Move = 0, Rotate = 1, Left = 2, Right = 3, Top = 4, Bottom = 5 };

struct ScreenPointF {
  double x = 0, y = 0;
};

// Nothing without the entry point or when the engine refuses or reports a non-finite value.
std::optional<FS_MATRIX> ReadImageMatrix(FPDF_PAGEOBJECT image);
bool WriteImageMatrix(FPDF_PAGEOBJECT image, const FS_MATRIX& m);
// Bounds with left < right and bottom < top, else nothing.
std::optional<PageBox> ReadAreaBounds(FPDF_PAGEOBJECT object);
PagePoint UnitToPage(const FS_MATRIX& m, double s, double t);
ScreenPointF UnitToScreen(const PageFrame& frame, const FS_MATRIX& m, double s, double t);

// Screen points of the handles of an image with matrix m; no rotate handle when the unit
// centre and the top middle fall on the same pixel.
struct ImageHandlePoints {
  std::array<ScreenPointF, 4> corners;  // unit (0,0), (1,0), (1,1), (0,1)
  ScreenPointF left, right, top, bottom;
  std::optional<ScreenPointF> rotate;
};
ImageHandlePoints HandlePointsOf(const PageFrame& frame, const FS_MATRIX& m);

// The selected image's handle within 9 pixels of the point (rotate, left, right, top,
// bottom in that order); None without one.
ImageHandle HitSelectedImageHandle(ScreenPoint point);
// The topmost image whose bounds, mapped to the screen, hold the point.
FPDF_PAGEOBJECT HitImage(ScreenPoint point);
// In the edit mode a picture under the point takes the press or the menu from `path` (the
// drawn object hit there) when the editor did not draw that path and the point is not on its
// outline: a page's own full-page frame would otherwise take every click meant for a picture.
bool ImageTakesPointFrom(FPDF_PAGEOBJECT path, ScreenPoint point);

// Makes the image the selection (the drawn-object and text selections go), with a status.
void SelectImage(FPDF_PAGEOBJECT image, const std::u16string& status);
// The first image of the page with bounds of some area; says what it found.
void SelectFirstImage();
// True when the selected image is still one of the current page's objects.
bool SelectedImageOnPage();
