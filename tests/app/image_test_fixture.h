// Shared by the window tests of page images: picture files made here (JPEG, PNG with alpha,
// broken and oversized ones) and a page opened with given boxes and turn.
#pragma once

#include <QColor>
#include <QString>
#include <string>

#include "app/editing_test_fixture.h"
#include "editing/image_objects.h"
#include "editing/selection.h"

// A width × height picture: left half `left`, right half `right`, a black top row band, so
// that its orientation can be read from a render.
bool WritePicture(const std::string& path, int width, int height, const char* format, QColor left = QColor(220, 30, 30),
                  QColor right = QColor(30, 60, 220), bool alpha = false);
// A PNG whose header promises width × height but whose data stops short.
std::string PngWithLyingHeader(int width, int height);
// A PNG whose correct header announces a width × height picture, with almost no data.
std::string PngHeaderOnly(int width, int height);

// A page's crop box, as a saved copy shows it.
struct SavedCrop {
  float left = 0, bottom = 0, right = 595, top = 842;
};
// Commits the current page, saves the document as <artefacts>/<name>.pdf, has poppler draw
// it at one pixel per point and returns the colour at a page point of a page turned by
// `rotate` (0, 90 or 270) with the crop box `crop`.
QColor SavedColourAt(FPDF_DOCUMENT document, const std::string& name, PagePoint p, int rotate = 0, SavedCrop crop = {});

class ImageWindowTest : public EditingWindowTest {
 protected:
  void Open(const std::string& pageEntries);
  // Inserts a picture by a click at the client point through the command and the dialog.
  void InsertByClick(const std::string& file, QPoint at);
  std::vector<FPDF_PAGEOBJECT> Images() const;
  static FS_MATRIX Matrix(FPDF_PAGEOBJECT image);
  // The unit point (s, t) of an image on screen.
  static QPointF Screen(FPDF_PAGEOBJECT image, double s, double t);
  // The colour the window shows at a client point.
  QColor ShownAt(QPoint p);
};
