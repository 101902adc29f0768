// Copies of files the editor did not make: shared resources, generation numbers, odd trailers,
// a file rewritten on disk while open, undo records that cost the change.
#include <gtest/gtest.h>

#include "document/edit_wrapper.h"
#include "document/save_copy.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "engine/engine_handles.h"
#include "engine/engine_table.h"
#include "platform/file_system.h"
#include "platform/text_encoding.h"
#include "support/document_test.h"
#include "support/reader_checks.h"

namespace {

class OpenedBytesTest : public DocumentTest {
 protected:
  std::string SaveCopy(const std::string& name) {
    g_script.dialogAnswers = {WorkPath16(name)};
    EXPECT_TRUE(SavePdfCopy(u"_annotated.pdf", u"已保存 PDF 副本。"));
    return ReadBytes(WorkPath(name));
  }
  // qpdf finds nothing wrong, not even a warning it recovers from.
  void ExpectQpdfClean(const std::string& name) {
    CommandResult check = RunCommand(std::string(CORVAN_QPDF) + " --check '" + WorkPath(name) + "'", true);
    EXPECT_TRUE(check.ok) << check.output;
    EXPECT_EQ(check.output.find("WARNING"), std::string::npos) << check.output;
  }
};

// Three pages under one resource dictionary, whose ExtGState is an object of its own: page 2
// fills a box half transparent through /GS1, which pages 1 and 3 never use. This is how
// LibreOffice and TeX's pgf share resources across a book.
void WriteSharedResourcesPdf(const std::string& path) {
  WritePdfObjects(path, {
      "<< /Type /Catalog /Pages 2 0 R >>",
      "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 3 /MediaBox [0 0 200 200] >>",
      "<< /Type /Page /Parent 2 0 R /Resources 6 0 R /Contents 8 0 R >>",
      "<< /Type /Page /Parent 2 0 R /Resources 6 0 R /Contents 9 0 R >>",
      "<< /Type /Page /Parent 2 0 R /Contents 10 0 R >>",  // inherits nothing: drawn plain
      "<< /ExtGState 7 0 R /ProcSet [/PDF] >>",
      "<< /GS1 << /ca 0.5 >> >>",
      "<< /Length 25 >>\nstream\n0 0 1 rg 10 10 50 50 re f\nendstream",
      "<< /Length 31 >>\nstream\n/GS1 gs 0 g 20 20 160 160 re f\nendstream",
      "<< /Length 25 >>\nstream\n0 0 0 rg 10 10 80 80 re f\nendstream",
  });
}

TEST_F(OpenedBytesTest, AStrokeOnOnePageLeavesEveryOtherPageAsItWasInTheViewAndInTheCopy) {
  WriteSharedResourcesPdf(WorkPath("shared.pdf"));
  std::string original = ReadBytes(WorkPath("shared.pdf"));
  GreyImage page2Before = PopplerRender(WorkPath("shared.pdf"), 1, work_);
  ASSERT_FALSE(page2Before.Empty());
  double halfGrey = MeanGrey(page2Before, 60, 60, 140, 140);
  ASSERT_GT(halfGrey, 100);  // the transparency shows before anything is done
  OpenOrFail(WorkPath("shared.pdf"));

  // A translucent stroke on page 1 makes the engine add a graphics state and prune the page's.
  EditScope scope = BeginPossibleEdit();
  FPDF_PAGEOBJECT path = g_engine.FPDFPageObj_CreateNewPath(20, 150);
  g_engine.FPDFPath_LineTo(path, 180, 150);
  g_engine.FPDFPath_SetDrawMode(path, 0, 1);
  g_engine.FPDFPageObj_SetStrokeColor(path, 230, 35, 35, 128);
  g_engine.FPDFPageObj_SetStrokeWidth(path, 6);
  g_engine.FPDFPage_InsertObject(g_session.currentPage, path);
  NotifyObjectModified(u"图形已添加");
  EndPossibleEdit(scope);

  // The editor's own view of page 2 still has its transparency.
  ScopedPage second(g_engine.FPDF_LoadPage(g_session.document, 1));
  GreyImage inView = EngineRender(second.get());
  EXPECT_NEAR(MeanGrey(inView, 60, 60, 140, 140), halfGrey, 12);
  second.reset();

  std::string copy = SaveCopy("copy.pdf");
  EXPECT_EQ(copy.substr(0, original.size()), original);
  ExpectQpdfClean("copy.pdf");
  EXPECT_NEAR(MeanGrey(PopplerRender(WorkPath("copy.pdf"), 1, work_), 60, 60, 140, 140), halfGrey, 12);
  EXPECT_EQ(DifferingBlockShare(PopplerRender(WorkPath("copy.pdf"), 2, work_),
                                PopplerRender(WorkPath("shared.pdf"), 2, work_)),
            0.0);
  // The stroke itself is there, in another reader too.
  EXPECT_LT(MeanGrey(PopplerRender(WorkPath("copy.pdf"), 0, work_), 30, 46, 170, 54), 250);
  EXPECT_EQ(ObjectCountOfFile(WorkPath("copy.pdf"), 0), 2);
}

TEST_F(OpenedBytesTest, GenerationNumbersAndLiteralIdsWithBracketsSurviveTheCopy) {
  // Object 3 (the page) at generation 2, and an /ID written as literal strings holding "]",
  // "(" and a backslash, as some writers do.
  std::string body = "%PDF-1.7\n";
  std::vector<size_t> offsets;
  auto add = [&](const std::string& head, const std::string& text) {
    offsets.push_back(body.size());
    body += head + " obj\n" + text + "\nendobj\n";
  };
  add("1 0", "<< /Type /Catalog /Pages 2 0 R >>");
  add("2 0", "<< /Type /Pages /Kids [3 2 R] /Count 1 >>");
  add("3 2", "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Resources << >> /Contents 4 0 R >>");
  add("4 0", "<< /Length 25 >>\nstream\n0 0 1 rg 10 10 50 50 re f\nendstream");
  size_t xref = body.size();
  body += "xref\n0 5\n0000000000 65535 f \n";
  const char* generations[] = {"00000", "00000", "00002", "00000"};
  for (size_t i = 0; i < offsets.size(); ++i) {
    char line[40];
    std::snprintf(line, sizeof line, "%010zu %s n \n", offsets[i], generations[i]);
    body += line;
  }
  body += "trailer\n<< /Size 5 /Root 1 0 R /ID [(a]b\\(c\\\\) (x]y)] >>\nstartxref\n" + std::to_string(xref) +
          "\n%%EOF\n";
  WriteBytes(WorkPath("odd.pdf"), body);
  OpenOrFail(WorkPath("odd.pdf"));
  EditOnce();
  std::string copy = SaveCopy("odd-copy.pdf");
  EXPECT_EQ(copy.substr(0, body.size()), body);
  ExpectQpdfClean("odd-copy.pdf");
  CommandResult info = RunCommand("pdfinfo '" + WorkPath("odd-copy.pdf") + "'", true);
  size_t pages = info.output.find("Pages:");
  ASSERT_NE(pages, std::string::npos) << info.output;
  EXPECT_EQ(std::atoi(info.output.c_str() + pages + 6), 1) << info.output;
  EXPECT_EQ(info.output.find("Syntax"), std::string::npos) << info.output;
  EXPECT_EQ(ObjectCountOfFile(WorkPath("odd-copy.pdf"), 0), 2);
  // The page keeps its generation in the update.
  EXPECT_NE(copy.find("3 2 obj", body.size()), std::string::npos);
}

TEST_F(OpenedBytesTest, AFileRewrittenOnDiskWhileOpenIsCopiedAsItWasReadAndTheUserIsTold) {
  WriteNumberedPdf(WorkPath("lesson.pdf"), 3);
  std::string read = ReadBytes(WorkPath("lesson.pdf"));
  OpenOrFail(WorkPath("lesson.pdf"));
  // A LaTeX run replaces the file in place with another document; a second one truncates it.
  WriteNumberedPdf(WorkPath("other.pdf"), 5);
  WriteBytes(WorkPath("lesson.pdf"), ReadBytes(WorkPath("other.pdf")));
  ASSERT_TRUE(GoToPage(2));
  EditOnce();
  std::string copy = SaveCopy("copy.pdf");
  EXPECT_EQ(copy.substr(0, read.size()), read);
  EXPECT_EQ(PageWidthsOfFile(WorkPath("copy.pdf")), (std::vector<float>{300, 301, 302}));
  EXPECT_EQ(ObjectCountOfFile(WorkPath("copy.pdf"), 2), 2);
  EXPECT_NE(g_session.statusText.find(u"原文件在打开后已被其他程序更改"), std::u16string::npos);

  WriteBytes(WorkPath("lesson.pdf"), read.substr(0, read.size() / 3));
  EditOnce();
  SaveCopy("copy2.pdf");
  EXPECT_EQ(PageWidthsOfFile(WorkPath("copy2.pdf")), (std::vector<float>{300, 301, 302}));
  EXPECT_EQ(ObjectCountOfFile(WorkPath("copy2.pdf"), 2), 3);
}

TEST_F(OpenedBytesTest, UndoRecordsHoldOnlyTheChangeAndRestoreItExactly) {
  WriteNumberedPdf(WorkPath("book.pdf"), 400);
  uint64_t bookSize = ReadBytes(WorkPath("book.pdf")).size();
  OpenOrFail(WorkPath("book.pdf"));
  EditOnce();
  EditOnce();
  ASSERT_EQ(g_history.undo.size(), 2u);
  for (const auto& record : g_history.undo) EXPECT_LT(record.fileBytes, 16u * 1024) << bookSize;
  EXPECT_EQ(CurrentObjectCount(), 3);
  ASSERT_TRUE(Undo());
  EXPECT_EQ(CurrentObjectCount(), 2);
  // A step after the undo, then a second undo and a redo: each from records of the change.
  ASSERT_TRUE(GoToPage(7));
  EditOnce();
  ASSERT_TRUE(Undo());
  ASSERT_TRUE(GoToPage(0));
  EXPECT_EQ(CurrentObjectCount(), 2);
  ASSERT_TRUE(Undo());
  EXPECT_EQ(CurrentObjectCount(), 1);
  ASSERT_TRUE(Redo());
  EXPECT_EQ(CurrentObjectCount(), 2);
  std::string copy = SaveCopy("book-copy.pdf");
  EXPECT_EQ(copy.size() > bookSize, true);
  EXPECT_LT(copy.size(), bookSize + 8 * 1024);
  EXPECT_EQ(ObjectCountOfFile(WorkPath("book-copy.pdf"), 0), 2);
  EXPECT_EQ(ObjectCountOfFile(WorkPath("book-copy.pdf"), 7), 1);
}

TEST_F(OpenedBytesTest, TemporariesLeftBesideATargetByAKilledSaveAreRemovedNextTime) {
  WriteNumberedPdf(WorkPath("a.pdf"), 1);
  OpenOrFail(WorkPath("a.pdf"));
  EditOnce();
  WriteBytes(WorkPath("copy.pdf-Ab12Cd.tmp"), "left by a killed save");
  WriteBytes(WorkPath("copy.pdf-notours.tmp"), "another pattern");
  WriteBytes(WorkPath("other.pdf-Ab12Cd.tmp"), "beside another target");
  SaveCopy("copy.pdf");
  EXPECT_FALSE(Exists(WorkPath("copy.pdf-Ab12Cd.tmp")));
  EXPECT_TRUE(Exists(WorkPath("copy.pdf-notours.tmp")));
  EXPECT_TRUE(Exists(WorkPath("other.pdf-Ab12Cd.tmp")));
}

}  // namespace
