// Watermarks added, removed and added again through the commands, on ten pages with the
// current one among them: every page must keep resources other readers can resolve, show the
// text as written and show it translucent.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "content/watermark_commands.h"
#include "document/edit_wrapper.h"
#include "document/session.h"
#include "engine/engine_table.h"
#include "platform/text_encoding.h"
#include "support/document_test.h"
#include "support/reader_checks.h"

namespace {

class WatermarkCycleTest : public DocumentTest {
 protected:
  void Run(void (*command)(), const std::u16string& text = u"") {
    if (!text.empty()) {
      TextDialogRequest answer;
      answer.watermark = true;
      answer.text = text;
      answer.size = 48;
      g_script.textAnswers.push_back(answer);
    }
    EditScope scope = BeginPossibleEdit();
    command();
    EndPossibleEdit(scope);
    ASSERT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  }
  std::string Save(const std::string& name) {
    EXPECT_TRUE(CommitPageContent());
    EXPECT_TRUE(SaveDocumentToPath(g_session.document, WorkPath(name)));
    g_session.modified = false;  // saved: reopening asks nothing
    return WorkPath(name);
  }
  static std::string WithoutLine(std::string text, const std::string& line) {
    for (size_t at = text.find(line + "\n"); at != std::string::npos; at = text.find(line + "\n")) {
      text.erase(at, line.size() + 1);
    }
    return text;
  }
  // The darkest grey near the middle of a page render: the watermark's letters.
  static int DarkestInMiddle(const GreyImage& page) {
    int darkest = 255;
    for (int y = page.height / 4; y < page.height * 3 / 4; ++y) {
      for (int x = page.width / 4; x < page.width * 3 / 4; ++x) darkest = std::min(darkest, page.At(x, y));
    }
    return darkest;
  }
  void ExpectCleanTranslucentWatermarks(const std::string& pdf, int pages) {
    CommandResult poppler = RunCommand("pdftoppm -r 20 '" + pdf + "' '" + WorkPath("quiet") + "'", true);
    EXPECT_TRUE(poppler.ok);
    EXPECT_EQ(poppler.output, "");  // no "ExtGState 'FXE2' is unknown" and the like
    CommandResult mupdf = RunCommand("mutool draw -q -r 20 -o '" + WorkPath("quiet-%d.png") + "' '" + pdf + "'", true);
    EXPECT_TRUE(mupdf.ok);
    EXPECT_EQ(WithoutLine(mupdf.output, "warning: ICC support is not available"), "");  // no "cannot find ExtGState resource"
    for (int i = 0; i < pages; ++i) {
      SCOPED_TRACE("page " + std::to_string(i + 1));
      std::string page = std::to_string(i + 1);
      // The diagonal letters come one a line.
      std::string text = RunCommand("pdftotext -raw -f " + page + " -l " + page + " -enc UTF-8 '" + pdf + "' -").output;
      std::erase_if(text, [](char c) { return std::isspace(static_cast<unsigned char>(c)); });
      EXPECT_EQ(text, "DRAFT");
      EXPECT_NE(RunCommand("mutool draw -q -F txt -o - '" + pdf + "' " + page).output.find("DRAFT"), std::string::npos);
      for (const GreyImage& render : {PopplerRender(pdf, i, WorkPath("")), MupdfRender(pdf, i, WorkPath(""))}) {
        ASSERT_FALSE(render.Empty());
        int darkest = DarkestInMiddle(render);
        EXPECT_LT(darkest, 240);  // the letters are there
        EXPECT_GT(darkest, 190);  // and only a light grey: translucent, not the opaque 128
      }
    }
  }
};

TEST_F(WatermarkCycleTest, AddRemoveAddLeavesResolvableTranslucentWatermarksOnEveryPage) {
  WriteTestPdf(WorkPath("ten.pdf"), std::vector<PageSpec>(10, PageSpec{595, 842, 0, 0}));
  OpenOrFail(WorkPath("ten.pdf"));
  ASSERT_TRUE(SwitchToPage(3));  // the current page is one of the ten

  Run(AddWatermarkCommand, u"DRAFT");
  Run(RemoveWatermarksCommand);
  Run(AddWatermarkCommand, u"DRAFT");
  ExpectCleanTranslucentWatermarks(Save("cycled.pdf"), 10);

  // Once more over a reopened file, removing and adding twice.
  OpenOrFail(WorkPath("cycled.pdf"));
  ASSERT_TRUE(SwitchToPage(0));
  for (int round = 0; round < 2; ++round) {
    Run(RemoveWatermarksCommand);
    Run(AddWatermarkCommand, u"DRAFT");
  }
  ExpectCleanTranslucentWatermarks(Save("cycled-again.pdf"), 10);
}

}  // namespace
