#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "document/recent_documents.h"
#include "document/session.h"
#include "platform/text_encoding.h"
#include "support/document_test.h"

namespace {

class RecentDocumentsTest : public DocumentTest {
 protected:
  std::string ValueFile() const { return Utf8(RecentDocumentsValueFile()); }

  // Stores raw bytes as the value: a type word, then the data.
  void StoreValue(uint32_t type, const std::u16string& units) {
    std::filesystem::create_directories(Utf8(RecentDocumentsKeyFolder()));
    std::string bytes;
    for (int i = 0; i < 4; ++i) bytes += char((type >> (8 * i)) & 0xFF);
    for (char16_t u : units) {
      bytes += char(u & 0xFF);
      bytes += char(u >> 8);
    }
    WriteBytes(ValueFile(), bytes);
  }
};

TEST_F(RecentDocumentsTest, NoStoredValueShowsTheGreyedPlaceholder) {
  auto items = BuildRecentMenu();
  ASSERT_TRUE(items.has_value());
  ASSERT_EQ(items->size(), 1u);
  EXPECT_EQ((*items)[0].text, u"（无最近文档）");
  EXPECT_EQ((*items)[0].command, 0);
  EXPECT_FALSE((*items)[0].enabled);
  EXPECT_TRUE(g_script.boxes.empty());
}

TEST_F(RecentDocumentsTest, KeepsTenNewestFirstOneEntryPerFile) {
  for (int i = 1; i <= 12; ++i) AddRecentDocument(WorkPath16("file" + std::to_string(i) + ".pdf"));
  // Names differing only in case are two files here.
  AddRecentDocument(WorkPath16("FILE11.PDF"));
  auto items = BuildRecentMenu();
  ASSERT_TRUE(items.has_value());
  ASSERT_EQ(items->size(), 10u);
  EXPECT_EQ((*items)[0].text, u"1  " + WorkPath16("FILE11.PDF"));
  EXPECT_EQ((*items)[1].text, u"2  " + WorkPath16("file12.pdf"));
  EXPECT_EQ((*items)[2].text, u"3  " + WorkPath16("file11.pdf"));
  EXPECT_EQ((*items)[9].text, u"10  " + WorkPath16("file4.pdf"));
  EXPECT_EQ((*items)[9].command, 55109);

  // Another spelling of one file, a symbolic and a hard link to it: one entry, the newest.
  WriteBytes(WorkPath("file12.pdf"), "%PDF-");
  std::filesystem::create_directories(WorkPath("sub"));
  std::filesystem::create_symlink(WorkPath("file12.pdf"), WorkPath("sub/link.pdf"));
  std::filesystem::create_hard_link(WorkPath("file12.pdf"), WorkPath("hard.pdf"));
  AddRecentDocument(WorkPath16("sub/../file12.pdf"));
  AddRecentDocument(WorkPath16("sub/link.pdf"));
  AddRecentDocument(WorkPath16("hard.pdf"));
  items = BuildRecentMenu();
  ASSERT_TRUE(items.has_value());
  EXPECT_EQ((*items)[0].text, u"1  " + WorkPath16("hard.pdf"));
  EXPECT_EQ((*items)[1].text, u"2  " + WorkPath16("FILE11.PDF"));
  EXPECT_EQ((*items)[2].text, u"3  " + WorkPath16("file11.pdf"));
  EXPECT_EQ(items->size(), 10u);

  // The stored value is a well-formed multi-string.
  std::string bytes = ReadBytes(ValueFile());
  ASSERT_GE(bytes.size(), 8u);
  EXPECT_EQ(bytes[0], 7);
  EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string(4, '\0'));
}

TEST_F(RecentDocumentsTest, RelativePathsAreStoredInFullAndAmpersandsShowLiterally) {
  auto previous = std::filesystem::current_path();
  std::filesystem::current_path(work_);
  AddRecentDocument(u"./sub/../Tom & Jerry.pdf");
  std::filesystem::current_path(previous);
  auto items = BuildRecentMenu();
  ASSERT_TRUE(items.has_value());
  EXPECT_EQ((*items)[0].text, u"1  " + WorkPath16("Tom && Jerry.pdf"));
}

TEST_F(RecentDocumentsTest, MalformedValuesWarnAndKeepTheMenu) {
  struct Case {
    const char* name;
    uint32_t type;
    std::u16string units;
  } cases[] = {
      {"wrong type", 1, std::u16string(u"a\0\0", 3)},
      {"no double terminator", 7, std::u16string(u"ab", 2)},
      {"too short", 7, std::u16string(u"\0", 1)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StoreValue(c.type, c.units);
    g_script.boxes.clear();
    EXPECT_FALSE(BuildRecentMenu().has_value());
    ASSERT_EQ(g_script.boxes.size(), 1u);
    EXPECT_EQ(g_script.boxes[0].caption, u"最近文档");
    EXPECT_EQ(g_script.boxes[0].text, u"无法读取最近打开的文档记录。");
    EXPECT_EQ(g_script.boxes[0].icon, MessageIcon::Warning);
    // Opening a document does not overwrite what could not be read.
    std::string before = ReadBytes(ValueFile());
    AddRecentDocument(WorkPath16("new.pdf"));
    EXPECT_EQ(ReadBytes(ValueFile()), before);
  }
  StoreValue(7, std::u16string(u"x\0\0", 3) + std::u16string(u"extra", 5));
  g_script.boxes.clear();
  EXPECT_FALSE(BuildRecentMenu().has_value());  // even-sized, but not closed by two NULs
  EXPECT_EQ(g_script.boxes.size(), 1u);
}

TEST_F(RecentDocumentsTest, AnEntryThatNoLongerExistsFailsToOpenAndStays) {
  WriteNumberedPdf(WorkPath("gone.pdf"), 1);
  AddRecentDocument(WorkPath16("gone.pdf"));
  std::filesystem::remove(WorkPath("gone.pdf"));
  ASSERT_TRUE(BuildRecentMenu().has_value());
  EXPECT_FALSE(OpenRecentDocument(55100));
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].caption, u"打开 PDF 失败");
  EXPECT_FALSE(OpenRecentDocument(55101));  // beyond the list
  std::vector<std::u16string> list;
  ASSERT_TRUE(ReadRecentDocuments(list));
  EXPECT_EQ(list.size(), 1u);
}

TEST_F(RecentDocumentsTest, AnUnwritableStoreWarns) {
  std::filesystem::create_directories(config_);
  WriteBytes(config_ + "/CorvanPDF", "a file where the folder should be");
  AddRecentDocument(WorkPath16("x.pdf"));
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(g_script.boxes[0].text, u"无法保存最近打开的文档记录。");
}

TEST_F(RecentDocumentsTest, ReopeningTheNewestEntryLeavesTheStoreAloneAndAnotherMovesIt) {
  AddRecentDocument(WorkPath16("a.pdf"));
  AddRecentDocument(WorkPath16("b.pdf"));
  std::string before = ReadBytes(ValueFile());
  struct stat first {};
  ASSERT_EQ(::stat(ValueFile().c_str(), &first), 0);
  AddRecentDocument(WorkPath16("b.pdf"));  // already first: nothing to write
  struct stat second {};
  ASSERT_EQ(::stat(ValueFile().c_str(), &second), 0);
  EXPECT_EQ(second.st_ino, first.st_ino);
  EXPECT_EQ(ReadBytes(ValueFile()), before);
  AddRecentDocument(WorkPath16("a.pdf"));  // moves up: written whole, by replacement
  struct stat third {};
  ASSERT_EQ(::stat(ValueFile().c_str(), &third), 0);
  EXPECT_NE(third.st_ino, first.st_ino);
  auto items = BuildRecentMenu();
  ASSERT_TRUE(items.has_value());
  ASSERT_EQ(items->size(), 2u);
  EXPECT_EQ((*items)[0].text, u"1  " + WorkPath16("a.pdf"));
  EXPECT_EQ((*items)[1].text, u"2  " + WorkPath16("b.pdf"));
  EXPECT_FALSE(std::filesystem::exists(ValueFile() + ".tmp"));
}

}  // namespace
