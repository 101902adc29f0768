// Editing the text of a real TeX manual page (the LaTeX Project Public License from Debian's
// documentation): pdfTeX embeds no space glyph and spaces words by kerning in TJ. A line's
// edit is refused with the page as it was; a lone word is edited and read back by poppler.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "content/glyph_coverage.h"
#include "content/text_objects.h"
#include "corpus/corpus_checks.h"
#include "document/session.h"
#include "engine/engine_handles.h"
#include "engine/engine_table.h"
#include "platform/text_encoding.h"
#include "support/document_test.h"

namespace {

class TexManualTest : public DocumentTest {
 protected:
  void SetUp() override {
    DocumentTest::SetUp();
    std::string source = std::string(CORVAN_CORPUS_DIR) + "/lppl.pdf";
    ASSERT_TRUE(Exists(source)) << source << " is missing: the corpus_fetch test makes it";
    std::filesystem::copy_file(source, WorkPath("lppl.pdf"));
    OpenOrFail(WorkPath("lppl.pdf"));
  }
  // The page's text objects with their content, in page order.
  std::vector<std::pair<FPDF_PAGEOBJECT, std::u16string>> Texts() const {
    std::vector<std::pair<FPDF_PAGEOBJECT, std::u16string>> texts;
    ScopedTextPage textPage(g_engine.FPDFText_LoadPage(g_session.currentPage));
    for (int i = 0; i < g_engine.FPDFPage_CountObjects(g_session.currentPage); ++i) {
      FPDF_PAGEOBJECT object = g_engine.FPDFPage_GetObject(g_session.currentPage, i);
      if (g_engine.FPDFPageObj_GetType(object) != kPageObjText) continue;
      texts.push_back({object, ReadTextContent(textPage.get(), object, g_engine).value_or(u"")});
    }
    return texts;
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

bool HasSpace(const std::u16string& text) {
  for (char16_t c : text) {
    if (IsWhiteSpace(c)) return true;
  }
  return false;
}

TEST_F(TexManualTest, ALineIsRefusedAndALoneWordIsEdited) {
  auto texts = Texts();
  auto line = std::find_if(texts.begin(), texts.end(), [](const auto& t) { return HasSpace(t.second) && t.second.size() > 30; });
  ASSERT_NE(line, texts.end());
  std::u16string changed = line->second;
  std::swap(changed[1], changed[2]);
  EXPECT_FALSE(Edit(line->first, changed).Commit());
  ASSERT_EQ(g_script.boxes.size(), 1u) << RecordedBoxesText();
  EXPECT_EQ(g_script.boxes[0].text, u"该文本的字体中没有这些字符，无法写入：空格。原文本保持不变。");
  EXPECT_EQ(Texts(), texts);

  // A word alone in its object: written again it covers the same box.
  auto word = std::find_if(texts.begin(), texts.end(), [](const auto& t) {
    return !HasSpace(t.second) && t.second.size() >= 4 && t.second[0] >= u'a' && t.second[0] <= u'z' &&
           t.second[1] >= u'a' && t.second[1] <= u'z' && t.second[0] != t.second[1];
  });
  ASSERT_NE(word, texts.end());
  std::u16string swapped = word->second;
  std::swap(swapped[0], swapped[1]);
  TextEditOutcome outcome = Edit(word->first, swapped);
  ASSERT_TRUE(outcome.changed) << Utf16ToUtf8(word->second).value_or("") << ": " << RecordedBoxesText();
  ASSERT_TRUE(CommitPageContent());
  ASSERT_TRUE(SaveDocumentToPath(g_session.document, WorkPath("edited.pdf")));
  std::string read = PopplerPageText(WorkPath("edited.pdf"), 0);
  EXPECT_NE(read.find(Utf16ToUtf8(swapped).value_or("?")), std::string::npos) << read;
}

}  // namespace
