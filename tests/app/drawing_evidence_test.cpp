// Everything the drawing tools make, on pages turned every way and on a page cropped to a box
// that does not start at (0, 0), as a teacher would draw it: rendered by the engine, poppler
// and MuPDF, saved as PDF and CVN, reopened, undone and redone — and still recognised with
// the same label numbers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QProcess>
#include <cstdio>
#include <map>

#include "app/command_router.h"
#include "app/gui_test.h"
#include "document/cvn_container.h"
#include "document/open_document.h"
#include "document/save_copy.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "drawing/coordinate_system.h"
#include "drawing/find_remove.h"
#include "drawing/marks.h"
#include "engine/engine_table.h"
#include "platform/text_encoding.h"
#include "view/command_ids.h"
#include "view/page_view.h"
#include "widgets/page_canvas.h"

namespace {

// Every drawn-object mark on the current page, by kind, as "kind:label number".
std::multiset<std::string> RecognisedShapes() {
  std::multiset<std::string> shapes;
  int count = g_engine.FPDFPage_CountObjects(g_session.currentPage);
  for (int i = 0; i < count; ++i) {
    FPDF_PAGEOBJECT object = g_engine.FPDFPage_GetObject(g_session.currentPage, i);
    if (g_engine.FPDFPageObj_GetType(object) != kPageObjPath) continue;
    if (int grid = FindCoordinateSystem(object, g_engine)) shapes.insert("grid:" + std::to_string(grid));
    for (auto [kind, tag] : {std::pair{MarkKind::Line, "line"}, {MarkKind::Triangle, "triangle"},
                             {MarkKind::Rectangle, "rectangle"}, {MarkKind::Point, "point"}}) {
      auto name = FindMark(object, g_engine, kind);
      if (!name) continue;
      size_t labels = LabelsOfShape(g_session.currentPage, object, g_engine, kind, *name).size();
      shapes.insert(std::string(tag) + ":" + std::to_string(ReadLabelNumber(*name, kind)) + "/" + std::to_string(labels));
    }
  }
  return shapes;
}

QImage RenderCurrentPage(float scale) {
  int width = int(g_session.pageWidth * scale), height = int(g_session.pageHeight * scale);
  QImage image(width, height, QImage::Format_RGB32);
  FPDF_BITMAP bitmap = g_engine.FPDFBitmap_CreateEx(width, height, kBitmapBgrx, image.bits(), int(image.bytesPerLine()));
  g_engine.FPDFBitmap_FillRect(bitmap, 0, 0, width, height, 0xFFFFFFFF);
  g_engine.FPDF_RenderPageBitmap(bitmap, g_session.currentPage, 0, 0, width, height, 0, 0x01);
  g_engine.FPDFBitmap_Destroy(bitmap);
  return image;
}

struct EvidencePage {
  const char* name;     // names the artefacts
  const char* entries;  // the page dictionary
  int gridNumber;       // half-width of the grid in units: the displayed width decides
};

class DrawingEvidenceTest : public GuiTest, public testing::WithParamInterface<EvidencePage> {
 protected:
  QPoint At(float fx, float fy) {
    if (!g_view.valid) Canvas()->repaint();
    const IntRect& r = g_view.pageRect;
    return QPoint(r.left + int(fx * r.Width()), r.top + int(fy * r.Height()));
  }
  void Reopen(const std::string& name) {
    OpenOrFail(WorkPath(name));
    RouteCommand(kCmdFitPage);
    Canvas()->repaint();
  }
};

TEST_P(DrawingEvidenceTest, EverythingDrawnSurvivesSavingReopeningAndUndo) {
  const EvidencePage& page = GetParam();
  QString artefact = QStringLiteral(CORVAN_ARTEFACTS) + "/" + page.name;
  WriteHandMadePdf(WorkPath("page.pdf"), page.entries);
  StartWindow({QString::fromStdString(WorkPath("page.pdf"))});
  RouteCommand(kCmdFitPage);
  RouteCommand(kCmdCoordinateSystem);
  RouteCommand(kCmdTriangleTool);
  Drag(At(0.08f, 0.08f), At(0.3f, 0.4f));
  RouteCommand(kCmdRectangleTool);
  Drag(At(0.62f, 0.08f), At(0.9f, 0.35f));
  RouteCommand(kCmdSegmentTool);
  Drag(At(0.1f, 0.6f), At(0.35f, 0.7f));
  RouteCommand(kCmdArrowTool);
  Drag(At(0.1f, 0.8f), At(0.35f, 0.9f));
  RouteCommand(kCmdVector);
  Drag(At(0.6f, 0.55f), At(0.85f, 0.6f));
  RouteCommand(kCmdRay);
  Drag(At(0.55f, 0.75f), At(0.6f, 0.7f));
  RouteCommand(kCmdPolyline);
  for (auto [x, y] : {std::pair{0.4f, 0.9f}, {0.5f, 0.8f}, {0.6f, 0.92f}, {0.7f, 0.82f}}) Click(At(x, y));
  Click(At(0.7f, 0.82f), Qt::RightButton);
  RouteCommand(kCmdPointTool);
  Click(At(0.45f, 0.45f));
  ASSERT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();

  std::multiset<std::string> drawn = RecognisedShapes();
  EXPECT_EQ(drawn, (std::multiset<std::string>{"grid:" + std::to_string(page.gridNumber), "triangle:1/3", "rectangle:1/4", "line:1/2", "line:2/2",
                                               "line:3/2", "line:4/2", "point:0/0"}));
  size_t steps = g_history.undo.size();
  EXPECT_EQ(steps, 9u);

  QImage screen = Screenshot(QString(page.name) + "-window");
  QImage engine = RenderCurrentPage(1.5f);
  engine.save(artefact + "-pdfium.png");
  // A close look at the origin: axis numbers and their orientation.
  QImage origin = RenderCurrentPage(6.0f);
  origin.copy(origin.width() / 2 - 300, origin.height() / 2 - 200, 600, 400).save(artefact + "-origin.png");

  // Saved as a PDF: two other readers show it (the shown box, not the whole media box) and
  // find the labels.
  g_script.dialogAnswers = {WorkPath16("drawn.pdf")};
  ASSERT_TRUE(SavePdfCopy(u"_annotated.pdf", u"已保存 PDF 副本。"));
  QString pdf = QString::fromStdString(WorkPath("drawn.pdf"));
  EXPECT_EQ(QProcess::execute("pdftoppm", {"-cropbox", "-png", "-r", "100", "-singlefile", pdf, artefact + "-poppler"}), 0);
  EXPECT_EQ(QProcess::execute("mutool", {"draw", "-q", "-r", "100", "-o", artefact + "-mupdf.png", pdf, "1"}), 0);
  EXPECT_EQ(QImage(artefact + "-mupdf.png").size(), QImage(artefact + "-poppler.png").size());
  QProcess text;
  text.start("pdftotext", {pdf, "-"});
  ASSERT_TRUE(text.waitForFinished(30000));
  QString extracted = QString::fromUtf8(text.readAllStandardOutput());
  for (const char* label : {"a1", "b1", "c1", "d1", "a4", "b4"}) EXPECT_TRUE(extracted.contains(label)) << label;

  g_script.dialogAnswers = {WorkPath16("drawn.cvn")};
  ASSERT_TRUE(SaveAsCvn());
  Reopen("drawn.pdf");
  EXPECT_EQ(RecognisedShapes(), drawn);
  Reopen("drawn.cvn");
  EXPECT_EQ(RecognisedShapes(), drawn);

  // Undo and redo restore exactly what was recognised.
  RouteCommand(kCmdPointTool);
  Click(At(0.5f, 0.5f));
  RouteCommand(kCmdUndo);
  EXPECT_EQ(RecognisedShapes(), drawn);
  RouteCommand(kCmdRedo);
  std::multiset<std::string> withPoint = drawn;
  withPoint.insert("point:0/0");
  EXPECT_EQ(RecognisedShapes(), withPoint);
  // The next segment drawn after reopening carries the next number.
  RouteCommand(kCmdSegmentTool);
  Drag(At(0.2f, 0.45f), At(0.3f, 0.5f));
  EXPECT_EQ(RecognisedShapes().count("line:5/2"), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    TurnedAndCropped, DrawingEvidenceTest,
    testing::Values(EvidencePage{"rotate-0", "/MediaBox [0 0 595 842]", 11},
                    EvidencePage{"rotate-90", "/MediaBox [0 0 595 842] /Rotate 90", 15},
                    EvidencePage{"rotate-180", "/MediaBox [0 0 595 842] /Rotate 180", 11},
                    EvidencePage{"rotate-270", "/MediaBox [0 0 595 842] /Rotate 270", 15},
                    EvidencePage{"cropped", "/MediaBox [0 0 595 842] /CropBox [100 100 495 742]", 7},
                    EvidencePage{"cropped-rotate-90", "/MediaBox [0 0 595 842] /CropBox [100 100 495 742] /Rotate 90",
                                 12}),
    [](const testing::TestParamInfo<EvidencePage>& info) {
      std::string name = info.param.name;
      for (char& c : name) c = c == '-' ? '_' : c;
      return name;
    });

}  // namespace
