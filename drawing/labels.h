// Vertex labels (a1, b1 …) of segments, triangles and rectangles: real text objects that
// carry their shape's mark name.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "drawing/marks.h"

struct LabelContext {
  FPDF_DOCUMENT document = nullptr;
  FPDF_PAGE page = nullptr;
  FPDF_FONT font = nullptr;
  float pageWidth = 0;   // the page's own (unrotated) size
  float pageHeight = 0;
};

// The current page with the default font (which must have been ensured).
LabelContext CurrentLabelContext();

struct LabelPlacement {
  std::u16string text;
  float x = 0;
  float baseline = 0;
};

std::optional<std::vector<LabelPlacement>> ComputeLabelPlacements(const std::vector<ScreenPoint>& vertices,
                                                                   float pageWidth, float pageHeight,
                                                                   uint32_t labelNumber);

struct LabelSetResult {
  bool ok = false;
  bool committed = false;
  std::vector<FPDF_PAGEOBJECT> labels;
};

LabelSetResult CreateLabelSet(const PdfOps& ops, const LabelContext& ctx, const std::string& markName,
                              const std::vector<ScreenPoint>& vertices);
// Numbers the new triangle after the page's others (renumbering their labels first).
LabelSetResult LabelNewTriangle(const PdfOps& ops, const LabelContext& ctx, FPDF_PAGEOBJECT triangle,
                                const std::vector<ScreenPoint>& vertices);

struct EnsureResult {
  bool ok = false;
  bool committed = false;
  uint32_t labelNumber = 0;
};

EnsureResult EnsureSegmentLabels(const PdfOps& ops, const LabelContext& ctx, FPDF_PAGEOBJECT segment,
                                 ScreenPoint start, ScreenPoint end);
EnsureResult EnsureTriangleLabels(const PdfOps& ops, const LabelContext& ctx, FPDF_PAGEOBJECT triangle,
                                  const std::vector<ScreenPoint>& vertices);
EnsureResult EnsureRectangleLabels(const PdfOps& ops, const LabelContext& ctx, FPDF_PAGEOBJECT rectangle,
                                   const std::vector<ScreenPoint>& vertices);
bool RenumberTriangleLabels(const PdfOps& ops, FPDF_PAGE page);
void MoveLabelsWithShape(const PdfOps& ops, FPDF_PAGE page, FPDF_PAGEOBJECT shape, float dx, float dy);
bool RebuildSegmentLabels(const PdfOps& ops, const LabelContext& ctx, FPDF_PAGEOBJECT segment, ScreenPoint start,
                          ScreenPoint end);
// "a3-b3", "b3-c3", … for a labelled triangle (3) or rectangle (4).
std::optional<std::vector<std::u16string>> SideNames(const PdfOps& ops, FPDF_PAGEOBJECT shape, MarkKind kind);
// Removes labels whose shape is gone; true when there were none or all went and the page
// content was regenerated.
bool CleanOrphanLabels(const PdfOps& ops, FPDF_PAGE page, MarkKind kind);

constexpr float kLabelFontSize = 10.0f;
