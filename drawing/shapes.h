// Turning finished gestures into path objects on the current page: geometry outlines,
// points, free-hand curves, segments and arrows, and the shared finishing step.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "drawing/marks.h"
#include "drawing/shape_kinds.h"
#include "engine/engine_handles.h"
#include "geometry/stroke_smoothing.h"

struct Outline {
  std::vector<ScreenPoint> points;
  bool closed = false;
};

// Nothing when the drag is too small (or the kind unknown).
std::optional<Outline> BuildOutline(GeometryKind kind, ScreenPoint a, ScreenPoint b);

enum ShapeAddResult { kShapeFailed = 0, kShapeTooSmall = 1, kShapeAdded = 2, kShapeAddedNoContent = 3 };

struct ShapeAdd {
  ShapeAddResult result = kShapeFailed;
  FPDF_PAGEOBJECT object = nullptr;
};

struct PenStyle {
  uint32_t colour = 230u | 35u << 8 | 35u << 16;  // red in the lowest byte
  float width = 6.0f;
};

ShapeAdd AddGeometryShape(const PdfOps& ops, FPDF_PAGE page, const ScreenMapping& screen, GeometryKind kind, ScreenPoint a,
                          ScreenPoint b, const PenStyle& pen);
// The outline of a drag already built, one path object.
ShapeAdd AddOutlineShape(const PdfOps& ops, FPDF_PAGE page, const ScreenMapping& screen, const Outline& outline,
                         const PenStyle& pen);
// The same without regenerating the page content (kShapeAddedNoContent on success): for a
// caller that edits the page further and commits once.
ShapeAdd InsertGeometryShape(const PdfOps& ops, FPDF_PAGE page, const ScreenMapping& screen, GeometryKind kind,
                             ScreenPoint a, ScreenPoint b, const PenStyle& pen);
ShapeAdd InsertOutlineShape(const PdfOps& ops, FPDF_PAGE page, const ScreenMapping& screen, const Outline& outline,
                            const PenStyle& pen);

struct PointAdd {
  bool added = false;
  bool committed = false;
  FPDF_PAGEOBJECT object = nullptr;
};

// A filled 48-sided circle of diameter 2 × size (clamped to 1 … 100) around `centre`.
// `markName` empty makes a new point mark.
PointAdd AddPoint(const PdfOps& ops, FPDF_PAGE page, PagePoint centre, float size, uint32_t colour,
                  const std::string& markName = {});

// Each returns the new path, or nothing when nothing was added.
// Gesture points are client pixels on the current page, shown as `screen` says.
FPDF_PAGEOBJECT AddFreehandCurve(const ScreenMapping& screen, const std::vector<ScreenPoint>& raw, const PenStyle& pen);
FPDF_PAGEOBJECT AddSegment(const ScreenMapping& screen, ScreenPoint start, ScreenPoint end, bool arrow, const PenStyle& pen,
                           float lengthTargetCm);
// A path through page points (an arrow head at the end of the first two when asked).
FPDF_PAGEOBJECT AddPagePath(const std::vector<PagePoint>& points, bool arrow, const PenStyle& pen,
                            const std::u16string& statusText, bool* committed = nullptr);

// Appends the arrow head end → wing → end → wing for a head on (start, end).
bool AppendArrowHead(const PdfOps& ops, FPDF_PAGEOBJECT path, PagePoint start, PagePoint end, float penWidth);

// Styles, inserts and commits a built path, marking the document modified; `committed` tells
// whether the page content could be regenerated. False when it failed: a path that failed
// before insertion is destroyed; one the page refused belongs to the page and is forgotten.
bool FinishPathObject(ScopedPageObject path, const PenStyle& pen, const std::u16string& statusText, bool& committed);

constexpr float kPointsPerCm = 72.0f / 2.54f;
