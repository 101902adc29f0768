// The rules typed text passes before it reaches the page: sizes, lengths, line cutting and
// stacking, and where the in-place box may open.
#include <gtest/gtest.h>

#include "content/text_box_layout.h"
#include "content/text_rules.h"

namespace {

TEST(TextRulesTest, SizesAreWholeDecimalNumbersFrom4To144) {
  EXPECT_EQ(ParseTextSize(u"4"), 4.0f);
  EXPECT_EQ(ParseTextSize(u"144"), 144.0f);
  EXPECT_EQ(ParseTextSize(u"18.5"), 18.5f);
  EXPECT_EQ(ParseTextSize(u" 12"), 12.0f);
  for (const char16_t* refused : {u"3.9", u"144.1", u"12pt", u"abc", u"", u" ", u"12 ", u"inf", u"nan", u"0x10",
                                  u"1e3", u"-18", u"１８", u"18,5"}) {
    EXPECT_FALSE(ParseTextSize(refused)) << std::string(refused, refused + std::char_traits<char16_t>::length(refused));
  }
}

TEST(TextRulesTest, TheDialogWantsOneTo4096CharactersAndAValidShownSize) {
  EXPECT_FALSE(CheckTextDialogInput(u"中文", u"18", true));
  auto empty = CheckTextDialogInput(u"", u"18", true);
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->caption, u"文本无效");
  EXPECT_EQ(empty->text, u"请输入 1 到 4096 个字符的文本。");
  EXPECT_FALSE(empty->sizeField);
  EXPECT_FALSE(CheckTextDialogInput(std::u16string(4096, u'字'), u"18", true));
  EXPECT_TRUE(CheckTextDialogInput(std::u16string(4097, u'字'), u"18", true));
  auto size = CheckTextDialogInput(u"文本", u"144.1", true);
  ASSERT_TRUE(size);
  EXPECT_EQ(size->caption, u"字号无效");
  EXPECT_EQ(size->text, u"字号必须为 4 到 144 磅。");
  EXPECT_TRUE(size->sizeField);
  // A hidden size row is not checked.
  EXPECT_FALSE(CheckTextDialogInput(u"文本", u"", false));
}

TEST(TextRulesTest, LineEndsOfEverySpellingCutLinesAndKeepEmptyOnes) {
  auto lines = SplitTextLines(u"A\r\r B");
  ASSERT_TRUE(lines);
  EXPECT_EQ(*lines, (std::vector<std::u16string>{u"A", u"", u" B"}));
  EXPECT_EQ(*SplitTextLines(u"一\r\n二\n三\r"), (std::vector<std::u16string>{u"一", u"二", u"三", u""}));
  EXPECT_FALSE(SplitTextLines(u"\r\n\r\n\r"));
  EXPECT_FALSE(SplitTextLines(u""));
}

TEST(TextRulesTest, TheBlockHangsFromTheAnchorInsideThePage) {
  // Free space: the first baseline is one size below the anchor, then 1.25 sizes apart.
  auto free = LineBaselines(3, 20, 842, 500);
  ASSERT_TRUE(free);
  EXPECT_EQ(*free, (std::vector<float>{480, 455, 430}));
  // At the top edge no higher than page height − size.
  EXPECT_EQ(LineBaselines(1, 20, 842, 842)->front(), 822);
  // Near the bottom the block is pushed up until the last line sits on y = 0.
  auto pushed = LineBaselines(5, 20, 842, 30);
  ASSERT_TRUE(pushed);
  EXPECT_FLOAT_EQ(pushed->back(), 0);
  EXPECT_FLOAT_EQ(pushed->front(), 100);
  // A block taller than the page is refused: 1.25 × 20 × 33 = 825 > 822; 32 gaps fit.
  EXPECT_FALSE(LineBaselines(34, 20, 842, 400));
  EXPECT_TRUE(LineBaselines(33, 20, 842, 400));
}

TEST(TextBoxLayoutTest, TheBoxOpensAtTheClickAndStaysOnThePage) {
  IntRect page{100, 50, 700, 900};  // 600 × 850 pixels for 595 × 842 points
  auto box = LayoutTextBox(page, {200, 300}, 595, 842, 18);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->previewHeight, 18);
  EXPECT_EQ(box->box.left, 200);
  EXPECT_EQ(box->box.top, 300);
  EXPECT_EQ(box->box.Width(), 300);   // half the page's width on screen
  EXPECT_EQ(box->box.Height(), 54);   // three preview lines
  EXPECT_EQ(box->row.x, 200);
  EXPECT_EQ(box->row.y, 274);         // the controls sit above the box
  // Near the right and bottom edges the box moves inwards, 2 pixels from the edge.
  auto corner = LayoutTextBox(page, {690, 890}, 595, 842, 18);
  ASSERT_TRUE(corner);
  EXPECT_EQ(corner->box.right, 698);
  EXPECT_EQ(corner->box.bottom, 898);
  EXPECT_EQ(corner->row.x, 700 - kRowWidth);
  // At the top edge the controls go below the box.
  auto top = LayoutTextBox(page, {200, 51}, 595, 842, 18);
  ASSERT_TRUE(top);
  EXPECT_EQ(top->box.top, 52);
  EXPECT_EQ(top->row.y, top->box.bottom + 2);
  // Narrow pages clamp the width to 180 … 360 and then to the page.
  EXPECT_EQ(LayoutTextBox({0, 0, 2000, 900}, {10, 10}, 2000, 900, 18)->box.Width(), 360);
}

TEST(TextBoxLayoutTest, NoBoxWhereItWouldBeTooSmallToType) {
  // 41 pixels of page: the box would be 39 wide.
  EXPECT_FALSE(LayoutTextBox({0, 0, 43, 800}, {5, 5}, 43, 800, 18));
  EXPECT_TRUE(LayoutTextBox({0, 0, 44, 800}, {5, 5}, 44, 800, 18));
  // A strip 27 pixels high: the box would be 23 high.
  EXPECT_FALSE(LayoutTextBox({0, 0, 800, 27}, {5, 5}, 800, 27, 18));
  EXPECT_TRUE(LayoutTextBox({0, 0, 800, 28}, {5, 5}, 800, 28, 18));
}

}  // namespace
