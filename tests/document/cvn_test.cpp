#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>

#include "document/cvn_container.h"
#include "document/open_document.h"
#include "document/save_copy.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "engine/engine_table.h"
#include "platform/text_encoding.h"
#include "support/document_test.h"
#include "support/limited_folder.h"

namespace {

class CvnTest : public DocumentTest {
 protected:
  // Saves the open document as a CVN file through the dialog.
  void SaveCvnOrFail(const std::string& name) {
    g_script.dialogAnswers = {WorkPath16(name)};
    ASSERT_TRUE(SaveAsCvn()) << RecordedBoxesText();
  }

  // A container around `pdf` with the given header fields.
  static std::string Container(const std::string& pdf, uint32_t version, uint64_t length,
                               const unsigned char* magic = kCvnMagic) {
    std::string bytes(reinterpret_cast<const char*>(magic), 8);
    for (int i = 0; i < 4; ++i) bytes += char((version >> (8 * i)) & 0xFF);
    for (int i = 0; i < 8; ++i) bytes += char((length >> (8 * i)) & 0xFF);
    return bytes + pdf;
  }
};

TEST_F(CvnTest, ARoundTripKeepsPagesObjectsAndTheHeader) {
  WriteNumberedPdf(WorkPath("lesson.pdf"), 3);
  OpenOrFail(WorkPath("lesson.pdf"));
  ASSERT_TRUE(GoToPage(1));
  EditOnce();
  EditOnce();
  SaveCvnOrFail("lesson.cvn");
  EXPECT_EQ(g_script.dialogs.back().defaultName, u"lesson.cvn");
  EXPECT_EQ(g_session.statusText, u"已保存 CVN 文件（保留完整文档及矢量图形）");
  EXPECT_EQ(g_session.path, WorkPath16("lesson.cvn"));
  EXPECT_FALSE(g_session.modified);
  EXPECT_EQ(WorkFiles(), (std::vector<std::string>{"lesson.cvn", "lesson.pdf"}));

  std::string bytes = ReadBytes(WorkPath("lesson.cvn"));
  ASSERT_GT(bytes.size(), 25u);
  EXPECT_EQ(std::memcmp(bytes.data(), kCvnMagic, 8), 0);
  EXPECT_EQ(bytes[8], 1);
  uint64_t length = 0;
  for (int i = 0; i < 8; ++i) length |= uint64_t((unsigned char)bytes[12 + i]) << (8 * i);
  EXPECT_EQ(length, bytes.size() - 20);
  EXPECT_EQ(bytes.substr(20, 5), "%PDF-");

  OpenOrFail(WorkPath("lesson.cvn"));
  EXPECT_EQ(g_session.statusText, u"已打开 CVN 文档，可继续编辑矢量图形");
  EXPECT_TRUE(g_session.fullRewrite);
  EXPECT_NE(g_session.cvnReader, nullptr);
  EXPECT_EQ(PageWidths(g_session.document), (std::vector<float>{300, 301, 302}));
  ASSERT_TRUE(GoToPage(1));
  EXPECT_EQ(CurrentObjectCount(), 3);

  // And out again as a PDF copy, which is a full rewrite of the CVN's document.
  g_script.dialogAnswers = {WorkPath16("lesson_annotated.pdf")};
  ASSERT_TRUE(SavePdfCopy(u"_annotated.pdf", u"已保存 PDF 副本。"));
  EXPECT_EQ(g_script.dialogs.back().defaultName, u"lesson_annotated.pdf");
  OpenOrFail(WorkPath("lesson_annotated.pdf"));
  ASSERT_TRUE(GoToPage(1));
  EXPECT_EQ(CurrentObjectCount(), 3);
}

TEST_F(CvnTest, DamagedHeadersAreReportedByField) {
  WriteNumberedPdf(WorkPath("inner.pdf"), 1);
  std::string pdf = ReadBytes(WorkPath("inner.pdf"));
  unsigned char wrongMagic[8] = {0x43, 0x56, 0x4E, 0x00, 0x0D, 0x0A, 0x1A, 0x0B};
  struct Case {
    const char* name;
    std::string bytes;
    const char16_t* text;
  } cases[] = {
      {"24-bytes.cvn", Container("%PDF", 1, 4), u"CVN 文件无效或已损坏。"},
      {"magic.cvn", Container(pdf, 1, pdf.size(), wrongMagic), u"CVN 文件无效或已损坏。"},
      {"version2.cvn", Container(pdf, 2, pdf.size()), u"此 CVN 版本不受支持。"},
      {"short-length.cvn", Container(pdf, 1, pdf.size() - 1), u"CVN 文件无效或已损坏。"},
      {"tiny-length.cvn", Container("%PDF-", 1, 4), u"CVN 文件无效或已损坏。"},
      {"no-pdf.cvn", Container("XPDF-" + pdf, 1, pdf.size() + 5), u"CVN 文件无效或已损坏。"},
      {"huge.cvn", Container(std::string(1, 'x'), 1, 0x100000000ull), u"CVN 文件无效或已损坏。"},
      {"bare-pdf.cvn", Container("%PDF-", 1, 5), u"文件不是有效的 PDF 文档。"},
  };
  ASSERT_EQ(cases[0].bytes.size(), 24u);
  ASSERT_TRUE(NewBlankDocument());
  EditOnce();
  g_script.answers.assign(std::size(cases) + 1, MessageAnswer::No);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(WorkPath(c.name), c.bytes);
    g_script.boxes.clear();
    EXPECT_FALSE(OpenDocument(WorkPath16(c.name)));
    ASSERT_EQ(g_script.boxes.size(), 2u) << RecordedBoxesText();
    EXPECT_EQ(g_script.boxes[1].caption, u"打开 CVN 失败");
    EXPECT_EQ(g_script.boxes[1].text, c.text);
    EXPECT_EQ(ReadBytes(WorkPath(c.name)), c.bytes);
    EXPECT_TRUE(g_session.createdInMemory);
    EXPECT_TRUE(g_session.modified);
    EXPECT_EQ(g_session.cvnReader, nullptr);
  }
  g_script.boxes.clear();
  EXPECT_FALSE(OpenDocument(WorkPath16("absent.cvn")));
  ASSERT_EQ(g_script.boxes.size(), 2u);
  EXPECT_EQ(g_script.boxes[1].text, u"无法读取 CVN 文件，请检查文件和访问权限。");
  EXPECT_EQ(TempFiles().size(), g_history.undo.size());  // nothing but the one undo record
}

TEST_F(CvnTest, ALengthBeyondTheEngineLimitIsTooLarge) {
  // A sparse file: the header is checked against the real size without writing 4 GB.
  std::string path = WorkPath("huge.cvn");
  std::string header = Container("%PDF-", 1, 0x100000001ull);
  WriteBytes(path, header);
  ASSERT_EQ(truncate(path.c_str(), off_t(0x100000001ull + 20)), 0);
  CvnReader reader;
  EXPECT_EQ(OpenCvnReader(reader, Utf8ToUtf16(path)), kCvnTooLarge);
  EXPECT_EQ(CvnOpenErrorMessage(kCvnTooLarge), u"CVN 文档超过当前引擎支持的大小。");
}

TEST_F(CvnTest, SavingRefusesTheOriginalAndOtherExtensions) {
  WriteNumberedPdf(WorkPath("x.pdf"), 1);
  OpenOrFail(WorkPath("x.pdf"));
  EditOnce();
  SaveCvnOrFail("X.cvn");
  OpenOrFail(WorkPath("X.cvn"));
  EditOnce();
  std::string before = ReadBytes(WorkPath("X.cvn"));

  g_script.dialogAnswers = {WorkPath16("sub/../X.cvn")};
  EXPECT_FALSE(SaveAsCvn());
  EXPECT_EQ(g_script.boxes.back().caption, u"另存为 CVN");
  EXPECT_EQ(g_script.boxes.back().text, u"为保护原文件，请选择另一个文件名保存 CVN 副本。");
  g_script.dialogAnswers = {WorkPath16("y.pdf")};
  EXPECT_FALSE(SaveAsCvn());
  EXPECT_EQ(g_script.boxes.back().text, u"请使用 .cvn 扩展名保存。");
  EXPECT_EQ(ReadBytes(WorkPath("X.cvn")), before);

  SaveCvnOrFail("Y.CVN");
  EXPECT_EQ(g_session.sourcePath, WorkPath16("X.cvn"));
  EXPECT_TRUE(g_session.fullRewrite);
}

TEST_F(CvnTest, AFolderThatRefusesChangesStopsTheSaveBeforeAnyWrite) {
  ASSERT_TRUE(NewBlankDocument());
  EditOnce();
  std::string folder = WorkPath("locked");
  LimitedFolder locked = LimitedFolder::ReadOnly(folder, {{"keep.cvn", "previous"}});
  if (!locked.RefusesWrites()) GTEST_SKIP() << "this machine offers no read-only folder to a root process";
  g_script.dialogAnswers = {Utf8ToUtf16(folder + "/keep.cvn")};
  EXPECT_FALSE(SaveAsCvn());
  ASSERT_EQ(g_script.boxes.size(), 1u) << RecordedBoxesText();
  EXPECT_EQ(g_script.boxes[0].caption, u"另存为 CVN 失败");
  EXPECT_EQ(g_script.boxes[0].text, u"无法创建 CVN 临时文件，原文件未更改。");
  EXPECT_EQ(ReadBytes(folder + "/keep.cvn"), "previous");
  EXPECT_EQ(FolderEntries(folder), (std::vector<std::string>{"keep.cvn"}));
  EXPECT_TRUE(g_session.modified);
}

TEST_F(CvnTest, AFullDiskKeepsThePreviousFileAndLeavesNoTemporary) {
  WriteNumberedPdf(WorkPath("big.pdf"), 400);
  OpenOrFail(WorkPath("big.pdf"));
  EditOnce();
  std::string folder = WorkPath("small-disk");
  LimitedFolder disk = LimitedFolder::SizeLimited(folder, 64 * 1024);
  WriteBytes(folder + "/keep.cvn", "previous");
  g_script.dialogAnswers = {Utf8ToUtf16(folder + "/keep.cvn")};
  disk.ArmWriteLimit();
  bool saved = SaveAsCvn();
  disk.DisarmWriteLimit();
  EXPECT_FALSE(saved);
  ASSERT_EQ(g_script.boxes.size(), 1u) << RecordedBoxesText();
  EXPECT_EQ(g_script.boxes[0].caption, u"另存为 CVN 失败");
  EXPECT_EQ(g_script.boxes[0].text,
            u"无法保存 CVN 文件；原文件未更改。请检查磁盘空间、访问权限和文件大小（最大约 4 GB）。");
  EXPECT_EQ(ReadBytes(folder + "/keep.cvn"), "previous");
  EXPECT_EQ(FolderEntries(folder), (std::vector<std::string>{"keep.cvn"}));
  EXPECT_EQ(g_session.path, WorkPath16("big.pdf"));
  EXPECT_TRUE(g_session.modified);
}

TEST_F(CvnTest, NothingToSaveIsAWarning) {
  EXPECT_FALSE(SaveAsCvn());
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"另存为 CVN");
  EXPECT_EQ(g_script.boxes[0].text, u"请先打开或新建文档。");
  EXPECT_EQ(g_script.boxes[0].icon, MessageIcon::Warning);
}

}  // namespace
