// Reading and reshaping drawn shapes: triangle and rectangle sides, the rectangle corner
// drag, line lengths, points and locking a point onto a segment. Triangles and rectangles
// are replaced, never edited in place: the new path and labels go in first, the old ones
// come out last, and a failure puts everything back.
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "drawing/labels.h"

std::optional<std::array<PagePoint, 3>> TriangleVertices(FPDF_PAGEOBJECT object, const PdfOps& ops);
// The corners top-left first, clockwise on screen (whatever order the path was written in).
std::optional<std::array<PagePoint, 4>> RectangleVertices(FPDF_PAGEOBJECT object, const PdfOps& ops, const PageFrame& frame);
// Side i runs from vertex i to vertex i + 1; lengths in cm.
std::optional<std::array<double, 3>> TriangleSides(FPDF_PAGEOBJECT object, const PdfOps& ops);
std::optional<std::array<double, 4>> RectangleSides(FPDF_PAGEOBJECT object, const PdfOps& ops, const PageFrame& frame);

// The stroke width as drawn on the page: the path's own width under its matrix's scale (a
// length edit scales a path in place).
std::optional<float> ReadPageStrokeWidth(FPDF_PAGEOBJECT object, const PdfOps& ops);
// Gives the stroke this width on the page, whatever the path's matrix.
bool SetPageStrokeWidth(FPDF_PAGEOBJECT object, const PdfOps& ops, float width);

struct EditResult {
  bool ok = false;
  bool oldLabelsRemoved = false;
  bool rollbackCommitted = false;
  FPDF_PAGEOBJECT newObject = nullptr;
};

// The caller regenerates the page content after a success.
EditResult SetTriangleSide(const PdfOps& ops, const LabelContext& ctx, FPDF_PAGEOBJECT triangle, int side, double cm);
EditResult SetRectangleSide(const PdfOps& ops, const LabelContext& ctx, FPDF_PAGEOBJECT rectangle, int side, double cm);
std::optional<std::array<ScreenPoint, 4>> CornerDragBox(const std::array<ScreenPoint, 4>& corners, int index,
                                                         ScreenPoint pointer, const IntRect& pageRect);
EditResult RebuildRectangle(const PdfOps& ops, const LabelContext& ctx, FPDF_PAGEOBJECT rectangle,
                            const std::array<ScreenPoint, 4>& corners);

struct PolylineLength {
  double total = 0;  // points
  PagePoint first;
};
// The length of a path of line segments; an arrow's is its shaft's.
std::optional<PolylineLength> MeasurePolyline(FPDF_PAGEOBJECT object, const PdfOps& ops);
// Scales a line shape about its first point to the total length: its geometry changes, its
// stroke width on the page and an arrow's head do not; labels follow the ends. The scaled
// object (an arrow is replaced by a new one in its place), or nothing when refused. The
// caller regenerates the page content.
FPDF_PAGEOBJECT SetTotalLength(const PdfOps& ops, FPDF_PAGE page, FPDF_PAGEOBJECT object, double cm);

struct PointGeometry {
  PagePoint centre;
  float radius = 0;
};
std::optional<PointGeometry> ReadPointGeometry(FPDF_PAGEOBJECT object, const PdfOps& ops);
struct PointProperties {
  float size = 0;
  uint32_t colour = 0;  // red in the lowest byte
};
std::optional<PointProperties> ReadPointProperties(FPDF_PAGEOBJECT object, const PdfOps& ops);

struct PointResize {
  bool ok = false;
  bool committed = false;
  FPDF_PAGEOBJECT object = nullptr;
};
PointResize ResizePoint(const PdfOps& ops, FPDF_PAGE page, FPDF_PAGEOBJECT point, float size, uint32_t colour);

struct PointLock {
  FPDF_PAGEOBJECT point = nullptr;
  FPDF_PAGEOBJECT segment = nullptr;
  PagePoint a, b;
};
// The lock the select tool holds after a double-click on a point; resizing the point moves
// it to the new point.
extern std::optional<PointLock> g_pointLock;
// The nearest straight segment within 14 pixels of the point's centre.
std::optional<PointLock> LockPointToSegment(const PdfOps& ops, FPDF_PAGE page, const ScreenMapping& screen,
                                            FPDF_PAGEOBJECT point);
// The translation that keeps the point on its segment while the pointer moves.
std::optional<PagePoint> ConstrainedOffset(const PointLock& lock, PagePoint startPointer, PagePoint startCentre,
                                           PagePoint pointer, PagePoint currentCentre);

constexpr double kCmPerPoint = 2.54 / 72.0;
