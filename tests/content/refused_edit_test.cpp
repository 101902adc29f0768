// Edits the text's own font cannot write, in files other programs made: a LibreOffice page
// whose words use ligature glyphs and a page in the standard Type 1 Helvetica. A refused edit
// must leave the character codes of the page exactly as they were, also once the page content
// is written again; the editor's own text is rebuilt in a new subset instead.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>

#include "content/add_text.h"
#include "content/font_table.h"
#include "content/text_objects.h"
#include "content/text_rebuild.h"
#include "document/session.h"
#include "engine/engine_table.h"
#include "platform/text_encoding.h"
#include "support/document_test.h"
#include "support/reader_checks.h"
#include "support/text_pdf.h"
#include "view/current_context.h"

namespace {

// The bytes of a PDF string operand: literal (with escapes) or hexadecimal.
std::string StringBytes(const std::string& s, size_t& at) {
  std::string bytes;
  if (s[at] == '<') {
    std::string digits;
    for (++at; at < s.size() && s[at] != '>'; ++at) {
      if (std::isxdigit(static_cast<unsigned char>(s[at]))) digits.push_back(s[at]);
    }
    ++at;
    if (digits.size() % 2) digits.push_back('0');
    for (size_t i = 0; i < digits.size(); i += 2) bytes.push_back(char(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return bytes;
  }
  int depth = 0;
  for (++at; at < s.size(); ++at) {
    char c = s[at];
    if (c == '\\' && at + 1 < s.size()) {
      char e = s[++at];
      if (e >= '0' && e <= '7') {
        int value = 0, n = 0;
        for (; n < 3 && at < s.size() && s[at] >= '0' && s[at] <= '7'; ++n, ++at) value = value * 8 + (s[at] - '0');
        --at;
        bytes.push_back(char(value));
      } else {
        const std::string from = "nrtbf", to = "\n\r\t\b\f";
        size_t k = from.find(e);
        bytes.push_back(k == std::string::npos ? e : to[k]);
      }
    } else if (c == '(') {
      ++depth;
      bytes.push_back(c);
    } else if (c == ')') {
      if (depth-- == 0) break;
      bytes.push_back(c);
    } else {
      bytes.push_back(c);
    }
  }
  ++at;
  return bytes;
}

// The character codes every text-showing string of page 1 holds, in content order, one entry
// per string, read from the file's page content (expanded by qpdf).
std::vector<std::string> CharacterCodes(const std::string& pdf, const std::string& work) {
  std::string expanded = work + "/expanded.pdf";
  RunCommand(std::string(CORVAN_QPDF) + " --qdf --object-streams=disable '" + pdf + "' '" + expanded + "'");
  std::string file = ReadBytes(expanded), content;
  for (size_t at = file.find("%% Contents for page 1"); at != std::string::npos;
       at = file.find("%% Contents for page 1", at + 1)) {
    size_t start = file.find("stream\n", at) + 7, end = file.find("endstream", start);
    content += file.substr(start, end - start) + "\n";
  }
  std::vector<std::string> codes;
  bool inText = false;
  for (size_t at = 0; at < content.size();) {
    if (content.compare(at, 2, "BT") == 0) inText = true;
    if (content.compare(at, 2, "ET") == 0) inText = false;
    if (inText && (content[at] == '(' || (content[at] == '<' && content[at + 1] != '<'))) {
      codes.push_back(StringBytes(content, at));
    } else {
      ++at;
    }
  }
  return codes;
}

class RefusedEditTest : public DocumentTest {
 protected:
  static TextDialogRequest Answer(const std::u16string& text) {
    TextDialogRequest answer;
    answer.text = text;
    return answer;
  }
  FPDF_PAGEOBJECT FirstText() const {
    for (int i = 0; i < g_engine.FPDFPage_CountObjects(g_session.currentPage); ++i) {
      FPDF_PAGEOBJECT object = g_engine.FPDFPage_GetObject(g_session.currentPage, i);
      if (g_engine.FPDFPageObj_GetType(object) == kPageObjText) return object;
    }
    return nullptr;
  }
  // Writes the page content again (as the next edit would, with a small line added) and
  // saves; the file's character codes.
  std::vector<std::string> CodesAfterTheNextEdit(const std::string& name) {
    AddLinePath(g_session.currentPage, 20, 20);
    EXPECT_TRUE(CommitPageContent());
    EXPECT_TRUE(SaveDocumentToPath(g_session.document, WorkPath(name)));
    return CharacterCodes(WorkPath(name), WorkPath(""));
  }
  // Each edit is refused with the object untouched, and the codes after the next edit are
  // those the same next edit gives without the refused ones.
  // Each edit with the characters the refusal names.
  struct Refusal {
    std::u16string edit;
    std::u16string named;
  };
  void ExpectRefusedWithoutDamage(const std::string& pdf, const std::vector<Refusal>& edits) {
    OpenOrFail(pdf);
    std::vector<std::string> untouched = CodesAfterTheNextEdit("untouched.pdf");
    ASSERT_FALSE(untouched.empty());
    OpenOrFail(pdf);
    for (const auto& [edit, named] : edits) {
      SCOPED_TRACE(Utf8(edit));
      g_script.boxes.clear();
      g_script.textAnswers = {Answer(edit)};
      FPDF_PAGEOBJECT text = FirstText();
      int objects = g_engine.FPDFPage_CountObjects(g_session.currentPage);
      TextEditOutcome outcome = EditTextObject(g_session.document, g_session.currentPage, text, g_engine);
      EXPECT_FALSE(outcome.Commit());
      ASSERT_EQ(g_script.boxes.size(), 1u) << RecordedBoxesText();
      EXPECT_EQ(g_script.boxes[0].text, u"该文本的字体中没有这些字符，无法写入：" + named + u"。原文本保持不变。");
      EXPECT_EQ(g_engine.FPDFPage_CountObjects(g_session.currentPage), objects);
      EXPECT_EQ(FirstText(), text);
    }
    EXPECT_EQ(CodesAfterTheNextEdit("refused.pdf"), untouched);
  }
};

TEST_F(RefusedEditTest, LigaturesOfALibreOfficePageKeepTheirCodesWhenAnEditIsRefused) {
  std::string html = WorkPath("ligatures.html");
  WriteBytes(html,
             "<html><body><p style=\"font-family:DejaVu Serif;font-size:20pt\">LibreOffice offers efficient "
             "workflows</p></body></html>\n");
  std::string convert = "cd '" + WorkPath("") + "' && soffice -env:UserInstallation=file://" + WorkPath("profile") +
                        " --headless --writer --convert-to pdf --outdir '" + WorkPath("") + "' '" + html +
                        "' >/dev/null 2>&1";
  ASSERT_EQ(std::system(convert.c_str()), 0);
  std::string pdf = WorkPath("ligatures.pdf");
  // The producer wrote the "ff" and "fl" ligature glyphs; the subset has no lone "f".
  ASSERT_NE(RunCommand("pdftotext '" + pdf + "' -").output.find("LibreOffice offers efficient workflows"),
            std::string::npos);
  ASSERT_NE(ReadBytes(pdf).find("Producer"), std::string::npos);
  ExpectRefusedWithoutDamage(pdf, {{u"Office", u"“f”"},
                                   {u"LibreOffice offers efficient workflow", u"“f”“l”"},
                                   {u"LibreOffice 你好", u"“f”“你”“好”"},
                                   {u"LibreOffice offers efficient workflows!", u"“f”“l”“!”"},
                                   {u"Libre Bio", u"“B”"}});
}

TEST_F(RefusedEditTest, AStandardType1FontKeepsItsCodesWhenAnEditIsRefused) {
  WriteTextPdf(WorkPath("helvetica.pdf"), "/MediaBox [0 0 595 842]", TextAt(100, 700, 12, "Plain words"));
  ExpectRefusedWithoutDamage(WorkPath("helvetica.pdf"), {{u"Plain 你好", u"“你”“好”"}, {u"\u0394 delta", u"“\u0394”"}});
}

TEST_F(RefusedEditTest, OwnTextIsRebuiltInANewSubsetKeepingItsLookMarksAndPlace) {
  WriteTextPdf(WorkPath("page.pdf"), "/MediaBox [0 0 595 842]", TextAt(100, 700, 12, "Before"));
  OpenOrFail(WorkPath("page.pdf"));
  TextToolContext ctx = CurrentTextToolContext();
  ASSERT_TRUE(AddTextLines(ctx, {100, 600}, u"focus loss", u"宋体", 20, 0x3366CC));
  ASSERT_EQ(g_engine.FPDFPage_CountObjects(g_session.currentPage), 2);
  FPDF_PAGEOBJECT own = g_engine.FPDFPage_GetObject(g_session.currentPage, 1);
  ASSERT_NE(g_engine.FPDFPageObj_AddMark(own, "KeptMark"), nullptr);
  g_engine.FPDFTextObj_SetTextRenderMode(own, 2);
  // Another object after it, so its place in the page order shows.
  AddLinePath(g_session.currentPage, 20, 20);
  FS_MATRIX before{};
  g_engine.FPDFPageObj_GetMatrix(own, &before);

  g_script.textAnswers = {Answer(u"focus lost 改正")};
  TextEditOutcome outcome = EditTextObject(g_session.document, g_session.currentPage, own, g_engine);
  ASSERT_TRUE(outcome.changed) << RecordedBoxesText();
  ASSERT_NE(outcome.replacement, nullptr);
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  ASSERT_EQ(g_engine.FPDFPage_CountObjects(g_session.currentPage), 3);
  FPDF_PAGEOBJECT rebuilt = g_engine.FPDFPage_GetObject(g_session.currentPage, 1);
  EXPECT_EQ(rebuilt, outcome.replacement);
  FS_MATRIX after{};
  g_engine.FPDFPageObj_GetMatrix(rebuilt, &after);
  EXPECT_FLOAT_EQ(after.a, before.a);
  EXPECT_FLOAT_EQ(after.e, before.e);
  EXPECT_FLOAT_EQ(after.f, before.f);
  float size = 0;
  g_engine.FPDFTextObj_GetFontSize(rebuilt, &size);
  EXPECT_FLOAT_EQ(size, 20);
  unsigned r = 0, g = 0, b = 0, a = 0;
  g_engine.FPDFPageObj_GetFillColor(rebuilt, &r, &g, &b, &a);
  EXPECT_EQ((std::vector<unsigned>{r, g, b, a}), (std::vector<unsigned>{0xCC, 0x66, 0x33, 255}));
  EXPECT_EQ(g_engine.FPDFTextObj_GetTextRenderMode(rebuilt), 2);
  ASSERT_EQ(g_engine.FPDFPageObj_CountMarks(rebuilt), 1);
  unsigned long needed = 0;
  FPDF_WCHAR name[16] = {};
  g_engine.FPDFPageObjMark_GetName(g_engine.FPDFPageObj_GetMark(rebuilt, 0), name, sizeof name, &needed);
  EXPECT_EQ(std::u16string(name, name + needed / 2 - 1), u"KeptMark");
  EXPECT_EQ(EditorFontOf(rebuilt, g_engine), std::optional<std::u16string>(u"宋体"));

  ASSERT_TRUE(CommitPageContent());
  ASSERT_TRUE(SaveDocumentToPath(g_session.document, WorkPath("rebuilt.pdf")));
  std::string text = RunCommand("pdftotext -enc UTF-8 '" + WorkPath("rebuilt.pdf") + "' -").output;
  EXPECT_NE(text.find("focus lost 改正"), std::string::npos) << text;
  EXPECT_EQ(text.find("focus loss"), std::string::npos) << text;
  EXPECT_NE(text.find("Before"), std::string::npos) << text;

  // Text in a font the editor did not embed is never rebuilt.
  EXPECT_EQ(EditorFontOf(g_engine.FPDFPage_GetObject(g_session.currentPage, 0), g_engine), std::nullopt);
}

}  // namespace

