// What a drawn object is and where it lies on screen: the kind the selection tools tell
// apart, its screen rectangle, its outline as screen segments and its control points.
#pragma once

#include <optional>
#include <vector>

#include "drawing/marks.h"

enum class DrawnKind { NotPath, CoordinateSystem, Point, Line, Triangle, Rectangle, Ellipse, Other };

// Coordinate system first, then point, then the shapes; any other path is `Other`.
DrawnKind ClassifyDrawnObject(FPDF_PAGEOBJECT object, const PdfOps& ops);
bool IsGeometryShape(DrawnKind kind);
// A path drawn as an outline only: no fill, stroked. False when the engine cannot say.
bool IsStrokeOnlyPath(FPDF_PAGEOBJECT object, const PdfOps& ops);
// Whether the object may be one the editor drew: it carries a drawn-object mark, or it is an
// unmarked outline of the kinds the editor never marks (curves, polylines, ellipses). The page's
// own frames, fills, table rules and cells are not.
bool MayBeOwnDrawing(FPDF_PAGEOBJECT object, const PdfOps& ops, DrawnKind kind);
// The mark of the rectangle put under an image as its background colour.
constexpr const char* kImageBackgroundMark = "CorvanPdfImageBackground";
// Paths under an image that only paint its background are never drawn objects.
bool IsImageBackground(FPDF_PAGEOBJECT object, const PdfOps& ops);

// The engine's bounds with the four corners mapped to the screen; left and top floored,
// right and bottom ceiled.
std::optional<IntRect> ScreenRectOf(FPDF_PAGEOBJECT object, const PdfOps& ops);
std::optional<IntRect> ScreenRectOf(FPDF_PAGEOBJECT object, const PdfOps& ops, const PageFrame& frame);
// The same for page bounds already read.
std::optional<IntRect> ScreenRectOfBounds(float left, float bottom, float right, float top, const PageFrame& frame);

struct ScreenSegment {
  float ax, ay, bx, by;
};
struct ScreenOutline {
  std::vector<ScreenSegment> segments;  // straight pieces, closing pieces included
  std::vector<ScreenSegment> points;    // every path point as a zero-length piece
  bool complete = false;                // false: a curve, an invalid value or an unreadable matrix stopped the walk
};
ScreenOutline ScreenOutlineOf(FPDF_PAGEOBJECT object, const PdfOps& ops);
ScreenOutline ScreenOutlineOf(FPDF_PAGEOBJECT object, const PdfOps& ops, const PageFrame& frame);

double DistanceToSegment(float x, float y, const ScreenSegment& s);

struct ControlPoint {
  int id = 0;
  ScreenPoint at;
};
// Line: start 1, end 2; triangle 1–3 in path order; rectangle 1–4 top-left first, clockwise on
// screen; ellipse 5–8 on the left, right, top and bottom of its outline's screen box;
// coordinate system: origin 1, unit 2.
std::vector<ControlPoint> ControlPointsOf(FPDF_PAGEOBJECT object, const PdfOps& ops, DrawnKind kind);

// The closed outline of a triangle, rectangle or ellipse as client pixels (closing point
// left out), in path order; a rectangle top-left first, clockwise on screen.
std::optional<std::vector<ScreenPoint>> ShapeScreenPoints(FPDF_PAGEOBJECT object, const PdfOps& ops);
