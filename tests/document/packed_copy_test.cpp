// Copies of packed files (object streams), linearised files and files edited after an undo
// or an earlier save: only what changed is appended to the original's bytes, and the copy
// reads back whole (qpdf --check, pages, objects).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "document/save_copy.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "engine/engine_table.h"
#include "platform/text_encoding.h"
#include "support/document_test.h"

namespace {

// A plain PDF written directly: page i is (300 + i) points wide and holds one line.
void WriteManyPages(const std::string& path, int pages) {
  std::vector<std::string> objects(size_t(2 + 2 * pages));
  std::string kids;
  for (int i = 0; i < pages; ++i) {
    int content = 3 + 2 * i, page = content + 1;
    std::string line = "1 0 0 RG 10 10 m 100 100 l S";
    objects[size_t(content - 1)] = "<< /Length " + std::to_string(line.size()) + " >>\nstream\n" + line + "\nendstream";
    objects[size_t(page - 1)] = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + std::to_string(300 + i) +
                                " 400] /Contents " + std::to_string(content) + " 0 R >>";
    kids += std::to_string(page) + " 0 R ";
  }
  objects[0] = "<< /Type /Catalog /Pages 2 0 R >>";
  objects[1] = "<< /Type /Pages /Count " + std::to_string(pages) + " /Kids [" + kids + "] >>";
  std::string bytes = "%PDF-1.7\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(bytes.size());
    bytes += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  size_t xref = bytes.size();
  bytes += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  char entry[32];
  for (size_t offset : offsets) {
    std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
    bytes += entry;
  }
  bytes += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
  WriteBytes(path, bytes);
}

class PackedCopyTest : public DocumentTest {
 protected:
  void SetUp() override {
    DocumentTest::SetUp();
    WriteManyPages(WorkPath("plain.pdf"), 1000);
  }

  // qpdf <options> plain.pdf <name>; the new file's bytes.
  std::string Repack(const std::string& options, const std::string& name) {
    std::string command = std::string(CORVAN_QPDF) + " " + options + " '" + WorkPath("plain.pdf") + "' '" + WorkPath(name) + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return ReadBytes(WorkPath(name));
  }

  bool SaveTo(const std::string& name) {
    g_script.dialogAnswers = {WorkPath16(name)};
    return SavePdfCopy(u"_annotated.pdf", u"已保存 PDF 副本。");
  }

  bool QpdfFindsNoFault(const std::string& name) {
    std::string command = std::string(CORVAN_QPDF) + " --check '" + WorkPath(name) + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
  }

  // Objects on the first pages of a saved file, and its page count.
  std::vector<int> ObjectsOnFirstPages(const std::string& name, int pages = 3) {
    std::vector<int> counts;
    FPDF_DOCUMENT document = g_engine.FPDF_LoadDocument(WorkPath(name).c_str(), nullptr);
    if (document == nullptr) return counts;
    counts.push_back(g_engine.FPDF_GetPageCount(document));
    for (int i = 0; i < pages; ++i) counts.push_back(ObjectCountOnPage(document, i));
    g_engine.FPDF_CloseDocument(document);
    return counts;
  }

  static uint64_t Allowed(const std::string& original) { return original.size() * 102 / 100 + 64 * 1024; }
};

TEST_F(PackedCopyTest, PackedAndLinearisedFilesCopySmallAfterOneStroke) {
  std::vector<std::pair<std::string, std::string>> kinds = {
      {"--object-streams=generate", "packed.pdf"},
      {"--linearize", "linear.pdf"},
      {"--linearize --object-streams=generate", "linear-packed.pdf"}};
  for (const auto& [options, name] : kinds) {
    std::string original = Repack(options, name);
    OpenOrFail(WorkPath(name));
    EditOnce();  // with the undo snapshot before it, a full save that loads every object
    ASSERT_TRUE(SaveTo("copy-" + name)) << RecordedBoxesText();
    std::string copy = ReadBytes(WorkPath("copy-" + name));
    EXPECT_LE(copy.size(), Allowed(original)) << name << ": " << copy.size() << " against " << original.size();
    // Packed, a full rewrite would unpack every object: only the update follows the original.
    if (name == "packed.pdf") EXPECT_EQ(copy.substr(0, original.size()), original);
    EXPECT_TRUE(QpdfFindsNoFault("copy-" + name)) << name;
    EXPECT_EQ(ObjectsOnFirstPages("copy-" + name), (std::vector<int>{1000, 2, 1, 1})) << name;
    EXPECT_EQ(ReadBytes(WorkPath(name)), original) << name;
  }
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
}

TEST_F(PackedCopyTest, AfterAnUndoAndAfterAnEarlierSaveTheCopyStaysSmall) {
  std::string original = Repack("--object-streams=generate", "packed.pdf");
  OpenOrFail(WorkPath("packed.pdf"));
  EditOnce();
  EditOnce();
  ASSERT_TRUE(Undo());  // the document now reads from an undo snapshot, a full rewrite
  ASSERT_FALSE(g_session.backingFile.empty());
  ASSERT_TRUE(SaveTo("after-undo.pdf")) << RecordedBoxesText();
  std::string afterUndo = ReadBytes(WorkPath("after-undo.pdf"));
  EXPECT_LE(afterUndo.size(), Allowed(original)) << afterUndo.size();
  EXPECT_TRUE(QpdfFindsNoFault("after-undo.pdf"));
  EXPECT_EQ(ObjectsOnFirstPages("after-undo.pdf"), (std::vector<int>{1000, 2, 1, 1}));

  // The second step: another page, another stroke, another copy.
  ASSERT_TRUE(GoToPage(2));
  EditOnce();
  ASSERT_TRUE(SaveTo("second.pdf"));
  std::string second = ReadBytes(WorkPath("second.pdf"));
  EXPECT_LE(second.size(), Allowed(original)) << second.size();
  EXPECT_EQ(second.substr(0, original.size()), original);
  EXPECT_TRUE(QpdfFindsNoFault("second.pdf"));
  EXPECT_EQ(ObjectsOnFirstPages("second.pdf"), (std::vector<int>{1000, 2, 1, 2}));
  // The earlier copy is as it was.
  EXPECT_EQ(ReadBytes(WorkPath("after-undo.pdf")), afterUndo);
}

TEST_F(PackedCopyTest, AnOriginalChangedOnDiskIsNotUsedAsTheCopysStart) {
  Repack("--object-streams=generate", "packed.pdf");
  OpenOrFail(WorkPath("packed.pdf"));
  EditOnce();
  // Another program saves over the original: the name now holds other bytes.
  std::string replaced = Repack("", "unpacked.pdf");
  std::rename(WorkPath("unpacked.pdf").c_str(), WorkPath("packed.pdf").c_str());
  ASSERT_TRUE(SaveTo("copy.pdf")) << RecordedBoxesText();
  EXPECT_TRUE(QpdfFindsNoFault("copy.pdf"));
  EXPECT_EQ(ObjectsOnFirstPages("copy.pdf"), (std::vector<int>{1000, 2, 1, 1}));
  EXPECT_EQ(ReadBytes(WorkPath("packed.pdf")), replaced);
}

}  // namespace
