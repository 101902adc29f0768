// The page's text and image objects as a list, nested forms included: order, labels, the
// nesting limit, which actions an entry allows, and deleting entries so that the deletion
// survives saving and reopening (the library alone would bring a form's object back).
#include <gtest/gtest.h>

#include "content/object_list.h"
#include "content/text_objects.h"
#include "document/save_copy.h"
#include "document/session.h"
#include "engine/engine_table.h"
#include "platform/text_encoding.h"
#include "support/document_test.h"
#include "support/text_pdf.h"

namespace {

int g_formRemovalsLeft = 0;

FPDF_TEXTPAGE NoTextPage(FPDF_PAGE) { return nullptr; }
int UnreadableForm(FPDF_PAGEOBJECT) { return -1; }
FPDF_PAGEOBJECT NoObject(FPDF_PAGE, int) { return nullptr; }
// Refuses to take a form off the page (its children have already left it by then).
FPDF_BOOL KeepForms(FPDF_PAGE page, FPDF_PAGEOBJECT object) {
  return g_engine.FPDFPageObj_GetType(object) == kPageObjForm ? 0 : g_engine.FPDFPage_RemoveObject(page, object);
}
FPDF_BOOL CountedFormRemoval(FPDF_PAGEOBJECT form, FPDF_PAGEOBJECT child) {
  return g_formRemovalsLeft-- > 0 ? g_engine.FPDFFormObj_RemoveObject(form, child) : 0;
}

class ObjectListTest : public DocumentTest {
 protected:
  std::vector<std::string> Labels(const PageObjectScan& scan) const {
    std::vector<std::string> labels;
    for (const ListedObject& entry : scan.entries) labels.push_back(Utf8(entry.label));
    return labels;
  }
  PageObjectScan Scan(const PdfEngine& ops = g_engine) const { return ScanPageObjects(g_session.currentPage, ops); }
  const ListedObject& Find(const PageObjectScan& scan, const std::string& label) const {
    for (const ListedObject& entry : scan.entries) {
      if (Utf8(entry.label) == label) return entry;
    }
    ADD_FAILURE() << "no entry " << label;
    return scan.entries.front();
  }
  float LeftOf(FPDF_PAGEOBJECT object) const {
    float l, b, r, t;
    EXPECT_TRUE(g_engine.FPDFPageObj_GetBounds(object, &l, &b, &r, &t));
    return l;
  }
  // Commits the page, saves a copy and opens it instead.
  void SaveAndReopen(const std::string& name) {
    NotifyObjectModified();
    g_script.dialogAnswers = {WorkPath16(name)};
    ASSERT_TRUE(SavePdfCopy(u"_annotated.pdf", u"")) << RecordedBoxesText();
    OpenOrFail(WorkPath(name));
  }
};

TEST_F(ObjectListTest, AFormOfTwoTextsListsBothAndDeletingOneLastsThroughSaving) {
  WriteNestedFormPdf(WorkPath("form.pdf"), 1, TextAt(100, 700, 12, "Alpha") + TextAt(100, 600, 12, "Beta"));
  OpenOrFail(WorkPath("form.pdf"));
  PageObjectScan scan = Scan();
  ASSERT_TRUE(scan.ok) << Utf8(scan.message);
  EXPECT_EQ(Labels(scan), (std::vector<std::string>{"[文本] Alpha", "[文本] Beta"}));
  ASSERT_EQ(scan.entries[1].forms.size(), 1u);
  bool touched = false;
  ASSERT_TRUE(DeleteListedObject(g_session.currentPage, scan.entries[1], g_engine, touched));
  EXPECT_TRUE(touched);
  EXPECT_EQ(Labels(Scan()), (std::vector<std::string>{"[文本] Alpha"}));
  SaveAndReopen("deleted.pdf");
  scan = Scan();
  EXPECT_EQ(Labels(scan), (std::vector<std::string>{"[文本] Alpha"}));
  EXPECT_NEAR(LeftOf(scan.entries[0].object), 100.0f, 1.0f);  // the kept text stays in place
  std::string text = ExtractedText(WorkPath("deleted.pdf"));
  EXPECT_NE(text.find("Alpha"), std::string::npos) << text;
  EXPECT_EQ(text.find("Beta"), std::string::npos) << text;
}

TEST_F(ObjectListTest, DeletingTwoFormsDeepKeepsTheOtherObjectsWhereTheFormsDrewThem) {
  // Form 2 is drawn 5 points right of and above form 1.
  WriteNestedFormPdf(WorkPath("nested.pdf"), 2, TextAt(100, 700, 12, "Kept") + TextAt(100, 600, 12, "Gone"));
  OpenOrFail(WorkPath("nested.pdf"));
  PageObjectScan scan = Scan();
  ASSERT_EQ(Labels(scan), (std::vector<std::string>{"[文本] Kept", "[文本] Gone"}));
  EXPECT_EQ(scan.entries[1].forms.size(), 2u);
  float left = LeftOf(scan.entries[0].object) + 5;  // bounds inside a form are the form's own
  bool touched = false;
  ASSERT_TRUE(DeleteListedObject(g_session.currentPage, Find(scan, "[文本] Gone"), g_engine, touched));
  SaveAndReopen("nested-deleted.pdf");
  scan = Scan();
  ASSERT_EQ(Labels(scan), (std::vector<std::string>{"[文本] Kept"}));
  EXPECT_NEAR(LeftOf(scan.entries[0].object), left, 0.5f);
  std::string text = ExtractedText(WorkPath("nested-deleted.pdf"));
  EXPECT_NE(text.find("Kept"), std::string::npos) << text;
  EXPECT_EQ(text.find("Gone"), std::string::npos) << text;
}

TEST_F(ObjectListTest, FormsTheDeletionDoesNotReachStayAsTheyWere) {
  WriteNestedFormPdf(WorkPath("kept.pdf"), 2, TextAt(100, 700, 12, "Inside"),
                     TextAt(100, 300, 12, "Outside") + "q /Fx1 Do Q\n" + TextAt(100, 200, 12, "Dropped"));
  OpenOrFail(WorkPath("kept.pdf"));
  PageObjectScan scan = Scan();
  ASSERT_EQ(Labels(scan), (std::vector<std::string>{"[文本] Outside", "[文本] Inside", "[文本] Dropped"}));
  bool touched = false;
  ASSERT_TRUE(DeleteListedObject(g_session.currentPage, scan.entries[2], g_engine, touched));
  SaveAndReopen("kept-saved.pdf");
  EXPECT_EQ(Labels(Scan()), (std::vector<std::string>{"[文本] Outside", "[文本] Inside"}));
  std::string text = ExtractedText(WorkPath("kept-saved.pdf"));
  EXPECT_NE(text.find("Inside"), std::string::npos) << text;
  EXPECT_EQ(text.find("Dropped"), std::string::npos) << text;
}

TEST_F(ObjectListTest, EditingATextInsideAFormLastsThroughSaving) {
  WriteNestedFormPdf(WorkPath("edit.pdf"), 2, TextAt(100, 700, 12, "Typo here") + TextAt(100, 600, 12, "Other"));
  OpenOrFail(WorkPath("edit.pdf"));
  PageObjectScan scan = Scan();
  TextDialogRequest answer;
  answer.text = u"Fixed here";
  g_script.textAnswers = {answer};
  ASSERT_TRUE(EditListedText(g_session.document, g_session.currentPage, scan.entries[0], g_engine).changed) << RecordedBoxesText();
  SaveAndReopen("edit-saved.pdf");
  EXPECT_EQ(Labels(Scan()), (std::vector<std::string>{"[文本] Fixed here", "[文本] Other"}));
  std::string text = ExtractedText(WorkPath("edit-saved.pdf"));
  EXPECT_NE(text.find("Fixed here"), std::string::npos) << text;
  EXPECT_EQ(text.find("Typo"), std::string::npos) << text;
}

TEST_F(ObjectListTest, FormsAreScannedThirtyTwoDeepAndTheThirtyThirdStopsTheScan) {
  WriteNestedFormPdf(WorkPath("deep32.pdf"), 32, TextAt(100, 500, 12, "Deep"));
  OpenOrFail(WorkPath("deep32.pdf"));
  PageObjectScan scan = Scan();
  ASSERT_TRUE(scan.ok) << Utf8(scan.message);
  EXPECT_EQ(Labels(scan), (std::vector<std::string>{"[文本] Deep"}));
  EXPECT_EQ(scan.entries[0].forms.size(), 32u);

  WriteNestedFormPdf(WorkPath("deep33.pdf"), 33, TextAt(100, 500, 12, "Too deep"));
  OpenOrFail(WorkPath("deep33.pdf"));
  scan = Scan();
  EXPECT_FALSE(scan.ok);
  EXPECT_TRUE(scan.entries.empty());
  EXPECT_EQ(Utf8(scan.message), "PDF 表单嵌套层级过深，无法完成内容扫描。");
}

TEST_F(ObjectListTest, EntriesFollowPageOrderWithAFormsChildrenAtItsPlace) {
  // Page text, a path (not listed), an image, two nested forms around a text, page text.
  std::string inline_image = "q 20 0 0 30 300 100 cm BI /W 2 /H 3 /CS /G /BPC 8 ID ";
  inline_image += std::string("\x00\x40\x80\xc0\xff\x10", 6) + " EI Q\n";
  WriteNestedFormPdf(WorkPath("mixed.pdf"), 2, TextAt(100, 400, 12, "Inner"),
                     TextAt(100, 700, 12, "First") + "0 0 m 100 100 l S\n" + inline_image + "q /Fx1 Do Q\n" +
                         TextAt(100, 600, 12, "Last"));
  OpenOrFail(WorkPath("mixed.pdf"));
  PageObjectScan scan = Scan();
  EXPECT_EQ(Labels(scan), (std::vector<std::string>{"[文本] First", "[图片] 2 × 3", "[文本] Inner", "[文本] Last"}));
  PdfEngine ops = g_engine;
  ops.FPDFImageObj_GetImagePixelSize = nullptr;
  EXPECT_EQ(Labels(Scan(ops))[1], "[图片]");
  ListedActions image = ActionsFor(&scan.entries[1], g_engine);
  EXPECT_FALSE(image.editText);
  EXPECT_TRUE(image.replaceImage);
  EXPECT_TRUE(image.remove);
  ops.FPDFImageObj_LoadJpegFileInline = nullptr;
  EXPECT_FALSE(ActionsFor(&scan.entries[1], ops).replaceImage);
  ListedActions text = ActionsFor(&scan.entries[0], g_engine);
  EXPECT_TRUE(text.editText);
  EXPECT_FALSE(text.replaceImage);
  ops.FPDFText_SetText = nullptr;
  EXPECT_FALSE(ActionsFor(&scan.entries[0], ops).editText);
  ListedActions none = ActionsFor(nullptr, g_engine);
  EXPECT_FALSE(none.editText || none.replaceImage || none.remove);
}

TEST_F(ObjectListTest, LabelsAreCutAfterSixtyFourCharactersAndNameEmptyOrUnreadableText) {
  std::string sixtyFour(64, 'x'), sixtyFive = std::string(60, 'y') + "12345";
  WriteTextPdf(WorkPath("labels.pdf"), "/MediaBox [0 0 595 842]",
               TextAt(10, 700, 8, sixtyFour) + TextAt(10, 650, 8, sixtyFive) + TextAt(10, 600, 8, "     "));
  OpenOrFail(WorkPath("labels.pdf"));
  std::vector<std::string> labels = Labels(Scan());
  ASSERT_EQ(labels.size(), 3u);
  EXPECT_EQ(labels[0], "[文本] " + sixtyFour);
  EXPECT_EQ(labels[1], "[文本] " + std::string(60, 'y') + "1...");
  EXPECT_EQ(labels[2], "[文本] （空文本）");
  EXPECT_EQ(Utf8(TextEntryLabel(u"  line one\r\nline two\r  ")), "[文本] line one  line two");
  EXPECT_EQ(Utf8(TextEntryLabel(std::nullopt)), "[文本] （无法读取文本内容）");
  // Characters, not code units: 65 characters outside the basic plane are cut to 61 whole ones.
  std::u16string wide;
  for (int i = 0; i < 65; ++i) wide += u"\U0001F600";
  std::u16string cut = TextEntryLabel(wide);
  EXPECT_EQ(cut, u"[文本] " + wide.substr(0, 122) + u"...");
}

TEST_F(ObjectListTest, AFormChildCannotBeDeletedWithoutTheFormRemoval) {
  WriteNestedFormPdf(WorkPath("form.pdf"), 1, TextAt(100, 700, 12, "Alpha"));
  OpenOrFail(WorkPath("form.pdf"));
  PageObjectScan scan = Scan();
  PdfEngine ops = g_engine;
  ops.FPDFFormObj_RemoveObject = nullptr;
  EXPECT_FALSE(ActionsFor(&scan.entries[0], ops).remove);
  EXPECT_TRUE(ActionsFor(&scan.entries[0], g_engine).remove);
}

TEST_F(ObjectListTest, ADeletionRefusedPartWayKeepsEveryObjectVisible) {
  WriteNestedFormPdf(WorkPath("form.pdf"), 1,
                     TextAt(100, 700, 12, "Alpha") + TextAt(100, 600, 12, "Beta") + TextAt(100, 500, 12, "Gamma"));
  OpenOrFail(WorkPath("form.pdf"));
  // The children leave the form, then the form refuses to leave the page.
  PdfEngine ops = g_engine;
  ops.FPDFPage_RemoveObject = KeepForms;
  PageObjectScan scan = Scan();
  bool touched = false;
  EXPECT_FALSE(DeleteListedObject(g_session.currentPage, Find(scan, "[文本] Beta"), ops, touched));
  EXPECT_TRUE(touched);
  EXPECT_EQ(Labels(Scan()), (std::vector<std::string>{"[文本] Alpha", "[文本] Beta", "[文本] Gamma"}));

  // One child leaves the form, the second refuses: the first is drawn from the page instead.
  WriteNestedFormPdf(WorkPath("form2.pdf"), 1,
                     TextAt(100, 700, 12, "Alpha") + TextAt(100, 600, 12, "Beta") + TextAt(100, 500, 12, "Gamma"));
  OpenOrFail(WorkPath("form2.pdf"));
  ops = g_engine;
  ops.FPDFFormObj_RemoveObject = CountedFormRemoval;
  g_formRemovalsLeft = 1;
  scan = Scan();
  EXPECT_FALSE(DeleteListedObject(g_session.currentPage, Find(scan, "[文本] Gamma"), ops, touched));
  EXPECT_TRUE(touched);  // the window says the page may have changed; undo takes it back
  EXPECT_EQ(Labels(Scan()), (std::vector<std::string>{"[文本] Alpha", "[文本] Beta", "[文本] Gamma"}));
}

TEST_F(ObjectListTest, AScanThatCannotReadThePageSaysWhy) {
  WriteNestedFormPdf(WorkPath("form.pdf"), 1, TextAt(100, 700, 12, "Alpha"));
  OpenOrFail(WorkPath("form.pdf"));
  struct Case {
    void (*spoil)(PdfEngine&);
    const char* message;
  };
  const Case cases[] = {
      {[](PdfEngine& ops) { ops.FPDFFormObj_GetObject = nullptr; }, "当前 PDFium 运行库不支持编辑 PDF 文本和图片。"},
      {[](PdfEngine& ops) { ops.FPDFText_LoadPage = NoTextPage; }, "无法读取当前页的文本内容。"},
      {[](PdfEngine& ops) { ops.FPDFFormObj_CountObjects = UnreadableForm; }, "无法读取 PDF 表单中的内容对象。"},
      {[](PdfEngine& ops) { ops.FPDFPage_GetObject = NoObject; }, "无法读取当前页的 PDF 对象。"},
  };
  for (const Case& c : cases) {
    PdfEngine ops = g_engine;
    c.spoil(ops);
    PageObjectScan scan = Scan(ops);
    EXPECT_FALSE(scan.ok);
    EXPECT_TRUE(scan.entries.empty());
    EXPECT_EQ(Utf8(scan.message), c.message);
  }
}

}  // namespace
