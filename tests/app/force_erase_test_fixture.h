// Force erase driven through the real window: a page opened in the force-erase mode.
#pragma once

#include "app/editing_test_fixture.h"
#include "support/image_page_pdf.h"

class ForceEraseWindowTest : public EditingWindowTest {
 protected:
  void OpenPage(const ImagePageSpec& spec) {
    WriteImagePagePdf(WorkPath("page.pdf"), spec);
    OpenInForceErase(WorkPath("page.pdf"));
  }
  void OpenInForceErase(const std::string& pdf) {
    OpenOrFail(pdf);
    RouteCommand(kCmdFitPage);
    Canvas()->repaint();
    g_script.answers.push_back(MessageAnswer::Ok);  // the warning before the mode
    RouteCommand(kCmdForceErase);
    ASSERT_EQ(g_tool.mode, ToolMode::ForceErase);
    g_script.boxes.clear();
  }
  FPDF_PAGEOBJECT Image() const { return FirstImage(g_session.currentPage); }
  ImagePixels Pixels() const { return ReadImagePixels(g_session.document, g_session.currentPage, Image()); }
  // Where the image's own unit point (s, t) shows on screen.
  QPoint UnitOnScreen(float s, float t) const {
    FS_MATRIX m{};
    g_engine.FPDFPageObj_GetMatrix(Image(), &m);
    return OnScreen({m.a * s + m.c * t + m.e, m.b * s + m.d * t + m.f});
  }
  QRgb ScreenPixel(QPoint p) {
    QApplication::processEvents();
    return Canvas()->grab().toImage().pixel(p);
  }
};
