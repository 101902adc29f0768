// Saving never writes over the document's own files, whatever the spelling; save
// temporaries never touch files that were there before; replaced files keep their
// permissions; a folder that cannot be flushed fails the save; copies cost what was added.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "document/cvn_container.h"
#include "document/open_document.h"
#include "document/save_copy.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "platform/file_identity.h"
#include "platform/file_system.h"
#include "platform/text_encoding.h"
#include "support/document_test.h"
#include "support/image_document.h"

namespace fs = std::filesystem;

namespace {

class FileIdentityTest : public DocumentTest {
 protected:
  void SetUp() override {
    DocumentTest::SetUp();
    fs::create_directories(WorkPath("real"));
    fs::create_directories(WorkPath("sub"));
    fs::create_directory_symlink(WorkPath("real"), WorkPath("linked"));
    WriteNumberedPdf(WorkPath("real/doc.pdf"), 2);
    original_ = ReadBytes(WorkPath("real/doc.pdf"));
  }
  void TearDown() override {
    g_syncFolder = ::fsync;
    fs::current_path(previousFolder_);
    DocumentTest::TearDown();
  }

  bool SaveTo(const std::string& path) {
    g_script.dialogAnswers = {Utf8ToUtf16(path)};
    return SavePdfCopy(u"_annotated.pdf", u"已保存 PDF 副本。");
  }
  mode_t ModeOf(const std::string& path) const {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
  }

  std::string original_;
  fs::path previousFolder_ = fs::current_path();
};

TEST_F(FileIdentityTest, EverySpellingOfTheOriginalIsRefused) {
  fs::create_symlink(WorkPath("real/doc.pdf"), WorkPath("symlink.pdf"));
  fs::create_hard_link(WorkPath("real/doc.pdf"), WorkPath("hard.pdf"));
  fs::current_path(WorkPath("real"));
  OpenOrFail("doc.pdf");  // relative, as from a terminal in the document's folder
  EXPECT_EQ(g_session.sourcePath, WorkPath16("real/doc.pdf"));
  EditOnce();
  for (const char* spelling : {"real/doc.pdf", "real/./doc.pdf", "sub/../real/doc.pdf", "linked/doc.pdf",
                               "symlink.pdf", "hard.pdf"}) {
    g_script.boxes.clear();
    EXPECT_FALSE(SaveTo(WorkPath(spelling))) << spelling;
    ASSERT_EQ(g_script.boxes.size(), 1u) << spelling;
    EXPECT_EQ(g_script.boxes[0].text, u"为避免损坏原始文件，请将标注保存为一个新的 PDF 文件。");
  }
  EXPECT_FALSE(SaveTo("doc.pdf"));
  EXPECT_EQ(ReadBytes(WorkPath("real/doc.pdf")), original_);
  EXPECT_TRUE(g_session.modified);

  // Names differing only in letter case are other files here.
  ASSERT_TRUE(SaveTo(WorkPath("real/DOC.PDF")));
  EXPECT_EQ(ReadBytes(WorkPath("real/doc.pdf")), original_);
  EXPECT_EQ(PageWidthsOfFile(WorkPath("real/DOC.PDF")), (std::vector<float>{300, 301}));
}

TEST_F(FileIdentityTest, ANewNameInALinkedFolderIsTheSameFileAsInTheRealOne) {
  EXPECT_TRUE(SameFile(WorkPath16("linked/new.pdf"), WorkPath16("real/new.pdf")));
  EXPECT_TRUE(SameFile(WorkPath16("linked/../real/new.pdf"), WorkPath16("real/new.pdf")));
  EXPECT_FALSE(SameFile(WorkPath16("linked/new.pdf"), WorkPath16("real/New.pdf")));
  EXPECT_FALSE(SameFile(WorkPath16("linked/new.pdf"), WorkPath16("sub/new.pdf")));

  OpenOrFail(WorkPath("real/doc.pdf"));
  EditOnce();
  ASSERT_TRUE(SaveTo(WorkPath("linked/copy.pdf")));
  EXPECT_EQ(g_session.path, WorkPath16("linked/copy.pdf"));
  // The copy went away; its name, in either spelling of its folder, is still this session's.
  fs::remove(WorkPath("real/copy.pdf"));
  EditOnce();
  EXPECT_FALSE(SaveTo(WorkPath("real/copy.pdf")));
  EXPECT_EQ(g_script.boxes.back().caption, u"PDF 保存");
  EXPECT_FALSE(Exists(WorkPath("real/copy.pdf")));
  ASSERT_TRUE(SaveTo(WorkPath("linked/second.pdf")));
  EXPECT_TRUE(Exists(WorkPath("real/second.pdf")));
  EXPECT_EQ(ReadBytes(WorkPath("real/doc.pdf")), original_);
}

TEST_F(FileIdentityTest, ACvnCopyIsNeverWrittenOverTheOpenCvn) {
  OpenOrFail(WorkPath("real/doc.pdf"));
  EditOnce();
  g_script.dialogAnswers = {WorkPath16("real/kept.cvn")};
  ASSERT_TRUE(SaveAsCvn());
  OpenOrFail(WorkPath("linked/kept.cvn"));
  std::string kept = ReadBytes(WorkPath("real/kept.cvn"));
  fs::create_symlink(WorkPath("real/kept.cvn"), WorkPath("alias.cvn"));
  EditOnce();
  for (const char* spelling : {"real/kept.cvn", "alias.cvn", "sub/../linked/kept.cvn"}) {
    g_script.dialogAnswers = {WorkPath16(spelling)};
    EXPECT_FALSE(SaveAsCvn()) << spelling;
    EXPECT_EQ(g_script.boxes.back().text, u"为保护原文件，请选择另一个文件名保存 CVN 副本。");
  }
  EXPECT_EQ(ReadBytes(WorkPath("real/kept.cvn")), kept);
  EXPECT_EQ(g_session.sourcePath, WorkPath16("linked/kept.cvn"));
}

TEST_F(FileIdentityTest, AnExistingTmpFileIsNeitherTruncatedNorDeleted) {
  // The document itself is named like the temporary file of the target.
  WriteNumberedPdf(WorkPath("sub/doc.pdf.tmp"), 3);
  std::string engineFile = ReadBytes(WorkPath("sub/doc.pdf.tmp"));
  OpenOrFail(WorkPath("sub/doc.pdf.tmp"));
  EditOnce();
  ASSERT_TRUE(SaveTo(WorkPath("sub/doc.pdf"))) << RecordedBoxesText();
  EXPECT_EQ(ReadBytes(WorkPath("sub/doc.pdf.tmp")), engineFile);
  EXPECT_EQ(FolderEntries(WorkPath("sub")), (std::vector<std::string>{"doc.pdf", "doc.pdf.tmp"}));
  EXPECT_EQ(PageWidthsOfFile(WorkPath("sub/doc.pdf")), (std::vector<float>{300, 301, 302}));
  // The engine still reads the open document from the untouched file.
  ASSERT_TRUE(GoToPage(2));
  EXPECT_EQ(g_session.pageWidth, 302);
}

TEST_F(FileIdentityTest, ReplacedFilesKeepTheirPermissions) {
  OpenOrFail(WorkPath("real/doc.pdf"));
  EditOnce();
  WriteBytes(WorkPath("sub/private.pdf"), "previous");
  ::chmod(WorkPath("sub/private.pdf").c_str(), 0600);
  ASSERT_TRUE(SaveTo(WorkPath("sub/private.pdf")));
  EXPECT_EQ(ModeOf(WorkPath("sub/private.pdf")), 0600u);
  EXPECT_EQ(PageWidthsOfFile(WorkPath("sub/private.pdf")), (std::vector<float>{300, 301}));

  WriteBytes(WorkPath("sub/shared.cvn"), "previous");
  ::chmod(WorkPath("sub/shared.cvn").c_str(), 0664);
  EditOnce();
  g_script.dialogAnswers = {WorkPath16("sub/shared.cvn")};
  ASSERT_TRUE(SaveAsCvn());
  EXPECT_EQ(ModeOf(WorkPath("sub/shared.cvn")), 0664u);

  // A new file gets what the user's mask allows, not the 0600 of a private temporary file.
  mode_t mask = ::umask(027);
  EditOnce();
  bool saved = SaveTo(WorkPath("sub/new.pdf"));
  ::umask(mask);
  ASSERT_TRUE(saved);
  EXPECT_EQ(ModeOf(WorkPath("sub/new.pdf")), 0640u);
}

int FailingFolderSync(int) {
  errno = EIO;
  return -1;
}

TEST_F(FileIdentityTest, AFolderThatCannotBeFlushedIsToldTruthfully) {
  OpenOrFail(WorkPath("real/doc.pdf"));
  EditOnce();
  WriteBytes(WorkPath("sub/copy.pdf"), "an older copy");
  g_syncFolder = FailingFolderSync;
  // The rename happened: the copy is there, but it may not survive a power loss.
  EXPECT_FALSE(SaveTo(WorkPath("sub/copy.pdf")));
  ASSERT_EQ(g_script.boxes.size(), 1u) << RecordedBoxesText();
  EXPECT_EQ(g_script.boxes[0].caption, u"保存 PDF");
  EXPECT_EQ(g_script.boxes[0].icon, MessageIcon::Warning);
  EXPECT_EQ(g_script.boxes[0].text.rfind(u"副本已写入：\n" + WorkPath16("sub/copy.pdf") + u"\n但无法确认它已安全写入磁盘（系统错误 " + Num(EIO) + u"：", 0), 0u)
      << Utf8(g_script.boxes[0].text);
  EXPECT_EQ(g_script.boxes[0].text.find(u"原文件保持不变"), std::u16string::npos);
  EXPECT_EQ(PageWidthsOfFile(WorkPath("sub/copy.pdf")), (std::vector<float>{300, 301}));
  // Still unsaved, as the disk may yet lose the copy: the session did not move to it.
  EXPECT_TRUE(g_session.modified);
  EXPECT_EQ(g_session.path, WorkPath16("real/doc.pdf"));

  g_script.dialogAnswers = {WorkPath16("sub/copy.cvn")};
  EXPECT_FALSE(SaveAsCvn());
  EXPECT_EQ(g_script.boxes.back().caption, u"另存为 CVN");
  EXPECT_NE(g_script.boxes.back().text.find(u"副本已写入"), std::u16string::npos);
  EXPECT_EQ(ReadBytes(WorkPath("sub/copy.cvn")).substr(0, 4), std::string("CVN\0", 4));
  EXPECT_TRUE(g_session.modified);

  // Once the disk works again, saving to the same name is allowed and completes.
  g_syncFolder = ::fsync;
  ASSERT_TRUE(SaveTo(WorkPath("sub/copy.pdf")));
  EXPECT_FALSE(g_session.modified);
  EXPECT_EQ(ReadBytes(WorkPath("real/doc.pdf")), original_);
  for (const auto& name : FolderEntries(WorkPath("sub"))) EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
  for (const auto& name : FolderEntries(WorkPath("sub"))) EXPECT_EQ(name.find("-tmp-"), std::string::npos) << name;
}

TEST_F(FileIdentityTest, AnOriginalRenamedWhileOpenIsStillRefused) {
  OpenOrFail(WorkPath("real/doc.pdf"));
  EditOnce();
  fs::rename(WorkPath("real/doc.pdf"), WorkPath("sub/moved.pdf"));
  EXPECT_FALSE(SaveTo(WorkPath("sub/moved.pdf")));
  ASSERT_EQ(g_script.boxes.size(), 1u) << RecordedBoxesText();
  EXPECT_EQ(g_script.boxes[0].caption, u"PDF 保存");
  EXPECT_EQ(ReadBytes(WorkPath("sub/moved.pdf")), original_);
  // Also as a CVN, and through a link made after the rename.
  fs::create_symlink(WorkPath("sub/moved.pdf"), WorkPath("sub/alias.cvn"));
  g_script.dialogAnswers = {WorkPath16("sub/alias.cvn")};
  EXPECT_FALSE(SaveAsCvn());
  EXPECT_EQ(ReadBytes(WorkPath("sub/moved.pdf")), original_);
  EXPECT_TRUE(g_session.modified);
  ASSERT_TRUE(SaveTo(WorkPath("sub/other.pdf")));
  EXPECT_EQ(PageWidthsOfFile(WorkPath("sub/other.pdf")), (std::vector<float>{300, 301}));
  EXPECT_EQ(ReadBytes(WorkPath("sub/moved.pdf")), original_);
}

TEST_F(FileIdentityTest, ALongLegalNameCanBeSaved) {
  OpenOrFail(WorkPath("real/doc.pdf"));
  EditOnce();
  std::string stem;
  for (int i = 0; i < 82; ++i) stem += "标";
  for (const std::string& name : {stem + ".pdf", stem + "标.pdf"}) {  // 250 and 253 bytes
    ASSERT_TRUE(SaveTo(WorkPath("sub/" + name))) << RecordedBoxesText();
    EXPECT_EQ(PageWidthsOfFile(WorkPath("sub/" + name)), (std::vector<float>{300, 301}));
    EditOnce();
  }
  g_script.dialogAnswers = {Utf8ToUtf16(WorkPath("sub/" + stem + ".cvn"))};
  ASSERT_TRUE(SaveAsCvn()) << RecordedBoxesText();
  EXPECT_EQ(ReadBytes(WorkPath("sub/" + stem + ".cvn")).substr(0, 4), std::string("CVN\0", 4));
  EXPECT_EQ(FolderEntries(WorkPath("sub")).size(), 3u);  // no temporary left
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  EXPECT_EQ(SiblingName(Utf8ToUtf16(WorkPath("sub/" + stem + "标.pdf")), "-XXXXXX.tmp"),
            WorkPath("sub/") + stem.substr(0, 81 * 3) + "-XXXXXX.tmp");
}

TEST_F(FileIdentityTest, SavingOntoASymbolicLinkWritesTheFileItPointsTo) {
  OpenOrFail(WorkPath("real/doc.pdf"));
  EditOnce();
  WriteBytes(WorkPath("sub/target.pdf"), "the previous target");
  fs::create_symlink("target.pdf", WorkPath("sub/link.pdf"));        // relative
  fs::create_symlink(WorkPath("sub/link.pdf"), WorkPath("chain.pdf"));  // a link to the link
  ASSERT_TRUE(SaveTo(WorkPath("chain.pdf"))) << RecordedBoxesText();
  EXPECT_TRUE(fs::is_symlink(WorkPath("chain.pdf")));
  EXPECT_TRUE(fs::is_symlink(WorkPath("sub/link.pdf")));
  EXPECT_EQ(PageWidthsOfFile(WorkPath("sub/target.pdf")), (std::vector<float>{300, 301}));
  // A link whose target is missing yet: the target is created, the link stays.
  EditOnce();
  fs::create_symlink("fresh.pdf", WorkPath("sub/dangling.pdf"));
  ASSERT_TRUE(SaveTo(WorkPath("sub/dangling.pdf"))) << RecordedBoxesText();
  EXPECT_TRUE(fs::is_symlink(WorkPath("sub/dangling.pdf")));
  EXPECT_EQ(PageWidthsOfFile(WorkPath("sub/fresh.pdf")), (std::vector<float>{300, 301}));
  EXPECT_EQ(ReadBytes(WorkPath("real/doc.pdf")), original_);
}

TEST_F(FileIdentityTest, ACopyOfAScanWithOneStrokeCostsOnlyTheStroke) {
  ASSERT_TRUE(WriteNoiseImagePdf(WorkPath("scan.pdf"), 3, 1100, 1000));
  uint64_t originalSize = ReadBytes(WorkPath("scan.pdf")).size();
  ASSERT_GT(originalSize, 8u << 20);
  OpenOrFail(WorkPath("scan.pdf"));
  EditOnce();  // the undo snapshot before it is a full save of the scan
  ASSERT_EQ(g_history.undo.size(), 1u);
  ASSERT_TRUE(SaveTo(WorkPath("scan_annotated.pdf")));
  uint64_t copySize = ReadBytes(WorkPath("scan_annotated.pdf")).size();
  EXPECT_LE(copySize, originalSize * 102 / 100 + 64 * 1024) << copySize << " against " << originalSize;
  std::string check = std::string(CORVAN_QPDF) + " --check '" + WorkPath("scan_annotated.pdf") + "' >/dev/null 2>&1";
  EXPECT_EQ(std::system(check.c_str()), 0);
  EXPECT_EQ(PageWidthsOfFile(WorkPath("scan_annotated.pdf")), (std::vector<float>{595, 595, 595}));
}

}  // namespace
