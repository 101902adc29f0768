// Shared by the window tests of selecting, reshaping, erasing and deleting drawn objects.
#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <vector>

#include "app/command_router.h"
#include "app/gui_test.h"
#include "app/main_window.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "drawing/find_remove.h"
#include "drawing/marks.h"
#include "engine/engine_table.h"
#include "view/command_ids.h"
#include "view/page_view.h"
#include "support/pdf_fixtures.h"
#include "view/tool_state.h"
#include "widgets/page_canvas.h"

class EditingWindowTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    StartWindow();
    RouteCommand(kCmdFitPage);
    Canvas()->repaint();
  }
  // Opens a one-page PDF whose page dictionary holds `pageEntries` (boxes, /Rotate), fitted.
  void OpenHandMadePage(const std::string& pageEntries) {
    WriteHandMadePdf(WorkPath("page.pdf"), pageEntries);
    OpenOrFail(WorkPath("page.pdf"));
    RouteCommand(kCmdFitPage);
    Canvas()->repaint();
  }
  // Types into a line edit, replacing what it holds.
  static void Type(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
  }
  QPoint At(float fx, float fy) const {
    if (!g_view.valid) Canvas()->repaint();
    const IntRect& r = g_view.pageRect;
    return QPoint(r.left + int(fx * r.Width()), r.top + int(fy * r.Height()));
  }
  static QPoint OnScreen(PagePoint p) {
    float x, y;
    PageToScreen(p.x, p.y, x, y);
    return QPoint(int(std::lround(x)), int(std::lround(y)));
  }
  static PagePoint OnPage(QPoint p) { return *ScreenToPageUnclamped(float(p.x()), float(p.y())); }
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
  std::vector<FPDF_PAGEOBJECT> Paths() const {
    std::vector<FPDF_PAGEOBJECT> paths;
    for (FPDF_PAGEOBJECT o : Objects()) {
      if (g_engine.FPDFPageObj_GetType(o) == kPageObjPath) paths.push_back(o);
    }
    return paths;
  }
  static std::vector<FPDF_PAGEOBJECT> Labels(FPDF_PAGEOBJECT shape, MarkKind kind) {
    auto name = FindMark(shape, g_engine, kind);
    if (!name) return {};
    return LabelsOfShape(g_session.currentPage, shape, g_engine, kind, *name);
  }
  static PagePoint Centre(FPDF_PAGEOBJECT object) {
    float l, b, r, t;
    g_engine.FPDFPageObj_GetBounds(object, &l, &b, &r, &t);
    return {(l + r) / 2, (b + t) / 2};
  }
  size_t Steps() const { return g_history.undo.size(); }
};
