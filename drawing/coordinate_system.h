// Coordinate systems: a centimetre grid with axes, arrow heads and seven-segment numbers,
// built as one filled path tagged "CorvanCoordinateSystem_<half-width>".
#pragma once

#include <optional>

#include "drawing/marks.h"

enum CoordinateBuildResult {
  kGridAdded = 0,
  kGridPageTooSmall = 1,
  kGridFailed = 2,
  kGridPageChanged = 3,
  kGridAddedNoContent = 4,
};

struct CoordinateBuild {
  CoordinateBuildResult result = kGridFailed;
  FPDF_PAGEOBJECT object = nullptr;
};

struct GridMetrics {
  double unit = 0;  // points per grid unit
  int nx = 0, ny = 0;
};

// Unit and half-extents for a displayed page of W × H points.
GridMetrics ComputeGridMetrics(double width, double height);
// The grid covers the displayed box of `frame` (its size as displayed, its origin and turns).
CoordinateBuild BuildCoordinateSystem(FPDF_PAGE page, const PdfOps& ops, const PageFrame& frame);

struct ControlPoints {
  PagePoint origin, unit;
};
std::optional<ControlPoints> ReadControlPoints(FPDF_PAGEOBJECT object, const PdfOps& ops);

enum UnitLengthResult { kUnitChanged = 0, kUnitAtLimit = 1, kUnitFailed = 2, kUnitUnverified = 3 };
UnitLengthResult SetUnitLength(FPDF_PAGEOBJECT object, const PdfOps& ops, double length);

// 0 none, 1 origin, 2 unit point: a pointer within 8 pixels of a handle.
int HitCoordinateHandle(FPDF_PAGEOBJECT object, const PdfOps& ops, const ScreenMapping& screen, int x, int y);
// One drag step of a handle to the pointer (clamped into the page's screen rectangle);
// false when the drag has to stop. `changed` reports whether the page changed.
bool DragCoordinateHandle(FPDF_PAGEOBJECT object, const PdfOps& ops, const ScreenMapping& screen, int handle,
                          ScreenPoint& last, ScreenPoint pointer, bool& changed);

constexpr double kMaxUnitLength = 5000;
constexpr double kMinUnitLength = 2;
