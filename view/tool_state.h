// The one tool mode of the main window and the state shared by the drawing tools.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "drawing/shape_kinds.h"
#include "engine/pdfium_types.h"
#include "geometry/stroke_smoothing.h"
#include "view/page_view.h"

enum class ToolMode { Select, Hand, Pen, Arrow, SelectErase, ForceErase, Text, ImagePlacement, Edit, Geometry, SelectText };

// A left-button drag on the page by a drawing tool, in client pixels.
struct StrokeDrag {
  bool active = false;
  ScreenPoint start;
  ScreenPoint current;
  std::vector<ScreenPoint> points;  // every accepted position of a free-hand stroke
  SmoothedStroke smoothed;          // the pen preview, extended as points arrive
};

struct ToolState {
  ToolMode mode = ToolMode::Select;
  GeometryKind geometryKind = GeometryKind::Segment;
  LineToolKind lineTool = LineToolKind::None;
  FPDF_DOCUMENT lineToolDocument = nullptr;  // where the line tool was chosen
  int lineToolPage = -1;
  std::vector<PagePoint> polyline;  // vertices of a polyline under construction
  bool equalVectorPicked = false;   // equal vector: the source vector's offset is known
  PagePoint equalVectorOffset;
  bool selectDrag = false;          // a drag of the select tool (coordinate-system handles) runs
  bool ocrRegion = false;           // OCR area selection, an overlay on the mode
  uint32_t drawColor = 230u | 35u << 8 | 35u << 16;  // red in the lowest byte
  float lineWidth = 6.0f;
  bool shapePanelRequested = true;
  double fixedLengthCm = 5.0;
  bool spaceHeld = false;
  StrokeDrag stroke;
};

extern ToolState g_tool;

// Drops every transient drag and construction state (document replaced, undo, escape).
void ClearToolProgress();
bool IsEraseMode(ToolMode mode);
bool IsLineToolActive();
