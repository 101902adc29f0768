// One ordinary sitting on one page: many texts in several fonts, labelled shapes, a watermark,
// an edit of an earlier text to characters its subset lacks, undo and redo between them, a save,
// a reopening and more texts. Every word must read back as typed in poppler, and poppler, MuPDF
// and the engine must draw the same page.
#include <gtest/gtest.h>

#include <set>

#include "content/add_text.h"
#include "content/font_table.h"
#include "content/text_objects.h"
#include "content/watermarks.h"
#include "document/edit_wrapper.h"
#include "document/session.h"
#include "drawing/drawing_test.h"
#include "drawing/find_remove.h"
#include "drawing/labels.h"
#include "engine/engine_table.h"
#include "platform/text_encoding.h"
#include "support/reader_checks.h"
#include "view/current_context.h"

namespace {

const char16_t* const kFirstTexts[] = {
    u"甲乙丙丁", u"戊己庚辛", u"子丑寅卯", u"三角形的面积", u"focus loss", u"Quick brown fox", u"0123456789",
    u"辰巳午未", u"(a+b)^2 = a^2+2ab+b^2", u"申酉戌亥", u"春夏秋冬", u"Jumps over 42 lazy dogs", u"东南西北",
    u"x, y; z: !?", u"上中下左右", u"Zebra & Yak #7", u"一二三四五", u"金木水火土", u"[edge] {case} <ok>",
    u"风花雪月"};
const char16_t* const kLaterTexts[] = {u"再打开后", u"Second visit 2026", u"天地玄黄", u"@home ~ 100%", u"宇宙洪荒"};
const char16_t* const kFonts[] = {u"微软雅黑", u"宋体", u"黑体"};

class TextReadsBackTest : public DrawingTest {
 protected:
  // Adds one text as the text tool does, as one undoable step.
  void AddText(int row, const std::u16string& text, int fontIndex) {
    EditScope scope = BeginPossibleEdit();
    bool added = AddTextLines(CurrentTextToolContext(), {40, 800 - 30.0f * row}, text, kFonts[fontIndex % 3], 14,
                              0x202020);
    EndPossibleEdit(scope);
    ASSERT_TRUE(added) << Utf8(text) << RecordedBoxesText();
  }
  FPDF_PAGEOBJECT TextObjectReading(const std::u16string& wanted) const {
    for (FPDF_PAGEOBJECT object : Objects()) {
      if (g_engine.FPDFPageObj_GetType(object) == kPageObjText && TextOf(object) == wanted) return object;
    }
    return nullptr;
  }
  void LabelledTriangle(int left, int top) {
    EditScope scope = BeginPossibleEdit();
    ASSERT_TRUE(EnsureDefaultFont());  // as the triangle tool does: undo reopened the document
    LabelledTriangleAdd added =
        AddLabelledTriangle(CurrentOps(), CurrentLabelContext(), Screen(left, top), Screen(left + 120, top - 100), PenStyle{});
    EndPossibleEdit(scope);
    ASSERT_EQ(added.shape.result, kShapeAdded);
    ASSERT_TRUE(added.labels.ok);
  }
  // Every string appears in poppler's layout text exactly as typed, and every font is a
  // tagged, embedded subset.
  void ExpectReadBack(const std::string& pdf, const std::vector<std::u16string>& strings) {
    CommandResult text = RunCommand("pdftotext -layout -enc UTF-8 '" + pdf + "' -");
    ASSERT_TRUE(text.ok);
    for (const auto& s : strings) EXPECT_NE(text.output.find(Utf8(s)), std::string::npos) << Utf8(s) << "\n" << text.output;
    CommandResult fonts = RunCommand("pdffonts '" + pdf + "'");
    ASSERT_TRUE(fonts.ok);
    std::set<std::string> names;
    size_t lines = 0;
    for (size_t at = fonts.output.find('\n', fonts.output.find("----")); at != std::string::npos;) {
      size_t end = fonts.output.find('\n', at + 1);
      std::string line = fonts.output.substr(at + 1, end == std::string::npos ? std::string::npos : end - at - 1);
      at = end;
      if (line.empty()) continue;
      ++lines;
      EXPECT_NE(line.find(" yes yes yes "), std::string::npos) << line;  // embedded, subset, ToUnicode
      names.insert(line.substr(0, line.find(' ')));
    }
    EXPECT_GE(lines, 2u);
    EXPECT_EQ(names.size(), lines) << fonts.output;  // no two fonts share a name
  }
  void ExpectReadersAgree(const std::string& pdf) {
    GreyImage engine = EngineRender(g_session.currentPage);
    GreyImage poppler = PopplerRender(pdf, 0, WorkPath(""));
    GreyImage mupdf = MupdfRender(pdf, 0, WorkPath(""));
    ASSERT_FALSE(engine.Empty() || poppler.Empty() || mupdf.Empty());
    EXPECT_LT(DifferingBlockShare(engine, poppler), 0.002);
    EXPECT_LT(DifferingBlockShare(engine, mupdf), 0.002);
    CommandResult popplerErrors = RunCommand("pdftoppm -r 20 '" + pdf + "' >/dev/null", true);
    EXPECT_EQ(popplerErrors.output, "");
    CommandResult mupdfErrors = RunCommand("mutool draw -r 20 -o /dev/null '" + pdf + "'", true);
    EXPECT_EQ(mupdfErrors.output.find("error"), std::string::npos) << mupdfErrors.output;
  }
};

TEST_F(TextReadsBackTest, ASittingOfTextsShapesAWatermarkAndAnEditReadsBackInEveryReader) {
  ShowPage();
  std::vector<std::u16string> expected;
  for (int i = 0; i < 20; ++i) {
    AddText(i, kFirstTexts[i], i);
    expected.push_back(kFirstTexts[i]);
    if (i == 9) {  // undo and redo in between
      ASSERT_TRUE(Undo());
      EXPECT_EQ(TextObjectReading(kFirstTexts[9]), nullptr);
      ASSERT_TRUE(Redo());
      EXPECT_NE(TextObjectReading(kFirstTexts[9]), nullptr);
    }
  }
  LabelledTriangle(330, 780);
  LabelledTriangle(330, 620);
  LabelledTriangle(330, 460);
  {
    EditScope scope = BeginPossibleEdit();
    WatermarkOutcome watermark = AddWatermarkToAllPages(WatermarkOpsFromEngine(), g_session.document,
                                                        g_session.currentPage, 0, DefaultFontFor(u"样卷"), u"样卷", 36);
    MarkModified();
    EndPossibleEdit(scope);
    ASSERT_TRUE(watermark.ok) << Utf8(watermark.message);
  }
  // "focus loss" becomes "focus lost": its subset has no "t", so the text is rebuilt.
  {
    FPDF_PAGEOBJECT typo = TextObjectReading(u"focus loss");
    ASSERT_NE(typo, nullptr);
    TextDialogRequest answer;
    answer.text = u"focus lost";
    g_script.textAnswers = {answer};
    EditScope scope = BeginPossibleEdit();
    TextEditOutcome outcome = EditTextObject(g_session.document, g_session.currentPage, typo, g_engine);
    if (outcome.Commit()) NotifyObjectModified(u"文本已更新");
    EndPossibleEdit(scope);
    ASSERT_TRUE(outcome.changed) << RecordedBoxesText();
    expected[4] = u"focus lost";
  }
  ASSERT_TRUE(Undo());
  EXPECT_NE(TextObjectReading(u"focus loss"), nullptr);
  ASSERT_TRUE(Redo());
  EXPECT_NE(TextObjectReading(u"focus lost"), nullptr);
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();

  SaveAndReopen("sitting.pdf");
  ExpectReadBack(WorkPath("sitting.pdf"), expected);
  ExpectReadersAgree(WorkPath("sitting.pdf"));

  for (int i = 0; i < 5; ++i) {
    AddText(20 + i, kLaterTexts[i], i + 1);
    expected.push_back(kLaterTexts[i]);
  }
  for (const auto& s : expected) EXPECT_NE(TextObjectReading(s), nullptr) << Utf8(s);
  SaveAndReopen("reopened.pdf");
  ExpectReadBack(WorkPath("reopened.pdf"), expected);
  ExpectReadersAgree(WorkPath("reopened.pdf"));
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
}

TEST_F(TextReadsBackTest, TextsAndLabelsDeletedThenWrittenAgainInTheSameSubsetReadBack) {
  ShowPage();
  AddText(0, u"删除后重写 abc", 0);
  FPDF_PAGEOBJECT first = TextObjectReading(u"删除后重写 abc");
  ASSERT_NE(first, nullptr);
  ASSERT_TRUE(DeleteTextObject(g_session.currentPage, first, g_engine));
  NotifyObjectModified();
  LabelledTriangle(330, 780);
  std::vector<FPDF_PAGEOBJECT> shapes;
  for (FPDF_PAGEOBJECT object : Objects()) {
    if (g_engine.FPDFPageObj_GetType(object) == kPageObjPath) shapes.push_back(object);
  }
  ASSERT_EQ(shapes.size(), 1u);
  ASSERT_TRUE(RemoveObjects(g_session.currentPage, shapes, CurrentOps()));
  ASSERT_TRUE(CleanOrphanLabels(CurrentOps(), g_session.currentPage, MarkKind::Triangle));
  NotifyObjectModified();
  ASSERT_TRUE(Objects().empty());

  // The same words and labels again: the cached subsets are used a second time on this page.
  AddText(1, u"删除后重写 abc", 0);
  LabelledTriangle(330, 620);
  ASSERT_TRUE(CommitPageContent());
  ASSERT_TRUE(SaveDocumentToPath(g_session.document, WorkPath("again.pdf")));
  ExpectReadBack(WorkPath("again.pdf"), {u"删除后重写 abc"});
  ExpectReadersAgree(WorkPath("again.pdf"));
}

TEST_F(TextReadsBackTest, FourNotesInTheirOwnSubsetsAddLittleToTheFile) {
  WriteTestPdf(WorkPath("plain.pdf"), {{595, 842, 0, 1}});
  OpenOrFail(WorkPath("plain.pdf"));
  ASSERT_TRUE(SaveDocumentToPath(g_session.document, WorkPath("before.pdf")));
  const char16_t* notes[] = {u"三角形的面积等于底乘高除以二", u"注意：单位要统一", u"第二题思路正确，计算有误",
                             u"Well done! 再检查一遍 3.14"};
  std::vector<std::u16string> expected;
  for (int i = 0; i < 4; ++i) {
    AddText(2 * i, notes[i], 0);
    expected.push_back(notes[i]);
  }
  ASSERT_TRUE(CommitPageContent());
  ASSERT_TRUE(SaveDocumentToPath(g_session.document, WorkPath("notes.pdf")));
  EXPECT_LE(ReadBytes(WorkPath("notes.pdf")).size(), ReadBytes(WorkPath("before.pdf")).size() + 40 * 1024);
  ExpectReadBack(WorkPath("notes.pdf"), expected);
}

}  // namespace
