// Vertex labels (a1, b1 …) of segments, triangles and rectangles: real text objects that
// carry their shape's mark name.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "drawing/marks.h"
#include "drawing/shapes.h"

struct LabelContext {
  FPDF_DOCUMENT document = nullptr;
  FPDF_PAGE page = nullptr;
  FPDF_FONT font = nullptr;
  // Where the page is shown: labels are clamped to its displayed box, turned upright with it
  // and placed beside vertices given in client pixels.
  ScreenMapping screen;
};

// Where a label's text starts, in displayed coordinates: offsets from its vertex are taken
// on screen, so the label stands beside its vertex and reads upright on any rotation.
struct LabelPlacement {
  std::u16string text;
  float x = 0;
  float baseline = 0;
};

std::optional<std::vector<LabelPlacement>> ComputeLabelPlacements(const std::vector<ScreenPoint>& vertices,
                                                                   const ScreenMapping& screen, uint32_t labelNumber);
// The text object's matrix for a placement: upright on screen at its displayed position.
FS_MATRIX LabelMatrix(const PageFrame& frame, const LabelPlacement& placement);

struct LabelSetResult {
  bool ok = false;
  bool committed = false;
  // The new labels; after a failure, those that could not be taken off the page again.
  std::vector<FPDF_PAGEOBJECT> labels;
};

LabelSetResult CreateLabelSet(const PdfOps& ops, const LabelContext& ctx, const std::string& markName,
                              const std::vector<ScreenPoint>& vertices);
// Numbers the new triangle after the page's others (renumbering their labels first).
LabelSetResult LabelNewTriangle(const PdfOps& ops, const LabelContext& ctx, FPDF_PAGEOBJECT triangle,
                                const std::vector<ScreenPoint>& vertices);

struct LabelledTriangleAdd {
  ShapeAdd shape;          // kShapeAdded once the page content holds the triangle (and its labels)
  LabelSetResult labels;   // not ok: the triangle stays on the page unlabelled
};
// Draws the triangle of the drag from a to b and labels it, regenerating the page content
// once for both.
LabelledTriangleAdd AddLabelledTriangle(const PdfOps& ops, const LabelContext& ctx, ScreenPoint a, ScreenPoint b,
                                        const PenStyle& pen);
// The same for a triangle outline already built from the drag.
LabelledTriangleAdd AddLabelledTriangle(const PdfOps& ops, const LabelContext& ctx, const Outline& triangle,
                                        const PenStyle& pen);

struct EnsureResult {
  bool ok = false;
  bool committed = false;
  bool oldLabelsRemoved = true;  // false when labels of a broken set stayed on the page
  uint32_t labelNumber = 0;
};

EnsureResult EnsureSegmentLabels(const PdfOps& ops, const LabelContext& ctx, FPDF_PAGEOBJECT segment,
                                 ScreenPoint start, ScreenPoint end);
EnsureResult EnsureTriangleLabels(const PdfOps& ops, const LabelContext& ctx, FPDF_PAGEOBJECT triangle,
                                  const std::vector<ScreenPoint>& vertices);
EnsureResult EnsureRectangleLabels(const PdfOps& ops, const LabelContext& ctx, FPDF_PAGEOBJECT rectangle,
                                   const std::vector<ScreenPoint>& vertices);
bool RenumberTriangleLabels(const PdfOps& ops, FPDF_PAGE page);
// A triangle labelling on the page was just recorded as an edit (MarkModified): what it left
// known about the page's labels stays known until anything else changes the document.
void NoteTriangleLabelsCurrent(FPDF_PAGE page);
void MoveLabelsWithShape(const PdfOps& ops, FPDF_PAGE page, FPDF_PAGEOBJECT shape, float dx, float dy);
struct SegmentRelabel {
  bool ok = false;                // new labels are on the page (or the segment needs none)
  bool oldLabelsRemoved = false;  // the previous labels all went
  bool committed = false;         // the page content was regenerated
};
SegmentRelabel RebuildSegmentLabels(const PdfOps& ops, const LabelContext& ctx, FPDF_PAGEOBJECT segment,
                                    ScreenPoint start, ScreenPoint end);
// "a3-b3", "b3-c3", … for a labelled triangle (3) or rectangle (4).
std::optional<std::vector<std::u16string>> SideNames(const PdfOps& ops, FPDF_PAGEOBJECT shape, MarkKind kind);
// Removes labels whose shape is gone; true when there were none or all went and the page
// content was regenerated.
bool CleanOrphanLabels(const PdfOps& ops, FPDF_PAGE page, MarkKind kind);

constexpr float kLabelFontSize = 10.0f;
