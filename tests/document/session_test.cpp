#include <gtest/gtest.h>

#include "document/edit_wrapper.h"
#include "document/open_document.h"
#include "document/recent_documents.h"
#include "document/session.h"
#include "engine/engine_table.h"
#include "external/office_conversion.h"
#include "platform/text_encoding.h"
#include "support/document_test.h"

namespace {

class SessionTest : public DocumentTest {};

TEST_F(SessionTest, NewBlankDocumentIsOneUnmodifiedA4Page) {
  ASSERT_TRUE(NewBlankDocument());
  EXPECT_EQ(g_session.pageCount, 1);
  EXPECT_FLOAT_EQ(g_session.pageWidth, 595);
  EXPECT_FLOAT_EQ(g_session.pageHeight, 842);
  EXPECT_TRUE(g_session.createdInMemory);
  EXPECT_FALSE(g_session.modified);
  EXPECT_EQ(WindowTitle(), u"Corvan PDF 编辑器 - 未命名  (1/1)");
  EXPECT_EQ(g_session.statusText, u"");
  ASSERT_TRUE(NewBlankDocument());
  EXPECT_EQ(g_session.statusText, u"已新建空白 PDF");
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
}

TEST_F(SessionTest, TitleShowsFileNamePageAndModifiedMark) {
  WriteNumberedPdf(WorkPath("a.pdf"), 12);
  OpenOrFail(WorkPath("a.pdf"));
  ASSERT_TRUE(GoToPage(2));
  EXPECT_EQ(WindowTitle(), u"Corvan PDF 编辑器 - a.pdf  (3/12)");
  EditOnce();
  EXPECT_EQ(WindowTitle(), u"Corvan PDF 编辑器 - a.pdf  (3/12) *");
  EXPECT_EQ(g_session.statusText, u"");
}

TEST_F(SessionTest, OpeningAPdfInstallsItWithTheHandToolStatus) {
  WriteNumberedPdf(WorkPath("three.pdf"), 3);
  OpenOrFail(WorkPath("three.pdf"));
  EXPECT_EQ(g_session.pageCount, 3);
  EXPECT_EQ(g_session.currentPageIndex, 0);
  EXPECT_FLOAT_EQ(g_session.pageWidth, 300);
  EXPECT_EQ(g_session.path, WorkPath16("three.pdf"));
  EXPECT_EQ(g_session.sourcePath, WorkPath16("three.pdf"));
  EXPECT_FALSE(g_session.createdInMemory);
  EXPECT_FALSE(g_session.fullRewrite);
  EXPECT_EQ(g_session.statusText, u"手形工具：使用鼠标或单指拖动浏览页面");
  std::vector<std::u16string> recent;
  ASSERT_TRUE(ReadRecentDocuments(recent));
  ASSERT_EQ(recent.size(), 1u);
  EXPECT_EQ(recent[0], WorkPath16("three.pdf"));
}

struct BadInput {
  const char* name;
  const char16_t* caption;
  const char16_t* text;
};

// Each bad file is refused with its message; the open document, the file itself and the
// temporary folder are exactly as before.
TEST_F(SessionTest, BadInputIsRefusedAndLosesNothing) {
  WriteNumberedPdf(WorkPath("good.pdf"), 2);
  WriteNumberedPdf(WorkPath("source.pdf"), 4);
  WriteBytes(WorkPath("text.pdf"), "this is just text, not a document\n");
  std::string whole = ReadBytes(WorkPath("source.pdf"));
  WriteBytes(WorkPath("truncated.pdf"), whole.substr(0, 9));
  ASSERT_TRUE(WriteEncryptedCopy(WorkPath("source.pdf"), WorkPath("locked.pdf")));
  // The engine replaces an empty media box by Letter, but a crop box outside the media box
  // leaves a page of zero width.
  WriteHandMadePdf(WorkPath("zero-width.pdf"), "/MediaBox [0 0 595 842] /CropBox [600 0 700 842]");
  WriteBytes(WorkPath("empty.pdf"), "");

  const BadInput cases[] = {
      {"text.pdf", u"打开 PDF 失败", u"文件不是有效的 PDF 文档。"},
      {"truncated.pdf", u"打开 PDF 失败", u"文件不是有效的 PDF 文档。"},
      {"empty.pdf", u"打开 PDF 失败", u"文件不是有效的 PDF 文档。"},
      {"locked.pdf", u"打开 PDF 失败", u"PDF 文件需要密码，当前版本暂不支持打开加密文件。"},
      {"zero-width.pdf", u"打开失败", u"PDF 的页面尺寸无效。"},
      {"missing.pdf", u"打开 PDF 失败", u"无法打开 PDF 文件。"},
  };

  OpenOrFail(WorkPath("good.pdf"));
  ASSERT_TRUE(GoToPage(1));
  EditOnce();
  g_script.answers.assign(std::size(cases), MessageAnswer::No);  // discard the edit each time
  int objectsBefore = CurrentObjectCount();
  auto tempBefore = TempFiles();

  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string before = Exists(WorkPath(c.name)) ? ReadBytes(WorkPath(c.name)) : "";
    g_script.boxes.clear();
    EXPECT_FALSE(OpenDocument(WorkPath16(c.name)));
    ASSERT_EQ(g_script.boxes.size(), 2u) << RecordedBoxesText();  // the question, then the refusal
    EXPECT_EQ(g_script.boxes[0].caption, u"PDF 已修改");
    EXPECT_EQ(g_script.boxes[1].caption, c.caption);
    EXPECT_EQ(g_script.boxes[1].text, c.text);
    EXPECT_EQ(g_script.boxes[1].icon, MessageIcon::Error);
    EXPECT_EQ(g_session.path, WorkPath16("good.pdf"));
    EXPECT_EQ(g_session.pageCount, 2);
    EXPECT_EQ(g_session.currentPageIndex, 1);
    EXPECT_TRUE(g_session.modified);
    EXPECT_EQ(CurrentObjectCount(), objectsBefore);
    EXPECT_EQ(TempFiles(), tempBefore);
    if (Exists(WorkPath(c.name))) {
      EXPECT_EQ(ReadBytes(WorkPath(c.name)), before);
    }
  }
}

TEST_F(SessionTest, CancelAtTheUnsavedChangesQuestionKeepsTheDocument) {
  WriteNumberedPdf(WorkPath("first.pdf"), 2);
  WriteNumberedPdf(WorkPath("second.pdf"), 5);
  OpenOrFail(WorkPath("first.pdf"));
  EditOnce();
  g_script.answers = {MessageAnswer::Cancel};
  EXPECT_FALSE(OpenDocument(WorkPath16("second.pdf")));
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].text, u"文件中的更改尚未保存。\n是：保存 PDF 副本；否：丢弃更改；取消：继续编辑。");
  EXPECT_EQ(g_script.boxes[0].buttons, MessageButtons::YesNoCancel);
  EXPECT_EQ(g_session.pageCount, 2);
  EXPECT_TRUE(g_session.modified);

  g_script.answers = {MessageAnswer::No};
  OpenOrFail(WorkPath("second.pdf"));
  EXPECT_EQ(g_session.pageCount, 5);
  EXPECT_FALSE(g_session.modified);
}

TEST_F(SessionTest, OtherOfficeFilesGoToTheDefaultProgram) {
  WriteNumberedPdf(WorkPath("open.pdf"), 2);
  OpenOrFail(WorkPath("open.pdf"));
  WriteBytes(WorkPath("report.XLSX"), "sheet");
  EXPECT_FALSE(OpenDocument(WorkPath16("report.XLSX")));
  ASSERT_EQ(g_script.openedWithDefaultProgram.size(), 1u);
  EXPECT_EQ(g_script.openedWithDefaultProgram[0], WorkPath16("report.XLSX"));
  EXPECT_EQ(g_session.path, WorkPath16("open.pdf"));
  std::vector<std::u16string> recent;
  ASSERT_TRUE(ReadRecentDocuments(recent));
  ASSERT_EQ(recent.size(), 2u);
  EXPECT_EQ(recent[0], WorkPath16("report.XLSX"));

  g_script.defaultProgramStarts = false;
  EXPECT_FALSE(OpenDocument(WorkPath16("report.XLSX")));
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"打开失败");
  EXPECT_EQ(g_script.boxes[0].text, u"无法使用系统默认程序打开 Office 文档。");
}

TEST_F(SessionTest, TypedPageNumbersMustNameAnExistingPage) {
  WriteNumberedPdf(WorkPath("twelve.pdf"), 12);
  OpenOrFail(WorkPath("twelve.pdf"));
  for (const char16_t* typed : {u"0", u"13", u"3a", u"", u"-1"}) {
    g_script.boxes.clear();
    EXPECT_FALSE(GoToTypedPageNumber(typed));
    ASSERT_EQ(g_script.boxes.size(), 1u);
    EXPECT_EQ(g_script.boxes[0].caption, u"页码无效");
    EXPECT_EQ(g_script.boxes[0].text, u"请输入 1 到总页数之间的页码。");
    EXPECT_EQ(g_script.boxes[0].icon, MessageIcon::Warning);
    EXPECT_EQ(g_session.currentPageIndex, 0);
  }
  g_script.boxes.clear();
  EXPECT_TRUE(GoToTypedPageNumber(u"12"));
  EXPECT_EQ(g_session.currentPageIndex, 11);
  EXPECT_FLOAT_EQ(g_session.pageWidth, 311);
  EXPECT_TRUE(g_script.boxes.empty());
}

TEST_F(SessionTest, NavigationOutsideTheDocumentIsIgnored) {
  WriteNumberedPdf(WorkPath("four.pdf"), 4);
  OpenOrFail(WorkPath("four.pdf"));
  EXPECT_FALSE(GoToPage(-1));
  EXPECT_FALSE(GoToPage(4));
  EXPECT_TRUE(GoToPageOffset(3));
  EXPECT_EQ(g_session.currentPageIndex, 3);
  EXPECT_FALSE(GoToPageOffset(1));
  EXPECT_TRUE(g_script.boxes.empty());
}

// Content generation failing is an engine condition that no input provokes.
FPDF_BOOL FailingGenerateContent(FPDF_PAGE) { return 0; }

TEST_F(SessionTest, FailedContentGenerationWarnsAndKeepsTheEdit) {
  ASSERT_TRUE(NewBlankDocument());
  auto real = g_engine.FPDFPage_GenerateContent;
  g_engine.FPDFPage_GenerateContent = FailingGenerateContent;
  AddLinePath(g_session.currentPage, 10, 10);
  NotifyObjectModified(u"图形已添加");
  WriteNumberedPdf(WorkPath("other.pdf"), 2);
  g_script.answers = {MessageAnswer::No};
  bool opened = OpenDocument(WorkPath16("other.pdf"));
  g_engine.FPDFPage_GenerateContent = real;

  ASSERT_GE(g_script.boxes.size(), 3u) << RecordedBoxesText();
  EXPECT_EQ(g_script.boxes[0].caption, u"PDF 内容更新警告");
  EXPECT_EQ(g_script.boxes[0].text, u"图形已添加，但 PDF 页面内容生成失败；请尽快另存为新文件。");
  EXPECT_EQ(g_script.boxes[0].icon, MessageIcon::Warning);
  EXPECT_TRUE(g_session.modified);
  EXPECT_EQ(CurrentObjectCount(), 1);
  EXPECT_FALSE(opened);
  EXPECT_EQ(g_script.boxes[2].text, u"无法生成已修改页面的内容，原文件仍保留在窗口中。");
  EXPECT_TRUE(g_session.createdInMemory);
}

TEST_F(SessionTest, ConvertibleOfficeFilesNeedTheConverter) {
  ASSERT_TRUE(NewBlankDocument());
  WriteBytes(WorkPath("lesson.PPTX"), "slides");
  auto converter = g_convertOfficeToPdf;
  g_convertOfficeToPdf = nullptr;  // a build without the converter
  EXPECT_FALSE(OpenDocument(WorkPath16("lesson.PPTX")));
  g_convertOfficeToPdf = converter;
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"缺少 Office 文档渲染组件");
  EXPECT_TRUE(g_session.createdInMemory);
}

}  // namespace
