// A page written the way TeX writes one: an embedded subset without a space glyph whose widths
// still cover code 0 and letters it has no glyph for, and words spaced by kerning in TJ. An
// edit that would write spaces or letters as glyphs the subset does not have is refused
// naming them; an edit within what the subset holds keeps its spacing.
#include <gtest/gtest.h>

#include "content/font_subset.h"
#include "content/font_table.h"
#include "content/glyph_coverage.h"
#include "content/text_objects.h"
#include "document/session.h"
#include "engine/engine_handles.h"
#include "engine/engine_table.h"
#include "platform/text_encoding.h"
#include "support/document_test.h"
#include "support/reader_checks.h"
#include "support/text_pdf.h"

namespace {

// Letters the subset holds; a space, "z" and "q" it does not.
constexpr const char16_t* kSubsetLetters = u"Thisatnypgewordl";

std::string Stream(const std::string& dictionary, const std::string& bytes) {
  return "<< " + dictionary + " /Length " + std::to_string(bytes.size()) + " >>\nstream\n" + bytes + "\nendstream";
}

void WriteTexLikePage(const std::string& path) {
  std::string face = ReadBytes(Utf16ToUtf8(FontFolder()).value_or("") + "/msyh.ttc");
  ASSERT_FALSE(face.empty());
  std::optional<std::string> subset = SubsetFirstFace(face, kSubsetLetters);
  ASSERT_TRUE(subset.has_value());
  // Widths for codes 0 … 127, as a producer writes them for a whole encoding vector.
  std::string widths = "[";
  for (int code = 0; code < 128; ++code) widths += " 550";
  widths += " ]";
  std::string content =
      "BT /F1 14 Tf 72 700 Td [(This)-333(is)-333(a)-333(tiny)-333(page)]TJ ET\n"
      "BT /F1 14 Tf 72 650 Td [(wordy)]TJ ET\n";
  WritePdfObjects(path, {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                         "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 5 0 R >> >> "
                         "/Contents 4 0 R >>",
                         Stream("", content),
                         "<< /Type /Font /Subtype /TrueType /BaseFont /TEXSUB+WenQuanYiMicroHei /FirstChar 0 "
                         "/LastChar 127 /Widths " + widths + " /Encoding /WinAnsiEncoding /FontDescriptor 6 0 R >>",
                         "<< /Type /FontDescriptor /FontName /TEXSUB+WenQuanYiMicroHei /Flags 32 "
                         "/FontBBox [0 -200 1000 900] /ItalicAngle 0 /Ascent 900 /Descent -200 /CapHeight 700 "
                         "/StemV 80 /FontFile2 7 0 R >>",
                         Stream("/Length1 " + std::to_string(subset->size()), *subset)});
}

class TextSpacingTest : public DocumentTest {
 protected:
  void SetUp() override {
    DocumentTest::SetUp();
    WriteTexLikePage(WorkPath("tex.pdf"));
    OpenOrFail(WorkPath("tex.pdf"));
  }
  FPDF_PAGEOBJECT Text(int n) const {
    for (int i = 0; i < g_engine.FPDFPage_CountObjects(g_session.currentPage); ++i) {
      FPDF_PAGEOBJECT object = g_engine.FPDFPage_GetObject(g_session.currentPage, i);
      if (g_engine.FPDFPageObj_GetType(object) == kPageObjText && n-- == 0) return object;
    }
    return nullptr;
  }
  std::u16string Content(FPDF_PAGEOBJECT text) const {
    ScopedTextPage textPage(g_engine.FPDFText_LoadPage(g_session.currentPage));
    return ReadTextContent(textPage.get(), text, g_engine).value_or(u"");
  }
  TextEditOutcome Edit(FPDF_PAGEOBJECT text, const std::u16string& content) {
    TextDialogRequest answer;
    answer.text = content;
    g_engine.FPDFTextObj_GetFontSize(text, &answer.size);
    g_script.textAnswers = {answer};
    g_script.boxes.clear();
    return EditTextObject(g_session.document, g_session.currentPage, text, g_engine);
  }
};

TEST_F(TextSpacingTest, TheFontWritesItsOwnLettersButNoneItHasNoOutlineFor) {
  FPDF_FONT font = g_engine.FPDFTextObj_GetFont(Text(0));
  ASSERT_NE(font, nullptr);
  // Its widths cover "z", "q" and "u", but it has no outline for them.
  EXPECT_EQ(CharactersFontCannotWrite(font, u"zap quiz", g_engine), u"zqu");
  EXPECT_EQ(CharactersFontCannotWrite(font, u"wordy", g_engine), u"");
  // A space has no outline in any font: its width and how it reads back decide.
  EXPECT_EQ(CharactersFontCannotWrite(font, u"tiny page", g_engine), u"");
  EXPECT_EQ(NameCharacters(u"z qu"), u"“z”“q”“u”、空格");
}

TEST_F(TextSpacingTest, ALineSpacedByKerningIsNotWrittenWithGlyphsTheSubsetLacks) {
  FPDF_PAGEOBJECT line = Text(0);
  // The words are apart by kerning alone; the text layer reads the gaps as spaces.
  ASSERT_EQ(Content(line), u"This is a tiny page");
  int objects = g_engine.FPDFPage_CountObjects(g_session.currentPage);

  struct Case {
    std::u16string edit;
    const char* message;
  };
  for (const Case& c :
       {Case{u"This is a tiny gape", "该文本的字体中没有这些字符，无法写入：空格。原文本保持不变。"},
        Case{u"This is a tiny pagez", "该文本的字体中没有这些字符，无法写入：“z”。原文本保持不变。"}}) {
    SCOPED_TRACE(Utf16ToUtf8(c.edit).value_or(""));
    TextEditOutcome outcome = Edit(line, c.edit);
    EXPECT_FALSE(outcome.Commit());
    ASSERT_EQ(g_script.boxes.size(), 1u) << RecordedBoxesText();
    EXPECT_EQ(g_script.boxes[0].caption, u"编辑文本失败");
    EXPECT_EQ(Utf16ToUtf8(g_script.boxes[0].text).value_or(""), c.message);
    EXPECT_EQ(Content(line), u"This is a tiny page");
    EXPECT_EQ(g_engine.FPDFPage_CountObjects(g_session.currentPage), objects);
  }
  // Nothing on the page was touched: the saved page reads as before, spaces and all.
  ASSERT_TRUE(CommitPageContent());
  ASSERT_TRUE(SaveDocumentToPath(g_session.document, WorkPath("after.pdf")));
  EXPECT_NE(ExtractedText(WorkPath("after.pdf")).find("This is a tiny page"), std::string::npos);
}

TEST_F(TextSpacingTest, AWordOfTheSubsetsOwnLettersIsEditedAndReadBySomeoneElse) {
  FPDF_PAGEOBJECT word = Text(1);
  ASSERT_EQ(Content(word), u"wordy");
  // A letter the subset lacks is refused by name, though the widths cover its code.
  EXPECT_FALSE(Edit(word, u"wordz").Commit());
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(Utf16ToUtf8(g_script.boxes[0].text).value_or(""),
            "该文本的字体中没有这些字符，无法写入：“z”。原文本保持不变。");

  TextEditOutcome outcome = Edit(word, u"rowdy");
  ASSERT_TRUE(outcome.changed) << RecordedBoxesText();
  EXPECT_TRUE(g_script.boxes.empty());
  EXPECT_EQ(Content(word), u"rowdy");
  ASSERT_TRUE(CommitPageContent());
  ASSERT_TRUE(SaveDocumentToPath(g_session.document, WorkPath("after.pdf")));
  std::string read = ExtractedText(WorkPath("after.pdf"));
  EXPECT_NE(read.find("rowdy"), std::string::npos) << read;
  EXPECT_NE(read.find("This is a tiny page"), std::string::npos) << read;
}

}  // namespace
