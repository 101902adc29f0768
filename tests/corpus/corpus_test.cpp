// Real documents nobody here wrote (TeX manuals, LibreOffice documents, qpdf, mutool and
// pdfsig variants of them), edited as a teacher would: one pen stroke, or one changed word,
// then 另存为. The copy must be the original's bytes with the edit appended, qpdf must think no
// worse of it, and poppler must render everything the edit did not aim at exactly as before.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "corpus/corpus_checks.h"
#include "document/save_copy.h"
#include "document/session.h"
#include "editing/drawing_commands.h"
#include "editing/selection.h"
#include "editing/text_selection.h"
#include "content/text_objects.h"
#include "engine/engine_handles.h"
#include "engine/engine_table.h"
#include "platform/text_encoding.h"
#include "support/document_test.h"
#include "view/page_view.h"
#include "view/tool_state.h"

namespace {

class CorpusTest : public DocumentTest, public ::testing::WithParamInterface<CorpusFile> {
 protected:
  void SetUp() override {
    DocumentTest::SetUp();
    g_view = PageView{};
    g_layout = WindowLayout{};
    g_tool = ToolState{};
    ClearDrawnSelection();
    source_ = std::string(CORVAN_CORPUS_DIR) + "/" + GetParam().name + ".pdf";
    ASSERT_TRUE(Exists(source_)) << source_ << " is missing: the corpus_fetch test makes it";
    // The editor works on a copy: the corpus stays as fetched.
    original_ = WorkPath(GetParam().name + ".pdf");
    std::filesystem::copy_file(source_, original_);
    OpenOrFail(original_);
    g_view.fitMode = FitMode::FitPage;
    InvalidateRender(false);
    Render();
    ASSERT_TRUE(g_view.valid) << "the editor shows no page of " << GetParam().name;
  }
  void TearDown() override {
    DestroyRenderCache();
    if (HasFailure()) KeepForInspection();
    DocumentTest::TearDown();
  }

  // The original and the copy of a failed case, beside the other tests' artefacts.
  void KeepForInspection() const {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string folder = std::string(CORVAN_ARTEFACTS) + "/corpus/" + CorpusTestName(test->name());
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    std::filesystem::create_directories(folder, ignored);
    std::filesystem::copy_file(original_, folder + "/original.pdf", ignored);
    if (!copy_.empty()) std::filesystem::copy_file(copy_, folder + "/copy.pdf", ignored);
    std::printf("original and copy kept in %s\n", folder.c_str());
  }

  // Pixels of the 40 dpi render covering a rectangle of the window, grown by `margin` pixels.
  PixelBox RenderBox(IntRect client, int renderWidth, int margin) const {
    double scale = double(renderWidth) / std::max(1, g_view.bitmapWidth);
    auto x = [&](int v) { return double(v - g_view.pageRect.left) * scale; };
    auto y = [&](int v) { return double(v - g_view.pageRect.top) * scale; };
    return {int(std::floor(x(client.left))) - margin, int(std::floor(y(client.top))) - margin,
            int(std::ceil(x(client.right))) + margin, int(std::ceil(y(client.bottom))) + margin};
  }

  void SaveCopy() {
    g_script.dialogAnswers = {WorkPath16("copy.pdf")};
    ASSERT_TRUE(SavePdfCopy(u"_annotated.pdf", u"已保存 PDF 副本。")) << RecordedBoxesText();
    ASSERT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
    copy_ = WorkPath("copy.pdf");
  }

  // Everything a copy owes the original: its bytes first, qpdf's verdict, a valid signature,
  // and every compared page as poppler rendered it before, the edited page outside `aimed`
  // (window pixels) and different inside.
  void ExpectOnlyTheAimChanged(int editedPage, IntRect aimed) {
    const std::string& name = GetParam().name;
    std::string before = ReadBytes(original_);
    std::string after = ReadBytes(copy_);
    EXPECT_TRUE(after.size() > before.size() && after.compare(0, before.size(), before) == 0)
        << name << ": the copy (" << after.size() << " bytes) does not start with the original's " << before.size()
        << " bytes: it was rewritten instead of appended to";

    QpdfVerdict was = CheckWithQpdf(original_);
    QpdfVerdict is = CheckWithQpdf(copy_);
    EXPECT_LE(is.rank, was.rank) << name << ": qpdf --check finds the copy worse than the original:\n" << is.complaints;

    if (GetParam().kind == "signed") {
      ASSERT_NE(SignatureReport(original_).find("Signature is Valid"), std::string::npos) << name << ": unsigned original";
      std::string report = SignatureReport(copy_);
      EXPECT_NE(report.find("Signature is Valid"), std::string::npos) << name << ": pdfsig on the copy:\n" << report;
    }

    int pageCount = PageCountByPoppler(original_);
    EXPECT_EQ(PageCountByPoppler(copy_), pageCount) << name;
    std::vector<int> pages = PagesToCompare(pageCount, editedPage);
    pages.push_back(editedPage);
    std::sort(pages.begin(), pages.end());
    std::map<int, GreyImage> was_ = RenderPages(original_, pages, WorkPath(""));
    std::map<int, GreyImage> is_ = RenderPages(copy_, pages, WorkPath(""));
    for (int page : pages) {
      if (was_.count(page) == 0) continue;  // poppler cannot render the original's page either
      if (is_.count(page) == 0) {
        ADD_FAILURE() << name << ": poppler cannot render page " << page + 1 << " of the copy";
        continue;
      }
      PixelBox allowed;
      if (page == editedPage) {
        allowed = RenderBox(aimed, was_[page].width, 2);
        EXPECT_TRUE(DiffersInside(was_[page], is_[page], allowed))
            << name << ": the edit does not show on page " << page + 1 << " of the copy";
      }
      std::string differences = DifferencesOutside(was_[page], is_[page], allowed);
      EXPECT_TRUE(differences.empty()) << name << ": page " << page + 1 << " of " << pageCount
                                       << (page == editedPage ? " (outside the edit)" : " (not edited)")
                                       << " renders differently: " << differences;
    }
  }

  std::string source_;
  std::string original_;
  std::string copy_;
};

// A case listed in open_defects.txt fails today for the reason given there: it is skipped with
// that reason, so every run names it, until a fix takes it off the list.
std::string OpenDefect(const std::string& test, const std::string& name) {
  std::ifstream list(CORVAN_CORPUS_OPEN);
  std::string line;
  while (std::getline(list, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string listedTest, listedName, reason;
    fields >> listedTest >> listedName;
    std::getline(fields, reason);
    if (listedTest == test && listedName == name) return reason.empty() ? "listed" : reason.substr(1);
  }
  return {};
}

TEST_P(CorpusTest, PenStrokeChangesNothingElse) {
  if (std::string why = OpenDefect("PenStrokeChangesNothingElse", GetParam().name); !why.empty()) {
    GTEST_SKIP() << "open defect: " << why;
  }
  int objects = CurrentObjectCount();
  const IntRect& page = g_view.pageRect;
  std::vector<ScreenPoint> stroke;
  for (int i = 0; i <= 8; ++i) {
    stroke.push_back({page.left + page.Width() * (30 + 5 * i) / 100, page.top + page.Height() * (i % 2 == 0 ? 45 : 50) / 100});
  }
  FinishPenStroke(stroke);
  ASSERT_TRUE(g_script.boxes.empty()) << GetParam().name << ": " << RecordedBoxesText();
  ASSERT_EQ(CurrentObjectCount(), objects + 1);
  ASSERT_TRUE(g_session.modified);
  SaveCopy();

  int reach = StrokePixels(g_tool.lineWidth) / 2 + 2;
  IntRect aimed{page.left + page.Width() * 30 / 100 - reach, page.top + page.Height() * 45 / 100 - reach,
                page.left + page.Width() * 70 / 100 + reach, page.top + page.Height() * 50 / 100 + reach};
  ExpectOnlyTheAimChanged(0, aimed);
}

// A word of the text with two neighbouring letters swapped: the font already holds both.
std::optional<std::u16string> SwapTwoLetters(const std::u16string& text) {
  auto letter = [](char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); };
  for (size_t start = 0; start < text.size();) {
    size_t end = start;
    while (end < text.size() && letter(text[end])) ++end;
    for (size_t i = start; end - start >= 4 && i + 1 < end; ++i) {
      if (text[i] != text[i + 1] && text[i] >= u'a' && text[i + 1] >= u'a') {
        std::u16string changed = text;
        std::swap(changed[i], changed[i + 1]);
        return changed;
      }
    }
    start = end + 1;
  }
  return std::nullopt;
}

struct TextChoice {
  FPDF_PAGEOBJECT object = nullptr;
  std::u16string text;
  std::u16string changed;
};

// The page's text objects that hold a word to change, the longest lines first.
std::vector<TextChoice> TextsToEdit() {
  std::vector<TextChoice> choices;
  ScopedTextPage textPage(g_engine.FPDFText_LoadPage(g_session.currentPage));
  for (int i = 0; i < g_engine.FPDFPage_CountObjects(g_session.currentPage); ++i) {
    FPDF_PAGEOBJECT object = g_engine.FPDFPage_GetObject(g_session.currentPage, i);
    if (g_engine.FPDFPageObj_GetType(object) != kPageObjText) continue;
    std::optional<std::u16string> text = ReadTextContent(textPage.get(), object, g_engine);
    if (!text) continue;
    if (auto changed = SwapTwoLetters(*text)) choices.push_back({object, *text, *changed});
  }
  std::stable_sort(choices.begin(), choices.end(),
                   [](const TextChoice& a, const TextChoice& b) { return a.text.size() > b.text.size(); });
  return choices;
}

// The changed word as poppler would read it: the letters around the swap.
std::string ChangedWord(const TextChoice& choice) {
  size_t at = 0;
  while (choice.text[at] == choice.changed[at]) ++at;
  size_t start = at, end = at + 2;
  auto letter = [&](size_t i) {
    if (i >= choice.changed.size()) return false;
    char16_t c = choice.changed[i];
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
  };
  while (start > 0 && letter(start - 1)) --start;
  while (letter(end)) ++end;
  return Utf16ToUtf8(choice.changed.substr(start, end - start)).value_or("");
}

TEST_P(CorpusTest, AcceptedTextEditChangesOnlyThatText) {
  if (std::string why = OpenDefect("AcceptedTextEditChangesOnlyThatText", GetParam().name); !why.empty()) {
    GTEST_SKIP() << "open defect: " << why;
  }
  std::vector<TextChoice> choices = TextsToEdit();
  if (choices.empty()) GTEST_SKIP() << GetParam().name << ": page 1 has no word to change";
  std::optional<TextChoice> accepted;
  IntRect aimed;
  std::string refusals;
  for (size_t i = 0; i < choices.size() && i < 6 && !accepted; ++i) {
    const TextChoice& choice = choices[i];
    std::optional<IntRect> rect = TextScreenRect(choice.object, g_engine, CurrentPageFrame());
    if (!rect) continue;
    ScreenPoint at{(rect->left + rect->right) / 2, (rect->top + rect->bottom) / 2};
    if (HitText(at, g_engine) != choice.object) continue;  // another text lies on top there
    float size = 0;
    g_engine.FPDFTextObj_GetFontSize(choice.object, &size);
    TextDialogRequest answer;
    answer.text = choice.changed;
    answer.size = size;
    answer.editing = true;
    g_script.textAnswers = {answer};
    g_script.boxes.clear();
    ASSERT_TRUE(EditTextAt(at));
    if (g_session.statusText == u"文本已更新") {
      accepted = choice;
      aimed = *rect;
      break;
    }
    // A refusal leaves the page as it was.
    EXPECT_FALSE(g_session.modified) << GetParam().name << ": a refused edit changed the page: " << RecordedBoxesText();
    refusals += "\"" + Utf16ToUtf8(choice.text).value_or("?") + "\": " + RecordedBoxesText();
  }
  if (!accepted) GTEST_SKIP() << GetParam().name << ": the editor refused every edit tried\n" << refusals;
  ASSERT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  SaveCopy();
  ExpectOnlyTheAimChanged(0, aimed);
  std::string word = ChangedWord(*accepted);
  EXPECT_NE(PopplerPageText(copy_, 0).find(word), std::string::npos)
      << GetParam().name << ": poppler does not read \"" << word << "\" on the edited page";
}

INSTANTIATE_TEST_SUITE_P(Files, CorpusTest, ::testing::ValuesIn(ReadCorpusList(CORVAN_CORPUS_LIST)),
                         [](const ::testing::TestParamInfo<CorpusFile>& info) { return CorpusTestName(info.param.name); });

}  // namespace
