// A page drawn the way TeX figures are (black 0.4–1.6 pt strokes, arrow tips, fills, a text
// line, and one stroke in the editor's own red 6 pt look) for the window tests that check the
// editor's corrections never touch the book's own content.
#pragma once

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <cmath>
#include <string>
#include <vector>

#include "app/command_router.h"
#include "app/gui_test.h"
#include "app/main_window.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "engine/engine_table.h"
#include "support/pdf_fixtures.h"
#include "view/command_ids.h"
#include "view/page_view.h"
#include "widgets/page_canvas.h"

// Every path here is one the old colour-and-width rule would take, except the 0.4 pt rule,
// the filled tip and the box.
constexpr const char* kFigurePage =
    "BT /F1 14 Tf 72 780 Td (Figure 3.1: the triangle ABC and the vector u) Tj ET\n"
    "0 0 0 RG 1 w 100 500 m 300 500 l 200 650 l h S\n"          // the book's triangle
    "0.4 w 100 450 m 450 450 l S\n"                              // a hairline rule
    "1.6 w 100 400 m 380 400 l S\n"                              // an arrow shaft
    "0 0 0 rg 1 w 392 400 m 378 405 l 381 400 l 378 395 l h B\n"  // its filled tip
    "1 w 100 350 m 150 320 l 200 350 l 250 320 l 300 350 l S\n"  // a zigzag
    "1 w 400 520 m 440 560 l 400 600 l S\n"                      // an open arrow tip
    "0.9 0.9 0.9 rg 350 250 100 60 re f\n"                       // a grey box
    "0.902 0.137 0.137 RG 6 w 100 250 m 300 250 l S\n";          // red and 6 pt, like a pen

class OwnInkWindowTest : public GuiTest {
 protected:
  void OpenFigurePage(const std::string& extraContent = {}) {
    std::string content = std::string(kFigurePage) + extraContent;
    std::string path = WorkPath("figure.pdf");
    WritePdfObjects(path, {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                           "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R "
                           "/Resources << /Font << /F1 5 0 R >> >> >>",
                           "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream",
                           "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"});
    StartWindow({QString::fromStdString(path)});
    RouteCommand(kCmdFitPage);
    Canvas()->repaint();
  }
  static QPoint OnScreen(float x, float y) {
    float sx, sy;
    PageToScreen(x, y, sx, sy);
    return QPoint(int(std::lround(sx)), int(std::lround(sy)));
  }
  // Chooses a main-menu item as a click on it does.
  void Menu(const QString& text) {
    for (QAction* action : window_->findChildren<QAction*>()) {
      if (action->text() == text && action->isEnabled()) {
        action->trigger();
        QApplication::processEvents();
        return;
      }
    }
    ADD_FAILURE() << "no menu item " << text.toStdString();
  }
  void Press(QPoint at) { QTest::mousePress(Canvas(), Qt::LeftButton, Qt::NoModifier, at); }
  void MoveTo(QPoint at) {
    QMouseEvent move(QEvent::MouseMove, at, Canvas()->mapToGlobal(at), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Canvas(), &move);
  }
  void Release(QPoint at) {
    QTest::mouseRelease(Canvas(), Qt::LeftButton, Qt::NoModifier, at);
    QApplication::processEvents();
  }
  std::vector<FPDF_PAGEOBJECT> Objects() const {
    std::vector<FPDF_PAGEOBJECT> objects;
    for (int i = 0; i < CurrentObjectCount(); ++i) objects.push_back(g_engine.FPDFPage_GetObject(g_session.currentPage, i));
    return objects;
  }
  // What each object is and holds: type, segments, width and bounds, and a text's words.
  static std::string Describe(FPDF_PAGEOBJECT object) {
    char line[160];
    float l = 0, b = 0, r = 0, t = 0, width = 0;
    g_engine.FPDFPageObj_GetBounds(object, &l, &b, &r, &t);
    g_engine.FPDFPageObj_GetStrokeWidth(object, &width);
    int type = g_engine.FPDFPageObj_GetType(object);
    int segments = type == kPageObjPath ? g_engine.FPDFPath_CountSegments(object) : 0;
    std::snprintf(line, sizeof line, "type %d segments %d width %.2f box %.0f %.0f %.0f %.0f", type, segments, width, l,
                  b, r, t);
    std::string text = line;
    if (type == kPageObjText) {
      FPDF_TEXTPAGE words = g_engine.FPDFText_LoadPage(g_session.currentPage);
      std::u16string buffer(200, u'\0');
      unsigned long bytes =
          g_engine.FPDFTextObj_GetText(object, words, reinterpret_cast<FPDF_WCHAR*>(buffer.data()), 400);
      g_engine.FPDFText_ClosePage(words);
      for (size_t i = 0; i + 1 < bytes / 2; ++i) text += char(buffer[i]);
    }
    return text;
  }
  std::vector<std::string> DescribePage() const {
    std::vector<std::string> page;
    for (FPDF_PAGEOBJECT object : Objects()) page.push_back(Describe(object));
    return page;
  }
  size_t Steps() const { return g_history.undo.size(); }
};
