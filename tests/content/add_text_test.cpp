// Adding typed lines to real pages through the real engine: how lines stack, when they are
// refused, what a broken-off insertion leaves, which way the text faces on turned and
// cropped pages, and what other readers make of the saved file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "content/add_text.h"
#include "content/font_table.h"
#include "document/session.h"
#include "drawing/drawing_test.h"
#include "engine/engine_table.h"
#include "platform/text_encoding.h"
#include "view/current_context.h"
#include "view/page_view.h"

namespace {

class AddTextTest : public DrawingTest {
 protected:
  bool Add(PagePoint anchor, const std::u16string& text, float size = 20, const TextToolContext* ctx = nullptr) {
    TextToolContext current = CurrentTextToolContext();
    return AddTextLines(ctx != nullptr ? *ctx : current, anchor, text, u"微软雅黑", size, 0xC00000);
  }
  FS_MATRIX MatrixOf(FPDF_PAGEOBJECT object) const {
    FS_MATRIX m{};
    EXPECT_TRUE(g_engine.FPDFPageObj_GetMatrix(object, &m));
    return m;
  }
  std::vector<FPDF_PAGEOBJECT> TextObjects() const {
    std::vector<FPDF_PAGEOBJECT> texts;
    for (FPDF_PAGEOBJECT object : Objects()) {
      if (g_engine.FPDFPageObj_GetType(object) == 1) texts.push_back(object);
    }
    return texts;
  }
  // Renders page 1 of a file at 72 dpi through a command writing a binary PGM, and counts the
  // dark pixels in a box (top-left origin, pixels = points).
  int DarkPixelsOfRender(const std::string& command, const std::string& pgm, int left, int top, int right,
                         int bottom) const {
    if (std::system(command.c_str()) != 0) return -1;
    std::string bytes = ReadBytes(pgm);
    int width = 0, height = 0, maxValue = 0, used = 0;
    if (std::sscanf(bytes.c_str(), "P5 %d %d %d%n", &width, &height, &maxValue, &used) != 3) return -1;
    size_t start = size_t(used) + 1;
    if (bytes.size() < start + size_t(width) * height) return -1;
    int dark = 0;
    for (int y = std::max(0, top); y < std::min(height, bottom); ++y) {
      for (int x = std::max(0, left); x < std::min(width, right); ++x) {
        dark += static_cast<unsigned char>(bytes[start + size_t(y) * width + x]) < 128;
      }
    }
    return dark;
  }
  // Text extracted by poppler from a saved file.
  std::string PdfToText(const std::string& path) const {
    std::string out;
    FILE* pipe = popen(("pdftotext -enc UTF-8 '" + path + "' - 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) return out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
    return out;
  }
};

TEST_F(AddTextTest, LinesStackDownFromTheAnchorKeepingEmptyLines) {
  ShowPage();
  uint64_t generation = EditGeneration();
  ASSERT_TRUE(Add({100, 500}, u"A\r\r B"));
  auto texts = TextObjects();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(TextOf(texts[0]), u"A");
  EXPECT_EQ(TextOf(texts[1]), u" B");
  FS_MATRIX first = MatrixOf(texts[0]), second = MatrixOf(texts[1]);
  EXPECT_FLOAT_EQ(first.e, 100);
  EXPECT_FLOAT_EQ(first.f, 480);               // one size below the anchor
  EXPECT_FLOAT_EQ(second.f, 480 - 2 * 25.0f);  // two pitches of 1.25 × 20 below
  EXPECT_FLOAT_EQ(second.e, 100);
  float size = 0;
  EXPECT_TRUE(g_engine.FPDFTextObj_GetFontSize(texts[0], &size));
  EXPECT_FLOAT_EQ(size * first.a, 20);
  unsigned r, g, b, a;
  ASSERT_TRUE(g_engine.FPDFPageObj_GetFillColor(texts[0], &r, &g, &b, &a));
  EXPECT_EQ(r, 0u);
  EXPECT_EQ(b, 0xC0u) << "blue is the third byte of the colour, red the lowest";
  EXPECT_GT(EditGeneration(), generation);
  EXPECT_TRUE(g_session.modified);
  EXPECT_TRUE(g_session.fullRewrite);
  EXPECT_EQ(g_session.statusText, u"文本已添加");
}

TEST_F(AddTextTest, TextOfOnlyLineEndsOrBeyondThePageIsRefusedAndChangesNothing) {
  ShowPage();
  uint64_t generation = EditGeneration();
  EXPECT_FALSE(Add({100, 500}, u"\r\n\r\n\r"));
  // 34 lines of 20 points need 825 points between the first and last baseline: too many.
  std::u16string tall;
  for (int i = 0; i < 34; ++i) tall += u"行\n";
  tall.pop_back();
  EXPECT_FALSE(Add({100, 800}, tall));
  EXPECT_EQ(CurrentObjectCount(), 0);
  EXPECT_EQ(EditGeneration(), generation);
  EXPECT_FALSE(g_session.modified);
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
}

// The same rule as editing: characters the font has no glyph for are named, nothing is added.
TEST_F(AddTextTest, CharactersTheFontHasNoGlyphForAreNamedAndNothingIsAdded) {
  ShowPage();
  uint64_t generation = EditGeneration();
  EXPECT_FALSE(Add({100, 500}, u"a\uFB00b 😀\n𠀋 你好"));
  ASSERT_EQ(g_script.boxes.size(), 1u) << RecordedBoxesText();
  EXPECT_EQ(g_script.boxes[0].caption, u"文本添加失败");
  EXPECT_EQ(g_script.boxes[0].text, u"所选字体中没有这些字符，无法写入：“\uFB00”“😀”“𠀋”。文本未添加。");
  EXPECT_EQ(g_script.boxes[0].icon, MessageIcon::Warning);
  EXPECT_EQ(CurrentObjectCount(), 0);
  EXPECT_EQ(EditGeneration(), generation);
  EXPECT_FALSE(g_session.modified);

  g_script.boxes.clear();
  EXPECT_TRUE(Add({100, 500}, u"ab 你好\n三角形 ABC"));
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  EXPECT_EQ(CurrentObjectCount(), 2);
}

TEST_F(AddTextTest, TheTopEdgeHoldsTheFirstLineAndTheBottomPushesTheBlockUp) {
  ShowPage();
  ASSERT_TRUE(Add({50, 842}, u"顶"));
  EXPECT_FLOAT_EQ(MatrixOf(TextObjects()[0]).f, 842 - 20);
  ASSERT_TRUE(Add({50, 10}, u"1\n2\n3\n4\n5"));
  auto texts = TextObjects();
  ASSERT_EQ(texts.size(), 6u);
  EXPECT_FLOAT_EQ(MatrixOf(texts[5]).f, 0);    // the last line sits on the page's bottom
  EXPECT_FLOAT_EQ(MatrixOf(texts[1]).f, 100);  // four pitches above it
}

// A library whose insertion breaks off at the second object: after the first went in.
int g_insertCalls = 0;
enum class Break { Refused, CountJumps };
Break g_break = Break::Refused;
FPDF_PAGEOBJECT g_stray = nullptr;
bool g_removeFails = false;

void BreakingInsert(FPDF_PAGE page, FPDF_PAGEOBJECT object) {
  if (++g_insertCalls < 2) return g_engine.FPDFPage_InsertObject(page, object);
  if (g_break == Break::Refused) {
    g_engine.FPDFPageObj_Destroy(object);  // the engine owns it, as a real failure would
    return;
  }
  g_engine.FPDFPage_InsertObject(page, object);  // in, but with a stranger after it
  g_stray = g_engine.FPDFPageObj_CreateNewPath(1, 1);
  g_engine.FPDFPage_InsertObject(page, g_stray);
}

FPDF_BOOL RemoveFailingOnce(FPDF_PAGE page, FPDF_PAGEOBJECT object) {
  if (g_removeFails) {
    g_removeFails = false;
    return 0;
  }
  return g_engine.FPDFPage_RemoveObject(page, object);
}

TEST_F(AddTextTest, AnInsertionBrokenOffAfterTheFirstLineTakesThatLineOffAgain) {
  ShowPage();
  AddLinePath(g_session.currentPage, 10, 10);  // the page's own content, kept throughout
  ASSERT_TRUE(g_engine.FPDFPage_GenerateContent(g_session.currentPage));
  FPDF_PAGEOBJECT own = Objects()[0];
  TextToolContext ctx = CurrentTextToolContext();
  ctx.ops.FPDFPage_InsertObject = BreakingInsert;
  g_insertCalls = 0;
  g_break = Break::Refused;
  uint64_t generation = EditGeneration();
  EXPECT_FALSE(Add({100, 500}, u"第一行\n第二行\n第三行", 20, &ctx));
  EXPECT_EQ(g_insertCalls, 2);
  ASSERT_EQ(CurrentObjectCount(), 1);
  EXPECT_EQ(Objects()[0], own);
  // Nothing stayed behind, so the page counts as unchanged and nobody is warned.
  EXPECT_EQ(EditGeneration(), generation);
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
}

TEST_F(AddTextTest, AnInsertionThatLeftTheCountGrownOrCouldNotBeTakenBackIsReported) {
  ShowPage();
  TextToolContext ctx = CurrentTextToolContext();
  ctx.ops.FPDFPage_InsertObject = BreakingInsert;
  g_insertCalls = 0;
  g_break = Break::CountJumps;
  uint64_t generation = EditGeneration();
  EXPECT_FALSE(Add({100, 500}, u"第一行\n第二行", 20, &ctx));
  // The first line came off again; what the engine did with the second is left to the user.
  for (FPDF_PAGEOBJECT object : Objects()) EXPECT_NE(TextOf(object), u"第一行");
  EXPECT_GT(EditGeneration(), generation);
  EXPECT_EQ(g_session.statusText, u"文本已添加，但生成 PDF 页面内容失败");
  ASSERT_EQ(g_script.boxes.size(), 1u) << RecordedBoxesText();
  EXPECT_EQ(g_script.boxes[0].caption, u"文本插入失败");
  EXPECT_EQ(g_script.boxes[0].text, u"文本插入失败，页面可能已改变，请检查或撤销。");
  EXPECT_EQ(g_script.boxes[0].icon, MessageIcon::Warning);

  // The same break where the first line cannot be taken off the page.
  g_session.modified = false;
  ShowPage();
  ctx = CurrentTextToolContext();
  ctx.ops.FPDFPage_InsertObject = BreakingInsert;
  ctx.ops.FPDFPage_RemoveObject = RemoveFailingOnce;
  g_insertCalls = 0;
  g_break = Break::Refused;
  g_removeFails = true;
  g_script.boxes.clear();
  EXPECT_FALSE(Add({100, 500}, u"第一行\n第二行", 20, &ctx));
  ASSERT_EQ(TextObjects().size(), 1u);
  EXPECT_EQ(TextOf(TextObjects()[0]), u"第一行");
  ASSERT_EQ(g_script.boxes.size(), 1u) << RecordedBoxesText();
  EXPECT_EQ(g_script.boxes[0].text, u"文本插入失败，页面可能已改变，请检查或撤销。");
}

TEST_F(AddTextTest, AFailureWhileBuildingTheLinesLeavesThePageAlone) {
  ShowPage();
  TextToolContext ctx = CurrentTextToolContext();
  static int made = 0;
  made = 0;
  ctx.ops.FPDFText_SetText = [](FPDF_PAGEOBJECT text, FPDF_WIDESTRING s) -> FPDF_BOOL {
    return ++made < 2 && g_engine.FPDFText_SetText(text, s);
  };
  EXPECT_FALSE(Add({100, 500}, u"一\n二\n三", 20, &ctx));
  EXPECT_EQ(CurrentObjectCount(), 0);
  ctx = CurrentTextToolContext();
  ctx.ops.FPDFPage_GenerateContent = nullptr;  // an entry the library lacks
  EXPECT_FALSE(Add({100, 500}, u"一", 20, &ctx));
  EXPECT_EQ(CurrentObjectCount(), 0);
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
}

TEST_F(AddTextTest, TextOnTurnedAndCroppedPagesStartsAtTheClickAndReadsUpright) {
  for (const PageCase& page : TurnedAndCroppedPages()) {
    SCOPED_TRACE(page.name);
    ShowHandMadePage(page.entries);
    const IntRect& r = g_view.pageRect;
    ScreenPoint click{r.left + r.Width() / 4, r.top + r.Height() / 3};
    auto anchor = ScreenToPage(click.x, click.y);
    ASSERT_TRUE(anchor);
    ASSERT_TRUE(Add(*anchor, u"横写L\n第二行", 30));
    auto texts = TextObjects();
    ASSERT_EQ(texts.size(), 2u);
    // Where the text's own axes land on screen: x to the right, y up, baseline one size
    // below the click; a mirrored or turned result fails.
    FS_MATRIX m = MatrixOf(texts[0]);
    float ox, oy, rx, ry, ux, uy;
    PageToScreen(m.e, m.f, ox, oy);
    PageToScreen(m.e + m.a, m.f + m.b, rx, ry);
    PageToScreen(m.e + m.c, m.f + m.d, ux, uy);
    float scale = float(r.Width()) / g_session.pageWidth;
    EXPECT_NEAR(rx - ox, scale, 0.01f);
    EXPECT_NEAR(ry - oy, 0, 0.01f);
    EXPECT_NEAR(ux - ox, 0, 0.01f);
    EXPECT_NEAR(uy - oy, -scale, 0.01f);
    EXPECT_NEAR(ox, float(click.x), 1.0f);
    EXPECT_NEAR(oy, float(click.y) + 30 * scale, 1.0f);
    // The second line is below the first on screen.
    FS_MATRIX m2 = MatrixOf(texts[1]);
    float sx, sy;
    PageToScreen(m2.e, m2.f, sx, sy);
    EXPECT_NEAR(sx, ox, 0.5f);
    EXPECT_NEAR(sy - oy, 37.5f * scale, 1.0f);
    // Rendered: ink right of and below the click, none to its left or above it.
    RenderAgain();
    int inkRight = 0, inkLeft = 0, inkAbove = 0;
    int lineTop = click.y + 2, lineBottom = click.y + int(30 * scale);
    for (int y = lineTop; y < lineBottom; ++y) {
      for (int x = click.x; x < click.x + int(90 * scale); ++x) inkRight += GreenAt({x, y}) < 160;
      for (int x = click.x - int(40 * scale); x < click.x - 2; ++x) inkLeft += GreenAt({x, y}) < 160;
    }
    for (int y = click.y - int(30 * scale); y < click.y - 2; ++y) {
      for (int x = click.x; x < click.x + int(90 * scale); ++x) inkAbove += GreenAt({x, y}) < 160;
    }
    EXPECT_GT(inkRight, 40);
    EXPECT_EQ(inkLeft, 0);
    EXPECT_EQ(inkAbove, 0);
  }
}

TEST_F(AddTextTest, ChineseAndMixedTextIsSavedSubsetAndReadBackByPoppler) {
  ShowPage();
  const std::u16string typed = u"你好，世界 Hello 123\n数学：三角形ABC";
  ASSERT_TRUE(Add({72, 760}, typed, 24));
  SaveAndReopen("text.pdf");
  std::string extracted = PdfToText(WorkPath("text.pdf"));
  EXPECT_NE(extracted.find(Utf8(u"你好，世界 Hello 123")), std::string::npos) << extracted;
  EXPECT_NE(extracted.find(Utf8(u"数学：三角形ABC")), std::string::npos) << extracted;
  // Only the glyphs needed went in: far below the 5 MB face.
  EXPECT_LT(ReadBytes(WorkPath("text.pdf")).size(), 200000u);
  EXPECT_EQ(TextObjects().size(), 2u);
  // Poppler and MuPDF draw it where it was put (first line from x 72, its top 82 points
  // below the page's top, baseline 24 lower) and nothing above it or left of it; PNGs are
  // kept for a person to look at.
  std::string file = WorkPath("text.pdf");
  std::string artefacts = CORVAN_ARTEFACTS;
  std::system(("mkdir -p '" + artefacts + "'").c_str());
  std::system(("pdftoppm -r 72 -png -singlefile '" + file + "' '" + artefacts + "/added-text-poppler'").c_str());
  std::system(("mutool draw -q -r 72 -o '" + artefacts + "/added-text-mupdf.png' '" + file + "' 1").c_str());
  for (const auto& [name, command] : std::vector<std::pair<std::string, std::string>>{
           {"poppler", "pdftoppm -r 72 -gray -singlefile '" + file + "' '" + WorkPath("poppler") + "'"},
           {"mupdf", "mutool draw -q -r 72 -o '" + WorkPath("mupdf.pgm") + "' '" + file + "' 1"}}) {
    SCOPED_TRACE(name);
    std::string pgm = WorkPath(name == "poppler" ? "poppler.pgm" : "mupdf.pgm");
    EXPECT_GT(DarkPixelsOfRender(command, pgm, 72, 82, 72 + 200, 106 + 2), 100);
    EXPECT_EQ(DarkPixelsOfRender(command, pgm, 0, 0, 595, 80), 0);
    EXPECT_EQ(DarkPixelsOfRender(command, pgm, 0, 0, 70, 842), 0);
    EXPECT_EQ(DarkPixelsOfRender(command, pgm, 0, 150, 595, 842), 0);
  }
}

}  // namespace
