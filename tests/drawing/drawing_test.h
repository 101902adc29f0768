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

int SegmentCount(FPDF_PAGEOBJECT path);
bool LastSegmentCloses(FPDF_PAGEOBJECT path);
