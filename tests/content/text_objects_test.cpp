// Editing text objects other programs wrote: new content through the text dialog, a new
// effective size by the matrix, a new colour by render mode, deleting. The engine is made to
// fail part-way through the operations table, after something already changed.
#include <gtest/gtest.h>

#include <cmath>
#include <deque>

#include "content/text_objects.h"
#include "document/save_copy.h"
#include "document/session.h"
#include "engine/engine_table.h"
#include "platform/text_encoding.h"
#include "support/document_test.h"
#include "support/text_pdf.h"

namespace {

int g_setFillCalls = 0;
std::deque<std::optional<std::u16string>> g_sizeAnswers;
std::vector<std::u16string> g_sizePrefills;

std::optional<std::u16string> AnswerSize(const std::u16string& title, const std::u16string&, const std::u16string& initial) {
  EXPECT_EQ(Utf8(title), "设置文本字号");
  g_sizePrefills.push_back(initial);
  if (g_sizeAnswers.empty()) return std::nullopt;
  auto answer = g_sizeAnswers.front();
  g_sizeAnswers.pop_front();
  return answer;
}

FPDF_BOOL Refuse2(FPDF_PAGEOBJECT, FPDF_WIDESTRING) { return 0; }
FPDF_BOOL RefuseSize(FPDF_PAGEOBJECT, float) { return 0; }
// Stands in for a size setter this library lacks; the size itself is not what is tested.
FPDF_BOOL AcceptSize(FPDF_PAGEOBJECT, float) { return 1; }
FPDF_BOOL RefuseColour(FPDF_PAGEOBJECT, unsigned, unsigned, unsigned, unsigned) { return 0; }
FPDF_BOOL RefuseRemove(FPDF_PAGE, FPDF_PAGEOBJECT) { return 0; }
FPDF_TEXTPAGE NoTextPage(FPDF_PAGE) { return nullptr; }
unsigned long OddLength(FPDF_PAGEOBJECT, FPDF_TEXTPAGE, FPDF_WCHAR*, unsigned long) { return 7; }
// The second read gives a different length than the first.
unsigned long ShiftingLength(FPDF_PAGEOBJECT text, FPDF_TEXTPAGE page, FPDF_WCHAR* buffer, unsigned long bytes) {
  unsigned long real = g_engine.FPDFTextObj_GetText(text, page, buffer, bytes);
  return buffer == nullptr ? real : real - 2;
}
// Writes texts off the page (the probes) and refuses the page's own text.
FPDF_BOOL OffThePageOnly(FPDF_PAGEOBJECT text, FPDF_WIDESTRING content) {
  for (int i = 0; i < g_engine.FPDFPage_CountObjects(g_session.currentPage); ++i) {
    if (g_engine.FPDFPage_GetObject(g_session.currentPage, i) == text) return 0;
  }
  return g_engine.FPDFText_SetText(text, content);
}
FPDF_BOOL FirstFillOnly(FPDF_PAGEOBJECT o, unsigned r, unsigned g, unsigned b, unsigned a) {
  return ++g_setFillCalls == 1 ? g_engine.FPDFPageObj_SetFillColor(o, r, g, b, a) : 0;
}

struct Rgba {
  unsigned r, g, b, a;
  bool operator==(const Rgba&) const = default;
};

class TextObjectsTest : public DocumentTest {
 protected:
  void SetUp() override {
    DocumentTest::SetUp();
    g_setFillCalls = 0;
    g_sizeAnswers.clear();
    g_sizePrefills.clear();
    g_platform.askText = AnswerSize;
  }
  void TearDown() override {
    g_platform.askText = nullptr;
    DocumentTest::TearDown();
  }
  void Open(const std::string& content, const std::string& resources = "") {
    WriteTextPdf(WorkPath("text.pdf"), "/MediaBox [0 0 595 842]", content, resources);
    OpenOrFail(WorkPath("text.pdf"));
  }
  FPDF_PAGEOBJECT Object(int index) const { return g_engine.FPDFPage_GetObject(g_session.currentPage, index); }
  std::u16string Content(FPDF_PAGEOBJECT text) const {
    FPDF_TEXTPAGE page = g_engine.FPDFText_LoadPage(g_session.currentPage);
    auto content = ReadTextContent(page, text, g_engine);
    g_engine.FPDFText_ClosePage(page);
    return content.value_or(u"<unreadable>");
  }
  FS_MATRIX Matrix(FPDF_PAGEOBJECT o) const {
    FS_MATRIX m{};
    EXPECT_TRUE(g_engine.FPDFPageObj_GetMatrix(o, &m));
    return m;
  }
  static Rgba Fill(FPDF_PAGEOBJECT o) {
    Rgba c{};
    EXPECT_TRUE(g_engine.FPDFPageObj_GetFillColor(o, &c.r, &c.g, &c.b, &c.a));
    return c;
  }
  static Rgba Stroke(FPDF_PAGEOBJECT o) {
    Rgba c{};
    EXPECT_TRUE(g_engine.FPDFPageObj_GetStrokeColor(o, &c.r, &c.g, &c.b, &c.a));
    return c;
  }
  void ExpectOnlyBox(const std::string& caption, const std::string& text) {
    ASSERT_EQ(g_script.boxes.size(), 1u) << RecordedBoxesText();
    EXPECT_EQ(Utf8(g_script.boxes[0].caption), caption);
    EXPECT_EQ(Utf8(g_script.boxes[0].text), text);
  }
  static TextDialogRequest Answer(const std::u16string& text) {
    TextDialogRequest answer;
    answer.text = text;
    return answer;
  }
};

TEST_F(TextObjectsTest, NewContentReplacesTheOldThroughTheEditDialogWithoutASizeRow) {
  Open(TextAt(100, 700, 12, "Helo wrold"));
  g_script.textAnswers = {Answer(u"Hello world")};
  TextEditOutcome outcome = EditTextObject(g_session.document, g_session.currentPage, Object(0), g_engine);
  EXPECT_TRUE(outcome.changed);
  ASSERT_EQ(g_script.textDialogs.size(), 1u);
  EXPECT_TRUE(g_script.textDialogs[0].editing);
  EXPECT_FALSE(g_script.textDialogs[0].sizeEditable);  // the library cannot set a font size
  EXPECT_EQ(g_script.textDialogs[0].text, u"Helo wrold");
  EXPECT_EQ(Content(Object(0)), u"Hello world");
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();

  // Cancel changes nothing and says nothing.
  outcome = EditTextObject(g_session.document, g_session.currentPage, Object(0), g_engine);
  EXPECT_FALSE(outcome.Commit());
  EXPECT_EQ(Content(Object(0)), u"Hello world");
  EXPECT_TRUE(g_script.boxes.empty());

  // Characters the text's own font cannot show would come out as garbage: refused by name,
  // the old content stays.
  g_script.textAnswers = {Answer(u"Hello 你好")};
  EXPECT_FALSE(EditTextObject(g_session.document, g_session.currentPage, Object(0), g_engine).Commit());
  ExpectOnlyBox("编辑文本失败", "该文本的字体中没有这些字符，无法写入：“你”“好”。原文本保持不变。");
  EXPECT_EQ(Content(Object(0)), u"Hello world");
}

TEST_F(TextObjectsTest, ContentThatCannotBeReadOrReplacedIsRefusedWithItsReason) {
  Open(TextAt(100, 700, 12, "Keep me"));
  struct Case {
    void (*spoil)(PdfEngine&);
    const char* message;
  };
  const Case cases[] = {
      {[](PdfEngine& ops) { ops.FPDFText_SetText = nullptr; }, "当前 PDFium 运行库不支持读取或替换 PDF 文本。"},
      {[](PdfEngine& ops) { ops.FPDFText_LoadPage = NoTextPage; }, "无法读取当前页的文本。"},
      {[](PdfEngine& ops) { ops.FPDFTextObj_GetText = OddLength; }, "无法读取所选文本对象。"},
      {[](PdfEngine& ops) { ops.FPDFTextObj_GetText = ShiftingLength; }, "无法读取所选文本对象。"},
  };
  for (const Case& c : cases) {
    PdfEngine ops = g_engine;
    c.spoil(ops);
    g_script.boxes.clear();
    g_script.textAnswers = {Answer(u"Changed")};
    EXPECT_FALSE(EditTextObject(g_session.document, g_session.currentPage, Object(0), ops).Commit());
    ExpectOnlyBox("编辑文本失败", c.message);
    EXPECT_TRUE(g_script.textDialogs.empty());  // refused before the dialog opened
    EXPECT_EQ(Content(Object(0)), u"Keep me");
  }
  PdfEngine ops = g_engine;
  ops.FPDFText_SetText = Refuse2;
  g_script.boxes.clear();
  g_script.textAnswers = {Answer(u"Changed")};
  EXPECT_FALSE(EditTextObject(g_session.document, g_session.currentPage, Object(0), ops).Commit());
  ExpectOnlyBox("编辑文本失败", "PDFium 无法替换该文本。原文本保持不变。");
  EXPECT_EQ(Content(Object(0)), u"Keep me");
}

TEST_F(TextObjectsTest, ASizeThatCannotBeSetLeavesTheTextAsItWasOrSaysThePageChanged) {
  Open(TextAt(100, 700, 12, "Original"));
  // A library that offers the size setter, which then refuses: the size is set before the
  // content, so nothing has changed yet.
  PdfEngine ops = g_engine;
  ops.FPDFTextObj_SetFontSize = RefuseSize;
  TextDialogRequest answer = Answer(u"New content");
  answer.size = 20;
  g_script.textAnswers = {answer};
  TextEditOutcome outcome = EditTextObject(g_session.document, g_session.currentPage, Object(0), ops);
  EXPECT_FALSE(outcome.Commit());
  ASSERT_EQ(g_script.textDialogs.size(), 1u);
  EXPECT_TRUE(g_script.textDialogs[0].sizeEditable);
  EXPECT_FLOAT_EQ(g_script.textDialogs[0].size, 12.0f);
  ExpectOnlyBox("编辑文本失败", "无法修改所选文本字号。");
  EXPECT_EQ(Content(Object(0)), u"Original");

  // The size went in, then the content is refused (the probes alone got through): the page
  // differs and the user is told so.
  ops.FPDFTextObj_SetFontSize = AcceptSize;
  ops.FPDFText_SetText = OffThePageOnly;
  g_script.boxes.clear();
  g_script.textAnswers = {answer};
  outcome = EditTextObject(g_session.document, g_session.currentPage, Object(0), ops);
  EXPECT_FALSE(outcome.changed);
  EXPECT_TRUE(outcome.pageTouched);
  ExpectOnlyBox("编辑文本失败", "PDFium 无法替换该文本。页面可能已改变，请检查或撤销。");
  EXPECT_EQ(Content(Object(0)), u"Original");
}

TEST_F(TextObjectsTest, TheEffectiveSizeScalesTheMatrixAboutTheBaselineStart) {
  // 12 pt drawn at twice its size: the text shows at 24 pt.
  Open("BT /F1 12 Tf 2 0 0 2 100 500 Tm (Scaled) Tj ET\n");
  FPDF_PAGEOBJECT text = Object(0);
  ASSERT_NEAR(*EffectiveFontSize(text, g_engine), 24.0, 1e-4);
  float left0, bottom0, right0, top0;
  g_engine.FPDFPageObj_GetBounds(text, &left0, &bottom0, &right0, &top0);
  g_sizeAnswers = {u"12"};
  EXPECT_TRUE(SetEffectiveFontSize(text, g_engine).changed);
  EXPECT_EQ(g_sizePrefills, std::vector<std::u16string>{u"24.000"});
  FS_MATRIX m = Matrix(text);
  EXPECT_NEAR(m.a, 1.0f, 1e-5);
  EXPECT_NEAR(m.d, 1.0f, 1e-5);
  EXPECT_NEAR(m.b, 0.0f, 1e-5);
  EXPECT_NEAR(m.c, 0.0f, 1e-5);
  EXPECT_NEAR(m.e, 100.0f, 1e-3);  // the baseline start stays where it was
  EXPECT_NEAR(m.f, 500.0f, 1e-3);
  EXPECT_NEAR(*EffectiveFontSize(text, g_engine), 12.0, 1e-4);
  float left, bottom, right, top;
  g_engine.FPDFPageObj_GetBounds(text, &left, &bottom, &right, &top);
  EXPECT_NEAR(left, left0, 1.0f);                          // shrinks towards the baseline start
  EXPECT_NEAR(right - left, (right0 - left0) / 2, 1.0f);   // half as wide, not mirrored
  EXPECT_GT(right, left);
}

TEST_F(TextObjectsTest, TheSizeDialogRefusesOutOfRangeAndUnitsAndKeepsWhatWasTyped) {
  Open("BT /F1 12 Tf 2 0 0 2 100 500 Tm (Scaled) Tj ET\n");
  FPDF_PAGEOBJECT text = Object(0);
  g_sizeAnswers = {u"1000.1", u"0.9", u"12pt", u"abc", u"nan", std::nullopt};
  EXPECT_FALSE(SetEffectiveFontSize(text, g_engine).Commit());
  ASSERT_EQ(g_script.boxes.size(), 5u);
  for (const RecordedBox& box : g_script.boxes) {
    EXPECT_EQ(Utf8(box.caption), "字号无效");
    EXPECT_EQ(Utf8(box.text), "字号必须为 1 到 1000 磅。");
    EXPECT_EQ(box.icon, MessageIcon::Warning);
  }
  EXPECT_EQ(g_sizePrefills[1], u"1000.1");  // the field keeps the refused text
  EXPECT_NEAR(Matrix(text).a, 2.0f, 1e-6);
  double value = 0;
  EXPECT_TRUE(ParseEffectiveSize(u"1000", value));
  EXPECT_TRUE(ParseEffectiveSize(u"1", value));
  EXPECT_FALSE(ParseEffectiveSize(u"", value));
  // Nearly the same size changes nothing.
  g_sizeAnswers = {u"24.0004"};
  EXPECT_FALSE(SetEffectiveFontSize(text, g_engine).Commit());
  EXPECT_NEAR(Matrix(text).a, 2.0f, 1e-6);
}

TEST_F(TextObjectsTest, TheSizeNeedsItsEntryPointsAndItsDialog) {
  Open(TextAt(100, 700, 12, "Size"));
  PdfEngine ops = g_engine;
  ops.FPDFPageObj_GetMatrix = nullptr;
  EXPECT_FALSE(SetEffectiveFontSize(Object(0), ops).Commit());
  ExpectOnlyBox("文本字号设置失败", "无法读取文本字号或变换矩阵。");
  g_script.boxes.clear();
  g_platform.askText = nullptr;
  EXPECT_FALSE(SetEffectiveFontSize(Object(0), g_engine).Commit());
  ExpectOnlyBox("文本字号设置失败", "无法打开字号设置窗口。");
}

// Eight texts, render modes 0 to 7, red fill and blue stroke.
std::string EveryRenderMode() {
  std::string content;
  for (int mode = 0; mode < 8; ++mode) {
    content += "BT /F1 24 Tf " + std::to_string(mode) + " Tr 1 0 0 rg 0 0 1 RG 72 " + std::to_string(700 - 60 * mode) +
               " Td (Mode " + std::to_string(mode) + ") Tj ET\n";
  }
  return content;
}

TEST_F(TextObjectsTest, TheColourChangesWhatTheRenderModeShows) {
  Open(EveryRenderMode());
  const Rgba red{255, 0, 0, 255}, blue{0, 0, 255, 255}, green{0, 255, 0, 255};
  const uint32_t greenChoice = 0x00FF00;
  for (int mode = 0; mode < 8; ++mode) {
    FPDF_PAGEOBJECT text = Object(mode);
    ASSERT_EQ(g_engine.FPDFTextObj_GetTextRenderMode(text), mode);
    g_script.boxes.clear();
    g_script.colourDialogs.clear();
    g_script.colourAnswers = {greenChoice};
    TextEditOutcome outcome = SetTextColour(text, g_engine);
    bool fill = mode == 0 || mode == 2 || mode == 4 || mode == 6;
    bool stroke = mode == 1 || mode == 2 || mode == 5 || mode == 6;
    SCOPED_TRACE("mode " + std::to_string(mode));
    if (!fill && !stroke) {
      EXPECT_FALSE(outcome.Commit());
      ExpectOnlyBox("文本颜色设置失败", "无法读取该文本的可见颜色，无法调整颜色。");
      EXPECT_TRUE(g_script.colourDialogs.empty());
      EXPECT_EQ(Fill(text), red);
      EXPECT_EQ(Stroke(text), blue);
      continue;
    }
    EXPECT_TRUE(outcome.changed);
    ASSERT_EQ(g_script.colourDialogs.size(), 1u);
    EXPECT_EQ(g_script.colourDialogs[0], fill ? 0x0000FFu : 0xFF0000u);  // red in the lowest byte
    EXPECT_EQ(Fill(text), fill ? green : red);
    EXPECT_EQ(Stroke(text), stroke ? green : blue);
  }
}

TEST_F(TextObjectsTest, FillAndStrokeKeepTheirOwnAlpha) {
  Open("BT /F1 24 Tf /Half gs 2 Tr 1 0 0 rg 0 0 1 RG 72 700 Td (Both) Tj ET\n",
       "/ExtGState << /Half << /ca 0.5 /CA 0.25 >> >>");
  FPDF_PAGEOBJECT text = Object(0);
  Rgba fill0 = Fill(text), stroke0 = Stroke(text);
  ASSERT_EQ(fill0.a, 128u);
  ASSERT_EQ(stroke0.a, 64u);
  g_script.colourAnswers = {0x336699u};
  EXPECT_TRUE(SetTextColour(text, g_engine).changed);
  EXPECT_EQ(Fill(text), (Rgba{0x99, 0x66, 0x33, 128}));
  EXPECT_EQ(Stroke(text), (Rgba{0x99, 0x66, 0x33, 64}));
  // Choosing the colour it already has changes nothing.
  g_script.colourAnswers = {0x336699u};
  EXPECT_FALSE(SetTextColour(text, g_engine).Commit());
}

TEST_F(TextObjectsTest, AStrokeThatFailsAfterTheFillPutsTheFillBack) {
  Open("BT /F1 24 Tf 2 Tr 1 0 0 rg 0 0 1 RG 72 700 Td (Both) Tj ET\n");
  FPDF_PAGEOBJECT text = Object(0);
  PdfEngine ops = g_engine;
  ops.FPDFPageObj_SetStrokeColor = RefuseColour;
  g_script.colourAnswers = {0x00FF00u};
  EXPECT_FALSE(SetTextColour(text, ops).Commit());
  ExpectOnlyBox("文本颜色设置失败", "无法设置文本描边颜色。");
  EXPECT_EQ(Fill(text), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(Stroke(text), (Rgba{0, 0, 255, 255}));

  // The fill cannot go back either: the text is left changed and the user is told.
  ops.FPDFPageObj_SetFillColor = FirstFillOnly;
  g_script.boxes.clear();
  g_script.colourAnswers = {0x00FF00u};
  TextEditOutcome outcome = SetTextColour(text, ops);
  EXPECT_TRUE(outcome.changed);
  ExpectOnlyBox("文本颜色设置失败", "无法设置描边颜色，且填充颜色未能恢复。");
  EXPECT_EQ(Fill(text), (Rgba{0, 255, 0, 255}));

  ops = g_engine;
  ops.FPDFPageObj_SetFillColor = RefuseColour;
  g_script.boxes.clear();
  g_script.colourAnswers = {0x0000FFu};
  EXPECT_FALSE(SetTextColour(text, ops).Commit());
  ExpectOnlyBox("文本颜色设置失败", "无法设置文本填充颜色。");
  EXPECT_EQ(Stroke(text), (Rgba{0, 0, 255, 255}));  // the stroke was not touched
  ops.FPDFTextObj_GetTextRenderMode = nullptr;
  g_script.boxes.clear();
  EXPECT_FALSE(SetTextColour(text, ops).Commit());
  ExpectOnlyBox("文本颜色设置失败", "当前 PDF 组件不支持设置文本颜色。");
}

TEST_F(TextObjectsTest, DeletingRemovesTheTextOrLeavesThePageAsItWas) {
  Open(TextAt(100, 700, 12, "First") + TextAt(100, 600, 12, "Second"));
  PdfEngine ops = g_engine;
  ops.FPDFPage_RemoveObject = RefuseRemove;
  EXPECT_FALSE(DeleteTextObject(g_session.currentPage, Object(1), ops));
  ExpectOnlyBox("删除文本失败", "无法从 PDF 页面删除所选文本。");
  EXPECT_EQ(g_engine.FPDFPage_CountObjects(g_session.currentPage), 2);
  EXPECT_TRUE(DeleteTextObject(g_session.currentPage, Object(1), g_engine));
  ASSERT_EQ(g_engine.FPDFPage_CountObjects(g_session.currentPage), 1);
  EXPECT_EQ(Content(Object(0)), u"First");
}

TEST_F(TextObjectsTest, EditedContentIsWhatOtherReadersFindAfterSaving) {
  Open(TextAt(100, 700, 12, "Helo wrold"));
  g_script.textAnswers = {Answer(u"Hello world")};
  ASSERT_TRUE(EditTextObject(g_session.document, g_session.currentPage, Object(0), g_engine).changed);
  NotifyObjectModified();
  g_script.dialogAnswers = {WorkPath16("edited.pdf")};
  ASSERT_TRUE(SavePdfCopy(u"_annotated.pdf", u"")) << RecordedBoxesText();
  std::string text = ExtractedText(WorkPath("edited.pdf"));
  EXPECT_NE(text.find("Hello world"), std::string::npos) << text;
  EXPECT_EQ(text.find("wrold"), std::string::npos) << text;
}

}  // namespace
