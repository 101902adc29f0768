// The invisible text layer the editor writes over a scanned page: one text object per word
// (a run of Chinese words is one object), drawn in render mode 3 so only readers' search,
// selection and copy see it, each stretched so its glyphs' box lies on the word in the picture.
// Every object carries the editor's mark, so the layer can be told from the page's own text
// and replaced without touching it.
#pragma once

#include <string>
#include <vector>

#include "engine/pdfium_types.h"
#include "geometry/page_frame.h"

// The marked-content tag of the editor's recognised text.
constexpr const char* kOcrLayerMark = "CorvanRecognisedText";

struct OcrLayerRun {
  float left = 0, bottom = 0, right = 0, top = 0;  // displayed points, y up
  std::u16string text;
  FPDF_FONT font = nullptr;
};

// Whether the entry points the layer needs are there.
bool CanWriteOcrLayer();
// Text the page holds of its own: a text object (also inside a form) outside the editor's layer.
bool HasOwnText(FPDF_PAGE page);
// Whether the page carries the editor's layer.
bool HasOcrLayer(FPDF_PAGE page);
// Removes the editor's layer; false when an object would not come out.
bool RemoveOcrLayer(FPDF_PAGE page);
// Adds the runs on top of the page's objects; the number placed (runs whose box or text
// cannot be drawn are left out), −1 when the engine refused an object (what was placed stays).
int AddOcrLayer(FPDF_DOCUMENT document, FPDF_PAGE page, const PageFrame& frame, const std::vector<OcrLayerRun>& runs);
// The frame of the page as PDFium shows it (crop box, quarter turns).
PageFrame DisplayedFrameOf(FPDF_PAGE page);
