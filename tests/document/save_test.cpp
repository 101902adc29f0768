#include <gtest/gtest.h>

#include "document/cvn_container.h"
#include "document/page_operations.h"
#include "document/open_document.h"
#include "document/save_copy.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "platform/text_encoding.h"
#include "support/document_test.h"
#include "support/limited_folder.h"

namespace {

class SaveTest : public DocumentTest {};

size_t CountOf(const std::string& haystack, const std::string& needle) {
  size_t count = 0;
  for (size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++count;
  return count;
}

TEST_F(SaveTest, ProposesAnAnnotatedCopyAndRefusesTheOriginalInAnySpelling) {
  WriteNumberedPdf(WorkPath("a.pdf"), 2);
  OpenOrFail(WorkPath("a.pdf"));
  EditOnce();
  std::string original = ReadBytes(WorkPath("a.pdf"));
  g_script.dialogAnswers = {WorkPath16("sub/../a.pdf")};
  EXPECT_FALSE(SavePdfCopy(u"_annotated.pdf", u"已保存 PDF 副本。"));
  ASSERT_EQ(g_script.dialogs.size(), 1u);
  EXPECT_EQ(g_script.dialogs[0].defaultName, u"a_annotated.pdf");
  EXPECT_EQ(g_script.dialogs[0].defaultExtension, u"pdf");
  EXPECT_TRUE(g_script.dialogs[0].confirmOverwrite);
  EXPECT_EQ(g_script.dialogs[0].filters[0].description, u"PDF 文件 (*.pdf)");
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"PDF 保存");
  EXPECT_EQ(g_script.boxes[0].text, u"为避免损坏原始文件，请将标注保存为一个新的 PDF 文件。");
  EXPECT_EQ(g_script.boxes[0].icon, MessageIcon::Information);
  EXPECT_EQ(ReadBytes(WorkPath("a.pdf")), original);
  EXPECT_TRUE(g_session.modified);

  g_script.dialogAnswers = {WorkPath16("a_annotated.pdf")};
  ASSERT_TRUE(SavePdfCopy(u"_annotated.pdf", u"已保存 PDF 副本。"));
  EXPECT_EQ(g_session.statusText, u"已保存 PDF 副本。");
  EXPECT_EQ(g_session.path, WorkPath16("a_annotated.pdf"));
  EXPECT_EQ(g_session.sourcePath, WorkPath16("a.pdf"));
  EXPECT_FALSE(g_session.modified);
  EXPECT_EQ(ReadBytes(WorkPath("a.pdf")), original);

  // The copy is now the session's path: it is protected too.
  g_script.boxes.clear();
  g_script.dialogAnswers = {WorkPath16("a_annotated.pdf")};
  EXPECT_FALSE(SavePdfCopy(u"_annotated.pdf", u"已保存 PDF 副本。"));
  EXPECT_EQ(g_script.dialogs.back().defaultName, u"a_annotated_annotated.pdf");
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"PDF 保存");
  EXPECT_EQ(WorkFiles(), (std::vector<std::string>{"a.pdf", "a_annotated.pdf"}));
}

TEST_F(SaveTest, LoadedPdfsAreAlwaysSavedByAppendingToTheirOwnBytes) {
  // Many small objects packed into object streams: rotating a page appends a little, while
  // a full rewrite would unpack every object.
  WriteNumberedPdf(WorkPath("plain.pdf"), 300);
  std::string qpdf = std::string(CORVAN_QPDF) + " --object-streams=generate '" + WorkPath("plain.pdf") + "' '" +
                     WorkPath("packed.pdf") + "'";
  ASSERT_EQ(std::system(qpdf.c_str()), 0);
  std::string packed = ReadBytes(WorkPath("packed.pdf"));
  OpenOrFail(WorkPath("packed.pdf"));
  // Without an undo snapshot before it: a full save, even of a snapshot, makes this
  // library's later incremental saves repeat every object.
  ASSERT_TRUE(RotateCurrentPage(1));
  g_script.dialogAnswers = {WorkPath16("rotated.pdf")};
  ASSERT_TRUE(SavePdfCopy(u"_annotated.pdf", u""));
  std::string rotated = ReadBytes(WorkPath("rotated.pdf"));
  EXPECT_EQ(rotated.substr(0, packed.size()), packed);
  EXPECT_EQ(CountOf(rotated, "%%EOF"), CountOf(packed, "%%EOF") + 1);
  EXPECT_LT(rotated.size(), packed.size() + 16 * 1024);

  // A drawn line, even where a full rewrite would be a few bytes smaller: the original's
  // bytes stay first (a signature over them stays valid) and only the change follows.
  WriteNumberedPdf(WorkPath("loaded.pdf"), 2);
  std::string original = ReadBytes(WorkPath("loaded.pdf"));
  OpenOrFail(WorkPath("loaded.pdf"));
  EditOnce();
  g_script.dialogAnswers = {WorkPath16("drawn.pdf")};
  ASSERT_TRUE(SavePdfCopy(u"_annotated.pdf", u""));
  std::string drawn = ReadBytes(WorkPath("drawn.pdf"));
  EXPECT_EQ(drawn.substr(0, original.size()), original);
  EXPECT_EQ(CountOf(drawn, "%%EOF"), CountOf(original, "%%EOF") + 1);
  EXPECT_LT(drawn.size(), original.size() + 2048);
  EXPECT_EQ(PageWidthsOfFile(WorkPath("drawn.pdf")), (std::vector<float>{300, 301}));
  EXPECT_EQ(ObjectCountOfFile(WorkPath("drawn.pdf"), 0), 2);

  g_session.fullRewrite = true;  // what a coordinate system or an edited text sets
  EditOnce();
  g_script.dialogAnswers = {WorkPath16("second.pdf")};
  ASSERT_TRUE(SavePdfCopy(u"_annotated.pdf", u""));
  std::string second = ReadBytes(WorkPath("second.pdf"));
  EXPECT_EQ(second.substr(0, original.size()), original);
  EXPECT_EQ(PageWidthsOfFile(WorkPath("second.pdf")), (std::vector<float>{300, 301}));
  EXPECT_EQ(ObjectCountOfFile(WorkPath("second.pdf"), 0), 3);

  ASSERT_TRUE(NewBlankDocument());
  g_script.dialogAnswers = {WorkPath16("blank.pdf")};
  ASSERT_TRUE(SavePdfCopy(u"_annotated.pdf", u""));
  EXPECT_EQ(g_script.dialogs.back().defaultName, u"未命名.pdf");
  EXPECT_EQ(CountOf(ReadBytes(WorkPath("blank.pdf")), "%%EOF"), 1u);
}

TEST_F(SaveTest, AReadOnlyFolderRefusesTheSaveAndKeepsEverything) {
  WriteNumberedPdf(WorkPath("doc.pdf"), 2);
  OpenOrFail(WorkPath("doc.pdf"));
  EditOnce();
  std::string folder = WorkPath("locked");
  LimitedFolder locked = LimitedFolder::ReadOnly(folder, {{"target.pdf", "previous target"}});
  if (!locked.RefusesWrites()) GTEST_SKIP() << "this machine offers no read-only folder to a root process";
  g_script.dialogAnswers = {Utf8ToUtf16(folder + "/target.pdf")};
  EXPECT_FALSE(SavePdfCopy(u"_annotated.pdf", u"已保存 PDF 副本。"));
  ASSERT_EQ(g_script.boxes.size(), 1u) << RecordedBoxesText();
  EXPECT_EQ(g_script.boxes[0].caption, u"保存失败");
  std::u16string text = g_script.boxes[0].text;
  // A read-only mount or a folder without write permission, in the system's own words.
  EXPECT_TRUE(text == u"无法创建保存文件（系统错误 30：只读文件系统）。" ||
              text == u"无法创建保存文件（系统错误 13：权限不够）。")
      << Utf8(text);
  EXPECT_EQ(ReadBytes(folder + "/target.pdf"), "previous target");
  EXPECT_EQ(FolderEntries(folder), (std::vector<std::string>{"target.pdf"}));
  EXPECT_TRUE(g_session.modified);
  EXPECT_EQ(g_session.path, WorkPath16("doc.pdf"));
  EXPECT_EQ(CurrentObjectCount(), 2);
}

TEST_F(SaveTest, AFullDiskLeavesNoTemporaryFileAndThePreviousTarget) {
  WriteNumberedPdf(WorkPath("big.pdf"), 400);
  ASSERT_GT(ReadBytes(WorkPath("big.pdf")).size(), 96u * 1024);
  OpenOrFail(WorkPath("big.pdf"));
  EditOnce();
  std::string folder = WorkPath("small-disk");
  LimitedFolder disk = LimitedFolder::SizeLimited(folder, 64 * 1024);
  WriteBytes(folder + "/target.pdf", "previous target");
  g_session.fullRewrite = true;
  g_script.dialogAnswers = {Utf8ToUtf16(folder + "/target.pdf")};
  disk.ArmWriteLimit();
  bool saved = SavePdfCopy(u"_annotated.pdf", u"已保存 PDF 副本。");
  disk.DisarmWriteLimit();
  EXPECT_FALSE(saved);
  ASSERT_EQ(g_script.boxes.size(), 1u) << RecordedBoxesText();
  EXPECT_EQ(g_script.boxes[0].caption, u"保存失败");
  std::u16string text = g_script.boxes[0].text;
  // The disk is full, or the size limit stands in for it.
  EXPECT_TRUE(text == u"保存 PDF 失败（系统错误 28：设备上没有空间）。\n原文件保持不变。" ||
              text == u"保存 PDF 失败（系统错误 27：文件过大）。\n原文件保持不变。")
      << Utf8(text);
  EXPECT_EQ(ReadBytes(folder + "/target.pdf"), "previous target");
  EXPECT_EQ(FolderEntries(folder), (std::vector<std::string>{"target.pdf"}));
  EXPECT_TRUE(g_session.modified);
  EXPECT_EQ(g_session.path, WorkPath16("big.pdf"));
}

TEST_F(SaveTest, TheUnsavedChangesQuestionFollowsTheDocumentKind) {
  EXPECT_TRUE(ConfirmDiscardChanges());  // nothing open
  ASSERT_TRUE(NewBlankDocument());
  EXPECT_TRUE(ConfirmDiscardChanges());  // nothing changed
  EXPECT_TRUE(g_script.boxes.empty());
  EditOnce();

  g_script.answers = {MessageAnswer::Yes};
  g_script.dialogAnswers = {std::nullopt};  // the user cancels the save dialog
  EXPECT_FALSE(ConfirmDiscardChanges());
  EXPECT_EQ(g_script.boxes.back().text, u"文件中的更改尚未保存。\n是：保存 PDF 副本；否：丢弃更改；取消：继续编辑。");
  EXPECT_EQ(g_script.dialogs.back().defaultName, u"未命名.pdf");

  // A document whose path is a CVN file is offered a CVN copy instead.
  g_session.path = WorkPath16("kept.cvn");
  g_script.answers = {MessageAnswer::Yes};
  g_script.dialogAnswers = {std::nullopt};
  EXPECT_FALSE(ConfirmDiscardChanges());
  EXPECT_EQ(g_script.boxes.back().caption, u"PDF 已修改");
  EXPECT_EQ(g_script.boxes.back().text, u"文件中的更改尚未保存。\n是：另存为 CVN 副本；否：丢弃更改；取消：继续编辑。");
  EXPECT_EQ(g_script.dialogs.back().defaultName, u"kept.cvn");
  EXPECT_EQ(g_script.dialogs.back().filters[0].description, u"Corvan CVN 文件 (*.cvn)");

  g_script.answers = {MessageAnswer::No};
  EXPECT_TRUE(ConfirmDiscardChanges());
}

}  // namespace
