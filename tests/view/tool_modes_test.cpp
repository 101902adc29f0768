#include <gtest/gtest.h>

#include "document/open_document.h"
#include "document/session.h"
#include "editing/pointer_input.h"
#include "platform/text_encoding.h"
#include "support/document_test.h"
#include "view/keyboard_placement.h"
#include "view/page_view.h"
#include "view/pencil_cursor.h"
#include "view/status_line.h"
#include "view/tool_modes.h"
#include "view/toolbar.h"

namespace {

class ToolModesTest : public DocumentTest {
 protected:
  void SetUp() override {
    DocumentTest::SetUp();
    g_tool = ToolState{};
    g_layout = WindowLayout{};
    g_view = PageView{};
  }
  void TearDown() override {
    DestroyRenderCache();
    DocumentTest::TearDown();
  }
};

std::deque<std::optional<std::u16string>> g_typed;

std::optional<std::u16string> TypeLength(const std::u16string&, const std::u16string&, const std::u16string& initial) {
  EXPECT_FALSE(initial.empty());
  if (g_typed.empty()) return std::nullopt;
  auto answer = g_typed.front();
  g_typed.pop_front();
  return answer;
}

TEST_F(ToolModesTest, StatusLineShowsPageModeUnsavedMarkAndMessage) {
  EXPECT_EQ(StatusLineText(), u"文件→打开 PDF  |  可拖放 PDF 文件到窗口");
  WriteNumberedPdf(WorkPath("twelve.pdf"), 12);
  OpenOrFail(WorkPath("twelve.pdf"));
  ASSERT_TRUE(GoToPage(2));
  g_tool.mode = ToolMode::Hand;
  EXPECT_EQ(StatusLineText(), u"3/12    手形工具：按住鼠标左键拖动浏览页面    ");
  EditOnce();
  g_session.statusText = u"图形已移动";
  EXPECT_EQ(StatusLineText(), u"3/12    手形工具：按住鼠标左键拖动浏览页面    有未保存的更改    图形已移动");
  g_tool.ocrRegion = true;
  EXPECT_EQ(ModeText(), u"OCR：拖动鼠标框选识别区域，Esc 取消");
}

TEST_F(ToolModesTest, HandTwiceReturnsToSelect) {
  ASSERT_TRUE(NewBlankDocument());
  ToggleHand();
  EXPECT_EQ(g_tool.mode, ToolMode::Hand);
  EXPECT_EQ(g_session.statusText, u"手形工具：按住鼠标左键拖动浏览页面");
  ToggleHand();
  EXPECT_EQ(g_tool.mode, ToolMode::Select);
  EXPECT_EQ(g_session.statusText, u"选取模式：使用鼠标指针");
}

TEST_F(ToolModesTest, ALineToolIsDroppedWhenThePageChanged) {
  WriteNumberedPdf(WorkPath("two.pdf"), 2);
  OpenOrFail(WorkPath("two.pdf"));
  ASSERT_TRUE(EnterLineTool(LineToolKind::StraightLine));
  EXPECT_EQ(g_session.statusText, u"直线：拖动确定方向，直线延伸到页面边界");
  ASSERT_TRUE(GoToPage(1));
  OnLeftPress(300, 300);
  EXPECT_EQ(g_tool.mode, ToolMode::Select);
  EXPECT_EQ(g_tool.lineTool, LineToolKind::None);
  EXPECT_EQ(g_session.statusText, u"页面已改变，请重新选择线工具");

  ASSERT_TRUE(EnterLineTool(LineToolKind::Polyline));
  ASSERT_TRUE(GoToPage(0));
  OnRightRelease(300, 300);
  EXPECT_EQ(g_session.statusText, u"页面已改变，请重新选择折线工具");
  EXPECT_EQ(g_tool.mode, ToolMode::Select);
}

TEST_F(ToolModesTest, AShapeKindAfterALineToolLeavesTheLineTool) {
  ASSERT_TRUE(NewBlankDocument());
  ASSERT_TRUE(EnterLineTool(LineToolKind::Polyline));
  ASSERT_TRUE(EnterGeometry(GeometryKind::Point));
  EXPECT_EQ(g_tool.lineTool, LineToolKind::None);
  EXPECT_EQ(g_session.statusText, u"几何绘图：点击放置点");
  // The tool's hint shows once, in the place of the mode's name.
  std::u16string line = StatusLineText();
  EXPECT_EQ(line.rfind(u"1/1    几何绘图：点击放置点    ", 0), 0u);
  EXPECT_EQ(line.find(u"几何绘图：点击放置点"), line.rfind(u"几何绘图：点击放置点"));
  ASSERT_TRUE(EnterGeometry(GeometryKind::Ellipse));
  EXPECT_EQ(StatusLineText().find(u"几何绘图：拖动绘制椭圆"), StatusLineText().rfind(u"几何绘图：拖动绘制椭圆"));
  EXPECT_NE(StatusLineText().find(u"几何绘图：拖动绘制椭圆"), std::u16string::npos);
  g_session.statusText = u"图形已添加";
  EXPECT_NE(StatusLineText().find(u"几何绘图：拖动绘制线段或图形    "), std::u16string::npos);
}

TEST_F(ToolModesTest, ForceEraseAsksFirstAndCancelKeepsTheMode) {
  EXPECT_FALSE(EnterForceErase());
  EXPECT_EQ(g_script.boxes.back().caption, u"强制擦除");
  ASSERT_TRUE(NewBlankDocument());
  EnterPen();
  g_script.answers = {MessageAnswer::Cancel};
  EXPECT_FALSE(EnterForceErase());
  EXPECT_EQ(g_script.boxes.back().caption, u"强制擦除（图片像素）");
  EXPECT_EQ(g_script.boxes.back().buttons, MessageButtons::OkCancel);
  EXPECT_EQ(g_tool.mode, ToolMode::Pen);
  g_script.answers = {MessageAnswer::Ok};
  EXPECT_TRUE(EnterForceErase());
  EXPECT_EQ(g_tool.mode, ToolMode::ForceErase);
  EXPECT_EQ(g_session.statusText, u"擦除模式");
}

TEST_F(ToolModesTest, TheFixedLengthDialogInsistsOnAValidLength) {
  double value = 0;
  EXPECT_TRUE(ParseFixedLength(u"0.01", value));
  EXPECT_TRUE(ParseFixedLength(u"1000", value));
  for (const char16_t* bad : {u"0.009", u"1000.5", u"5cm", u"", u"nan", u"inf", u"-3"}) {
    EXPECT_FALSE(ParseFixedLength(bad, value)) << Utf8(bad);
  }
  ASSERT_TRUE(NewBlankDocument());
  g_platform.askText = TypeLength;
  g_typed = {u"abc", u"7.5"};
  ASSERT_TRUE(EnterLineTool(LineToolKind::FixedLengthSegment));
  EXPECT_DOUBLE_EQ(g_tool.fixedLengthCm, 7.5);
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"长度无效");
  EXPECT_EQ(g_script.boxes[0].text, u"请输入 0.01 到 1000 厘米之间的长度。");
  EXPECT_EQ(g_tool.lineTool, LineToolKind::FixedLengthSegment);
  EXPECT_EQ(g_session.statusText, u"定长线段：拖动确定起点和方向");
  g_typed = {std::nullopt};
  EnterPen();
  EXPECT_FALSE(EnterLineTool(LineToolKind::FixedLengthSegment));
  EXPECT_EQ(g_tool.mode, ToolMode::Pen);
  EXPECT_DOUBLE_EQ(g_tool.fixedLengthCm, 7.5);
  g_platform.askText = nullptr;
}

TEST_F(ToolModesTest, ToolbarPlacesTwentyButtonsAndEnablesByDocumentAndZoom) {
  const auto& buttons = ToolbarButtons();
  ASSERT_EQ(buttons.size(), 20u);
  EXPECT_EQ(buttons[0].x, 4);
  EXPECT_EQ(buttons[1].x, 48);
  EXPECT_EQ(buttons[4].x, 48 + 3 * 44 + 8);   // 画笔 after the first gap
  EXPECT_EQ(buttons[13].x, 48 + 12 * 44 + 16);  // 手形 after the second
  EXPECT_EQ(buttons[14].id, 1148);              // 选择文字 beside it
  EXPECT_EQ(buttons[19].x + 44, 48 + 19 * 44 + 16);
  EXPECT_EQ(ToolbarSeparators(), (std::vector<int>{183, 587}));
  EXPECT_EQ(ToolbarButtonAt(50, 20), 1120);
  EXPECT_EQ(ToolbarButtonAt(181, 20), 0);

  // No document: only the first three.
  for (const auto& b : buttons) {
    EXPECT_EQ(ToolbarButtonEnabled(b.id), b.id == 1139 || b.id == 1120 || b.id == 1121) << b.id;
  }
  ASSERT_TRUE(NewBlankDocument());
  g_view.zoom = 4.2998f;
  EXPECT_FALSE(ToolbarButtonEnabled(1126));
  EXPECT_TRUE(ToolbarButtonEnabled(1125));
  g_tool.mode = ToolMode::Pen;
  EXPECT_TRUE(ToolbarButtonActive(1123));
  EXPECT_TRUE(ToolbarButtonActive(1142));
  g_tool.ocrRegion = true;
  EXPECT_FALSE(ToolbarButtonActive(1123));
  EXPECT_TRUE(ToolbarButtonActive(1141));
  g_layout.fullScreen = true;
  EXPECT_EQ(ToolbarButtonLabel(buttons[12]), u"还原");
  EXPECT_EQ(ToolbarButtonAt(50, 20), 0);
}

TEST_F(ToolModesTest, GesturesFollowTheMode) {
  g_tool.mode = ToolMode::Hand;
  EXPECT_TRUE(CurrentGestureConfig().oneFingerPan);
  g_tool.mode = ToolMode::Pen;
  EXPECT_FALSE(CurrentGestureConfig().oneFingerPan);
  EXPECT_TRUE(CurrentGestureConfig().twoFingerPan);
  g_tool.ocrRegion = true;
  EXPECT_FALSE(CurrentGestureConfig().twoFingerPan);
  EXPECT_FLOAT_EQ(PinchZoom(1.0f, 100, 600), 4.0f);
  EXPECT_FLOAT_EQ(PinchZoom(1.0f, 100, 10), 0.35f);
  EXPECT_FLOAT_EQ(PinchZoom(2.0f, 100, 150), 3.0f);
}

TEST(PencilCursorTest, TheDiagonalPencilHasItsColoursWhereTheFormulaPutsThem) {
  EXPECT_EQ(PencilCursorPixel(0, 0), 0u);           // far from the diagonal
  EXPECT_EQ(PencilCursorPixel(3, 28), 0u);          // the very tip is thinner than a pixel
  EXPECT_EQ(PencilCursorPixel(4, 27), 0xFF252525u);  // the sharpened tip's outline
  EXPECT_EQ(PencilCursorPixel(13, 17), 0xFFFFE6A6u);  // on the axis: highlight
  EXPECT_EQ(PencilCursorPixel(14, 17), 0xFFFFB83Fu);  // beside it: body
  EXPECT_EQ(PencilCursorPixel(22, 8), 0xFFE97991u);   // eraser end
  int opaque = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) opaque += PencilCursorPixel(x, y) != 0 ? 1 : 0;
  }
  EXPECT_GT(opaque, 60);
  EXPECT_LT(opaque, 250);
}

TEST(KeyboardPlacementTest, BelowTheTargetWhenItFitsElseAboveElseAtAnEdge) {
  IntRect work{0, 0, 1920, 1040};
  ScreenPoint below = KeyboardPlacement({100, 200, 400, 230}, 800, 300, work);
  EXPECT_EQ(below.x, 100);
  EXPECT_EQ(below.y, 238);
  ScreenPoint above = KeyboardPlacement({1500, 900, 1800, 930}, 800, 300, work);
  EXPECT_EQ(above.x, 1120);
  EXPECT_EQ(above.y, 592);
  // Fits neither below nor above: the edge with more room.
  ScreenPoint top = KeyboardPlacement({100, 600, 400, 630}, 800, 600, work);
  EXPECT_EQ(top.y, 0);
  ScreenPoint bottom = KeyboardPlacement({100, 430, 400, 460}, 800, 600, work);
  EXPECT_EQ(bottom.y, 1040 - 600);
}

}  // namespace
