// Office files the editor cannot convert (password-protected ones) and Office files handed to
// the desktop's default program.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "document/open_document.h"
#include "document/recent_documents.h"
#include "document/session.h"
#include "external/office_conversion.h"
#include "external/office_encryption.h"
#include "external_test.h"
#include "platform/default_program.h"
#include "platform/text_encoding.h"
#include "support/document_test.h"

namespace {

void Put32(std::string& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = char(value >> (8 * i));
}

// A compound file (the container of Office 97 files and of encrypted Office 2007 files) with
// one 4096-byte stream `name` whose first bytes are `streamStart`, laid out as Office does:
// header, FAT sector, directory sector, the stream's eight sectors.
std::string CompoundFileWith(const std::u16string& name, const std::string& streamStart) {
  std::string bytes(512 * 11, '\0');
  const unsigned char signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  std::memcpy(bytes.data(), signature, 8);
  bytes[0x18] = 0x3E, bytes[0x1A] = 3, bytes[0x1C] = char(0xFE), bytes[0x1D] = char(0xFF);
  bytes[0x1E] = 9, bytes[0x20] = 6;
  Put32(bytes, 0x2C, 1);            // one FAT sector
  Put32(bytes, 0x30, 1);            // the directory in sector 1
  Put32(bytes, 0x38, 4096);         // streams of 4096 bytes and more use whole sectors
  Put32(bytes, 0x3C, 0xFFFFFFFE), Put32(bytes, 0x44, 0xFFFFFFFE);
  for (int i = 0; i < 109; ++i) Put32(bytes, 0x4C + 4 * i, i == 0 ? 0 : 0xFFFFFFFF);
  size_t fat = 512;
  for (int sector = 0; sector < 128; ++sector) Put32(bytes, fat + 4 * sector, 0xFFFFFFFF);
  Put32(bytes, fat, 0xFFFFFFFD);
  Put32(bytes, fat + 4, 0xFFFFFFFE);
  for (int sector = 2; sector < 10; ++sector) Put32(bytes, fat + 4 * sector, sector == 9 ? 0xFFFFFFFE : sector + 1);
  auto entry = [&bytes](int index, const std::u16string& entryName, int type, uint32_t start, uint32_t size) {
    size_t at = 1024 + 128 * index;
    for (size_t i = 0; i < entryName.size(); ++i) bytes[at + 2 * i] = char(entryName[i]);
    bytes[at + 0x40] = char((entryName.size() + 1) * 2);
    bytes[at + 0x42] = char(type);
    Put32(bytes, at + 0x44, 0xFFFFFFFF), Put32(bytes, at + 0x48, 0xFFFFFFFF), Put32(bytes, at + 0x4C, 0xFFFFFFFF);
    Put32(bytes, at + 0x74, start);
    Put32(bytes, at + 0x78, size);
  };
  entry(0, u"Root Entry", 5, 0xFFFFFFFE, 0);
  entry(1, name, 2, 2, 4096);
  Put32(bytes, 1024 + 0x4C, 1);  // the root's child
  bytes.replace(1536, streamStart.size(), streamStart);
  return bytes;
}

// The start of a Word 97 file information block, with or without the fEncrypted flag.
std::string WordHeader(bool encrypted) {
  std::string fib(12, '\0');
  fib[0] = char(0xEC), fib[1] = char(0xA5), fib[2] = char(0xC1);
  fib[0x0B] = encrypted ? 0x01 : 0x00;
  return fib;
}

bool IsRemembered(const std::u16string& path) {
  std::vector<std::u16string> list;
  ReadRecentDocuments(list);
  return std::find(list.begin(), list.end(), path) != list.end();
}

class OfficeProtectionTest : public DocumentTest {
 protected:
  void SetUp() override {
    DocumentTest::SetUp();
    g_convertOfficeToPdf = ConvertOfficeToPdf;
    fakes_ = root_ + "/fakes";
    std::filesystem::create_directories(fakes_);
    WriteTestPdf(WorkPath("current.pdf"), {PageSpec{}, PageSpec{}});
    OpenOrFail(WorkPath("current.pdf"));
  }
  std::string fakes_;
};

TEST_F(OfficeProtectionTest, PasswordProtectedFilesAreNamedAsSuchNotAsDamaged) {
  std::string record = root_ + "/soffice-ran";
  WriteFakeProgram(fakes_, "soffice", "/usr/bin/touch '" + record + "'\nexit 1");
  SearchPathOverride path(fakes_);
  WriteBytes(WorkPath("locked.docx"), CompoundFileWith(u"EncryptionInfo", std::string("\x04\0\x04\0", 4)));
  WriteBytes(WorkPath("locked.doc"), CompoundFileWith(u"WordDocument", WordHeader(true)));
  WriteBytes(WorkPath("locked.ppt"), CompoundFileWith(u"EncryptedSummary", "x"));
  for (const char* name : {"locked.docx", "locked.doc", "locked.ppt"}) {
    g_script.boxes.clear();
    EXPECT_TRUE(IsEncryptedOfficeFile(WorkPath16(name))) << name;
    EXPECT_FALSE(OpenDocument(WorkPath16(name)));
    ASSERT_EQ(g_script.boxes.size(), 1u) << name << RecordedBoxesText();
    EXPECT_EQ(g_script.boxes[0].caption, u"打开失败");
    EXPECT_EQ(g_script.boxes[0].text, u"此 Office 文档受密码保护，无法转换。请在 Office 中取消密码保护后再打开。");
  }
  EXPECT_FALSE(Exists(record)) << "LibreOffice was started for a locked file";
  EXPECT_EQ(g_session.path, WorkPath16("current.pdf"));
  EXPECT_TRUE(TempFiles().empty());

  // An unprotected Word 97 file, a plain zip and an empty file go on to LibreOffice.
  WriteBytes(WorkPath("open.doc"), CompoundFileWith(u"WordDocument", WordHeader(false)));
  WriteBytes(WorkPath("open.docx"), "PK\x03\x04 not encrypted");
  WriteBytes(WorkPath("empty.pptx"), "");
  for (const char* name : {"open.doc", "open.docx", "empty.pptx"}) {
    EXPECT_FALSE(IsEncryptedOfficeFile(WorkPath16(name))) << name;
  }
  g_script.boxes.clear();
  EXPECT_FALSE(OpenDocument(WorkPath16("open.doc")));
  EXPECT_TRUE(Exists(record));
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"Office 文档转换失败");
}

TEST_F(OfficeProtectionTest, ASpreadsheetNoProgramTakesIsReportedAndNotRemembered) {
  std::string record = root_ + "/xdg-args.txt";
  WriteFakeProgram(fakes_, "xdg-open", "printf '%s' \"$1\" > '" + record + "'\nexit 3");
  SearchPathOverride path(fakes_ + ":/usr/bin:/bin");
  g_platform.openWithDefaultProgram = OpenWithDefaultProgram;
  std::string sheet = WorkPath("成绩 \"一班\".xlsx");
  WriteBytes(sheet, "PK");
  EXPECT_FALSE(OpenDocument(Utf8ToUtf16(sheet)));
  EXPECT_EQ(ReadText(record), sheet);
  ASSERT_EQ(g_script.boxes.size(), 1u) << RecordedBoxesText();
  EXPECT_EQ(g_script.boxes[0].caption, u"打开失败");
  EXPECT_EQ(g_script.boxes[0].text, u"无法使用系统默认程序打开 Office 文档。");
  EXPECT_FALSE(IsRemembered(Utf8ToUtf16(sheet)));

  // A program found: no message, and the file is remembered.
  g_script.boxes.clear();
  WriteFakeProgram(fakes_, "xdg-open", "exit 0");
  EXPECT_FALSE(OpenDocument(Utf8ToUtf16(sheet)));
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  EXPECT_TRUE(IsRemembered(Utf8ToUtf16(sheet)));
  EXPECT_EQ(g_session.path, WorkPath16("current.pdf"));
}

}  // namespace
