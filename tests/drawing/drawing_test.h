// Base fixture for the drawn-object engine: a real document and page shown in a page view
// (the engine maps between screen pixels and page points), with the label font loaded.
#pragma once

#include <string>
#include <vector>

#include "drawing/marks.h"
#include "support/document_test.h"

class DrawingTest : public DocumentTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Opens a one-page document of the given size and rotation and renders it.
  void ShowPage(float width = 595, float height = 842, int rotation = 0);
  // Opens a hand-made one-page document whose page dictionary holds `entries` (boxes, /Rotate).
  void ShowHandMadePage(const std::string& entries);
  // Renders the current page again after an edit.
  void RenderAgain();
  // The rendered pixel's green channel at a client point; -1 outside the bitmap.
  int GreenAt(ScreenPoint p) const;
  // Screen point of a page point, rounded.
  ScreenPoint Screen(float x, float y) const;
  // All page objects of the current page in order.
  std::vector<FPDF_PAGEOBJECT> Objects() const;
  // The texts of the text objects carrying exactly this mark name, in page order.
  std::vector<std::u16string> LabelTexts(const std::string& markName, MarkKind kind) const;
  std::u16string TextOf(FPDF_PAGEOBJECT text) const;
  // Adds an unmarked straight line path between page points (not committed).
  FPDF_PAGEOBJECT AddLine(PagePoint a, PagePoint b);
  // Saves the document to a file and reads it back into the session.
  void SaveAndReopen(const std::string& name);
};

// The pages every placement test runs on: A4 and a page whose crop box starts at (100, 100),
// each on all four rotations.
struct PageCase {
  const char* name;
  std::string entries;
};
std::vector<PageCase> TurnedAndCroppedPages();
constexpr const char* kCroppedBoxes = "/MediaBox [0 0 595 842] /CropBox [100 100 495 742]";

int SegmentCount(FPDF_PAGEOBJECT path);
bool LastSegmentCloses(FPDF_PAGEOBJECT path);
