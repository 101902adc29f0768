// Erasing knows whose ink it is: on a page drawn like a TeX figure, every erase mode takes
// the teacher's drawing and nothing of the book's, whatever its colour and width.
#include <gtest/gtest.h>

#include "app/own_ink_test_page.h"
#include "drawing/marks.h"
#include "drawing/shapes.h"
#include "editing/erasing.h"
#include "editing/selection.h"
#include "view/tool_state.h"

namespace {

// The editor's marks as a saved copy of today carries them (a labelled segment, a triangle
// and a point), written as marked content.
constexpr const char* kSavedMarks =
    "/PDFEditorLine_00001234_0000000000001000_00000001_L1 BMC 0.902 0.137 0.137 RG 2 w 100 150 m 300 150 l S EMC\n"
    "/PDFEditorTriangle_00001234_0000000000001000_00000001 BMC 0 0.373 1 RG 2 w 350 100 m 450 100 l 400 180 l h S EMC\n"
    "/PDFEditorPoint_00001234_0000000000001000_00000001 BMC 0 0 0 rg 0 0 0 RG 500 150 m 505 155 l 510 150 l 505 145 l h f "
    "EMC\n";

class OwnInkTest : public OwnInkWindowTest {
 protected:
  // The teacher's drawing in every tool, in free space of the page; returns the new paths.
  std::vector<FPDF_PAGEOBJECT> DrawWithEveryTool() {
    size_t before = Objects().size();
    Menu(QStringLiteral("画曲线"));
    Drag(OnScreen(320, 700), OnScreen(520, 740), 8);
    Menu(QStringLiteral("线段"));
    Drag(OnScreen(60, 150), OnScreen(250, 150));
    Menu(QStringLiteral("箭头"));
    Drag(OnScreen(60, 200), OnScreen(250, 200));
    Menu(QStringLiteral("矩形"));
    Drag(OnScreen(420, 120), OnScreen(520, 200));
    Menu(QStringLiteral("椭圆"));
    Drag(OnScreen(300, 120), OnScreen(400, 200));
    Menu(QStringLiteral("三角形"));
    Drag(OnScreen(60, 40), OnScreen(160, 110));
    RouteCommand(kCmdPointTool);
    Click(OnScreen(500, 60));
    RouteCommand(kCmdPolyline);
    Click(OnScreen(200, 60));
    Click(OnScreen(240, 100));
    Click(OnScreen(280, 60));
    Click(OnScreen(280, 60), Qt::RightButton);
    std::vector<FPDF_PAGEOBJECT> drawn;
    std::vector<FPDF_PAGEOBJECT> all = Objects();
    for (size_t i = before; i < all.size(); ++i) {
      if (g_engine.FPDFPageObj_GetType(all[i]) == kPageObjPath) drawn.push_back(all[i]);
    }
    return drawn;
  }
};

TEST_F(OwnInkTest, EveryEraseModeTakesTheTeachersInkAndNoneOfTheBooks) {
  OpenFigurePage();
  const std::vector<FPDF_PAGEOBJECT> book = Objects();
  const std::vector<std::string> bookContent = DescribePage();
  ASSERT_EQ(book.size(), 9u);
  ASSERT_NE(bookContent[0].find("Figure 3.1: the triangle ABC"), std::string::npos) << bookContent[0];
  for (FPDF_PAGEOBJECT object : book) EXPECT_FALSE(IsErasable(object, g_engine)) << Describe(object);

  Menu(QStringLiteral("选取擦除"));
  ASSERT_EQ(g_tool.mode, ToolMode::SelectErase);
  size_t steps = Steps();
  // The triangle's base and side, the rule, the shaft and its tip, the zigzag, the open tip
  // and the red 6 pt stroke.
  for (QPoint at : {OnScreen(200, 500), OnScreen(250, 575), OnScreen(300, 450), OnScreen(300, 400), OnScreen(386, 400),
                    OnScreen(175, 335), OnScreen(420, 540), OnScreen(200, 250)}) {
    Click(at);
    EXPECT_EQ(g_session.statusText, u"没有找到可擦除的标注划线");
  }
  Drag(OnScreen(120, 660), OnScreen(120, 230), 40);  // down across every horizontal stroke
  EXPECT_EQ(Objects(), book);
  EXPECT_EQ(DescribePage(), bookContent);
  EXPECT_EQ(Steps(), steps);

  std::vector<FPDF_PAGEOBJECT> drawn = DrawWithEveryTool();
  ASSERT_EQ(drawn.size(), 8u) << "curve, segment, arrow, rectangle, ellipse, triangle, point, polyline";
  Screenshot("own-ink-drawn-over-figure");
  for (FPDF_PAGEOBJECT object : drawn) {
    EXPECT_TRUE(CarriesOwnMark(object, g_engine)) << Describe(object);
    EXPECT_TRUE(IsErasable(object, g_engine)) << Describe(object);
  }

  // A click on the pen stroke and one in the middle of the point take exactly those.
  Menu(QStringLiteral("选取擦除"));
  steps = Steps();
  Click(OnScreen(420, 720));
  EXPECT_EQ(g_session.statusText, u"标注已擦除");
  Click(OnScreen(500, 60));
  EXPECT_EQ(g_session.statusText, u"标注已擦除");
  std::vector<FPDF_PAGEOBJECT> left = Objects();
  EXPECT_EQ(std::count(left.begin(), left.end(), drawn[0]), 0) << "the pen stroke";
  EXPECT_EQ(std::count(left.begin(), left.end(), drawn[6]), 0) << "the point";
  EXPECT_EQ(Steps(), steps + 2);
  EXPECT_EQ(std::vector<FPDF_PAGEOBJECT>(left.begin(), left.begin() + 9), book);

  // 全部擦除 leaves the book exactly as it was, labels of the shapes gone with them.
  g_script.answers = {MessageAnswer::Yes};
  Menu(QStringLiteral("全部擦除"));
  EXPECT_EQ(g_session.statusText, u"已擦除当前页 6 个标注");
  Screenshot("own-ink-erased-figure-kept");
  EXPECT_EQ(Objects(), book);
  EXPECT_EQ(DescribePage(), bookContent);

  // Undone from the keyboard, the drawing is back and still the teacher's own.
  Canvas()->setFocus();
  QTest::keyClick(Canvas(), Qt::Key_Z, Qt::ControlModifier);
  ASSERT_EQ(CurrentObjectCount(), int(left.size()));
  g_script.answers = {MessageAnswer::Yes};
  Menu(QStringLiteral("全部擦除"));
  EXPECT_EQ(g_session.statusText, u"已擦除当前页 6 个标注");
  EXPECT_EQ(DescribePage(), bookContent);
}

TEST_F(OwnInkTest, ShapesSavedWithTodaysMarksStaySelectableAndErasable) {
  OpenFigurePage(kSavedMarks);
  std::vector<FPDF_PAGEOBJECT> all = Objects();
  ASSERT_EQ(all.size(), 12u);
  const std::vector<FPDF_PAGEOBJECT> book(all.begin(), all.begin() + 9);
  const std::vector<std::string> bookContent = DescribePage();
  FPDF_PAGEOBJECT line = all[9];

  Menu(QStringLiteral("选择工具"));
  Click(OnScreen(200, 150));
  EXPECT_EQ(g_selection.object, line) << "the saved segment is the teacher's again";
  Click(OnScreen(560, 800));
  EXPECT_EQ(g_selection.object, nullptr);

  Menu(QStringLiteral("选取擦除"));
  Click(OnScreen(200, 152));
  EXPECT_EQ(g_session.statusText, u"标注已擦除");
  ASSERT_EQ(Objects().size(), 11u);
  EXPECT_EQ(Objects()[9], all[10]);
  g_script.answers = {MessageAnswer::Yes};
  Menu(QStringLiteral("全部擦除"));
  EXPECT_EQ(g_session.statusText, u"已擦除当前页 2 个标注") << "the triangle and the point";
  EXPECT_EQ(Objects(), book);
  std::vector<std::string> after = DescribePage();
  EXPECT_EQ(after, std::vector<std::string>(bookContent.begin(), bookContent.begin() + 9));
}

TEST_F(OwnInkTest, InkKeepsItsMarkThroughSavingAndReopening) {
  OpenFigurePage();
  Menu(QStringLiteral("画曲线"));
  Drag(OnScreen(320, 700), OnScreen(520, 740), 8);
  Menu(QStringLiteral("椭圆"));
  Drag(OnScreen(300, 120), OnScreen(400, 200));
  ASSERT_EQ(CurrentObjectCount(), 11);
  std::string copy = WorkPath("figure-marked.pdf");
  ASSERT_TRUE(SaveDocumentToPath(g_session.document, copy));
  g_script.answers = {MessageAnswer::No};  // the drawing is in the copy: the open file need not keep it
  OpenOrFail(copy);
  Canvas()->repaint();
  ASSERT_EQ(CurrentObjectCount(), 11);
  std::vector<std::string> bookContent;
  for (int i = 0; i < 9; ++i) bookContent.push_back(Describe(g_engine.FPDFPage_GetObject(g_session.currentPage, i)));
  g_script.answers = {MessageAnswer::Yes};
  Menu(QStringLiteral("全部擦除"));
  EXPECT_EQ(g_session.statusText, u"已擦除当前页 2 个标注");
  EXPECT_EQ(DescribePage(), bookContent);
}

TEST_F(OwnInkTest, SelectionPrefersTheTeachersDrawingAndThePagesOwnGoesOnlyAfterAYes) {
  OpenFigurePage();
  const std::vector<std::string> bookContent = DescribePage();
  // A segment drawn across the text line is taken before the words under it.
  Menu(QStringLiteral("线段"));
  Drag(OnScreen(80, 784), OnScreen(400, 784));
  FPDF_PAGEOBJECT segment = Objects()[9];
  Menu(QStringLiteral("选择工具"));
  Click(OnScreen(250, 784));
  EXPECT_EQ(g_selection.object, segment);
  EXPECT_EQ(g_selection.selectedText, nullptr);
  Canvas()->setFocus();
  QTest::keyClick(Canvas(), Qt::Key_Delete);
  EXPECT_EQ(g_session.statusText, u"所选图形已删除");
  EXPECT_TRUE(g_script.boxes.empty()) << "her own drawing goes without a question";
  EXPECT_EQ(DescribePage(), bookContent);

  // A shape's outline wins over a long line whose box covers it.
  Menu(QStringLiteral("矩形"));
  Drag(OnScreen(470, 650), OnScreen(520, 610));
  FPDF_PAGEOBJECT rectangle = Objects()[9];
  Menu(QStringLiteral("线段"));
  Drag(OnScreen(330, 600), OnScreen(570, 760));
  Menu(QStringLiteral("选择工具"));
  Click(OnScreen(470, 630));
  EXPECT_EQ(g_selection.object, rectangle);

  // A frame around the zigzag and a pen stroke over it takes the stroke alone.
  Menu(QStringLiteral("画曲线"));
  Drag(OnScreen(110, 330), OnScreen(290, 340), 8);
  FPDF_PAGEOBJECT stroke = Objects().back();
  Menu(QStringLiteral("选择工具"));
  Drag(OnScreen(90, 310), OnScreen(320, 365));
  EXPECT_EQ(g_selection.object, stroke);
  EXPECT_TRUE(g_selection.group.empty());

  // The book's open arrow tip can be selected, but Delete asks first and No keeps it.
  Click(OnScreen(560, 810));
  Click(OnScreen(420, 540));
  FPDF_PAGEOBJECT tip = g_selection.object;
  ASSERT_NE(tip, nullptr);
  EXPECT_FALSE(CarriesOwnMark(tip, g_engine));
  size_t before = Objects().size();
  g_script.boxes.clear();
  g_script.answers = {MessageAnswer::No};
  QTest::keyClick(Canvas(), Qt::Key_Delete);
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"删除图形");
  EXPECT_EQ(g_script.boxes[0].buttons, MessageButtons::YesNo);
  EXPECT_EQ(Objects().size(), before);
  g_script.answers = {MessageAnswer::Yes};
  QTest::keyClick(Canvas(), Qt::Key_Delete);
  EXPECT_EQ(Objects().size(), before - 1);
  std::vector<FPDF_PAGEOBJECT> left = Objects();
  EXPECT_EQ(std::count(left.begin(), left.end(), tip), 0);
}

TEST_F(OwnInkTest, OnlyTheTeachersOwnLineFixesTheLengthOfLaterArrows) {
  OpenFigurePage();
  auto lastLineLength = [this] {
    std::vector<FPDF_PAGEOBJECT> all = Objects();
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
      if (auto line = RecogniseStraightSegment(*it, g_engine)) {
        return double(std::hypot(line->end.x - line->start.x, line->end.y - line->start.y));
      }
    }
    return -1.0;
  };
  Menu(QStringLiteral("选择工具"));
  Click(OnScreen(300, 400));  // the book's 1.6 pt arrow shaft, 280 pt long
  ASSERT_NE(g_selection.object, nullptr);
  EXPECT_EQ(g_selection.lengthCm, 0.0);
  Menu(QStringLiteral("箭头"));
  Drag(OnScreen(60, 150), OnScreen(160, 150));
  EXPECT_NEAR(lastLineLength(), 100, 3) << "the arrow follows the drag";

  Menu(QStringLiteral("线段"));
  Drag(OnScreen(60, 200), OnScreen(202, 200));
  double own = lastLineLength();
  Menu(QStringLiteral("选择工具"));
  Click(OnScreen(130, 200));
  EXPECT_NEAR(g_selection.lengthCm, own / kPointsPerCm, 0.01);
  Menu(QStringLiteral("箭头"));
  Drag(OnScreen(60, 240), OnScreen(100, 240));
  EXPECT_NEAR(lastLineLength(), own, 0.5) << "her own segment's length is kept";
}

}  // namespace
