// The page's own drawings (a white background, a filled box, a frame, a table cell) in the
// real window: erasing never removes them and clicking never changes the document.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <cmath>
#include <string>
#include <vector>

#include "app/command_router.h"
#include "app/gui_test.h"
#include "document/session.h"
#include "editing/erasing.h"
#include "editing/selection.h"
#include "engine/engine_table.h"
#include "support/pdf_fixtures.h"
#include "view/command_ids.h"
#include "view/page_view.h"
#include "view/tool_state.h"
#include "widgets/page_canvas.h"

namespace {

// White page fill and a blue box, both filled only.
constexpr const char* kFills = "1 1 1 rg 0 0 595 842 re f\n0 0 1 rg 100 600 200 100 re f\n";
// A brown 3 pt frame and a grey table cell with a black 1 pt border.
constexpr const char* kFrameAndCell =
    "0.5294 0.2941 0.1765 RG 3 w 20 20 555 802 re S\n0.9 0.9 0.9 rg 0 0 0 RG 1 w 100 300 150 40 re B\n";

class ForeignContentTest : public GuiTest {
 protected:
  void OpenPage(const std::string& content) {
    std::string path = WorkPath("worksheet.pdf");
    WritePdfObjects(path, {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                           "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R >>",
                           "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream"});
    StartWindow({QString::fromStdString(path)});
    RouteCommand(kCmdFitPage);
    Canvas()->repaint();
  }
  static QPoint OnScreen(float x, float y) {
    float sx, sy;
    PageToScreen(x, y, sx, sy);
    return QPoint(int(std::lround(sx)), int(std::lround(sy)));
  }
  std::vector<FPDF_PAGEOBJECT> Objects() const {
    std::vector<FPDF_PAGEOBJECT> objects;
    for (int i = 0; i < CurrentObjectCount(); ++i) objects.push_back(g_engine.FPDFPage_GetObject(g_session.currentPage, i));
    return objects;
  }
};

TEST_F(ForeignContentTest, FilledPathsSurviveEveryEraseMode) {
  OpenPage(kFills);
  std::vector<FPDF_PAGEOBJECT> page = Objects();
  ASSERT_EQ(page.size(), 2u);
  for (FPDF_PAGEOBJECT fill : page) EXPECT_FALSE(IsErasable(fill, g_engine)) << "a fill reports a black 1 pt stroke";

  RouteCommand(kCmdSelectErase);
  QPoint insideEdge = OnScreen(103, 650);  // a few pixels inside the blue box's left side
  Click(insideEdge);
  EXPECT_EQ(Objects(), page);
  EXPECT_EQ(g_session.statusText, u"没有找到可擦除的标注划线");
  QTest::mousePress(Canvas(), Qt::LeftButton, Qt::NoModifier, OnScreen(90, 610));
  for (int i = 1; i <= 10; ++i) {
    QPoint at = OnScreen(90 + 25.f * i, 610 + 8.f * i);
    QMouseEvent move(QEvent::MouseMove, at, Canvas()->mapToGlobal(at), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Canvas(), &move);
  }
  QTest::mouseRelease(Canvas(), Qt::LeftButton, Qt::NoModifier, OnScreen(340, 690));
  EXPECT_EQ(Objects(), page) << "a drag across the box and the page";

  // A pen stroke drawn on top is still erased by 全部擦除; the fills stay.
  RouteCommand(kCmdSegmentTool);
  Drag(OnScreen(150, 400), OnScreen(400, 400));
  ASSERT_GT(Objects().size(), page.size());
  g_script.answers = {MessageAnswer::Yes};
  RouteCommand(kCmdEraseAll);
  EXPECT_EQ(g_session.statusText, u"已擦除当前页 1 个标注");
  EXPECT_EQ(Objects(), page) << "the segment and its labels went, the fills stayed";
  EXPECT_FALSE(g_script.boxes.empty());
}

TEST_F(ForeignContentTest, ClickingThePagesOwnDrawingsChangesNothing) {
  OpenPage(std::string(kFills) + kFrameAndCell);
  std::vector<FPDF_PAGEOBJECT> page = Objects();
  ASSERT_EQ(page.size(), 4u);
  FPDF_PAGEOBJECT frame = page[2];
  RouteCommand(kCmdSelectTool);
  g_tool.lineWidth = 2;
  g_tool.drawColor = 0xFF5F00;  // the palette's blue
  uint64_t generation = EditGeneration();
  float bounds[4];
  ASSERT_TRUE(g_engine.FPDFPageObj_GetBounds(frame, &bounds[0], &bounds[1], &bounds[2], &bounds[3]));

  struct Place {
    const char* what;
    QPoint at;
  };
  for (const Place& place : {Place{"white background", OnScreen(400, 450)}, Place{"blue box", OnScreen(200, 650)},
                             Place{"table cell", OnScreen(175, 320)}, Place{"table cell border", OnScreen(175, 340)},
                             Place{"frame", OnScreen(20, 400)}}) {
    Click(place.at);
    EXPECT_EQ(EditGeneration(), generation) << place.what;
    EXPECT_FALSE(g_session.modified) << place.what;
    EXPECT_EQ(Objects(), page) << place.what << ": no labels were added";
    EXPECT_FLOAT_EQ(g_tool.lineWidth, 2.0f) << place.what << ": the pen keeps its width";
    EXPECT_EQ(g_tool.drawColor, 0xFF5F00u) << place.what << ": and its colour";
    EXPECT_EQ(g_selection.lengthCm, 0.0) << place.what << ": later lines stay free";
  }
  EXPECT_EQ(g_selection.object, frame) << "the frame is picked on its outline";

  // With the frame selected, a drag inside it draws a marquee instead of moving the frame.
  Drag(OnScreen(300, 500), OnScreen(450, 420));
  EXPECT_NE(g_selection.object, frame);
  float after[4];
  ASSERT_TRUE(g_engine.FPDFPageObj_GetBounds(frame, &after[0], &after[1], &after[2], &after[3]));
  for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(after[i], bounds[i]);
  EXPECT_EQ(EditGeneration(), generation);
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
}

}  // namespace
