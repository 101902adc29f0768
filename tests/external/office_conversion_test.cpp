#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "document/open_document.h"
#include "document/session.h"
#include "external/office_conversion.h"
#include "external_test.h"
#include "platform/text_encoding.h"
#include "external/office_format.h"
#include "external/office_pipe.h"
#include "support/document_test.h"
#include "support/text_pdf.h"

namespace {

constexpr const char* kWordText =
    R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.text">
<office:body><office:text><text:p>第一页 Hello</text:p><text:p>line two</text:p></office:text></office:body></office:document>
)";

constexpr const char* kSlidesText =
    R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.presentation">
<office:body><office:presentation>
<draw:page draw:name="p1"><draw:frame svg:x="2cm" svg:y="2cm" svg:width="10cm" svg:height="3cm"><draw:text-box><text:p>幻灯片一</text:p></draw:text-box></draw:frame></draw:page>
<draw:page draw:name="p2"><draw:frame svg:x="2cm" svg:y="2cm" svg:width="10cm" svg:height="3cm"><draw:text-box><text:p>Slide two</text:p></draw:text-box></draw:frame></draw:page>
</office:presentation></office:body></office:document>
)";

// One .docx and one .pptx per run, written by LibreOffice from flat OpenDocument text.
std::string g_fixtures;

class OfficeConversionTest : public DocumentTest {
 protected:
  static void SetUpTestSuite() {
    char pattern[] = "/tmp/corvan-office-XXXXXX";
    g_fixtures = mkdtemp(pattern);
    std::ofstream(g_fixtures + "/word.fodt") << kWordText;
    std::ofstream(g_fixtures + "/slides.fodp") << kSlidesText;
    std::string lo = "soffice -env:UserInstallation=file://" + g_fixtures + "/profile --headless --convert-to ";
    std::string tail = " --outdir " + g_fixtures + " >/dev/null 2>&1";
    ASSERT_EQ(std::system((lo + "docx " + g_fixtures + "/word.fodt" + tail).c_str()), 0);
    ASSERT_EQ(std::system((lo + "pptx " + g_fixtures + "/slides.fodp" + tail).c_str()), 0);
    // The same text as Word 97, RTF and HTML, for files whose content does not match their name.
    for (const char* format : {"doc", "rtf", "html"}) {
      ASSERT_EQ(std::system((lo + format + " " + g_fixtures + "/word.fodt" + tail).c_str()), 0) << format;
    }
  }
  static void TearDownTestSuite() { std::filesystem::remove_all(g_fixtures); }

  void SetUp() override {
    DocumentTest::SetUp();
    g_convertOfficeToPdf = ConvertOfficeToPdf;
    fakes_ = root_ + "/fakes";
    std::filesystem::create_directories(fakes_);
    WriteTestPdf(WorkPath("current.pdf"), {PageSpec{}, PageSpec{}, PageSpec{}});
    OpenOrFail(WorkPath("current.pdf"));
  }

  // A folder name with a space, Chinese characters, a quote and a trailing backslash.
  std::string OddFolder() {
    std::string folder = WorkPath("课件 \"第1周\" dir\\");
    std::filesystem::create_directories(folder);
    return folder;
  }

  void ExpectCurrentDocumentKept() {
    EXPECT_EQ(g_session.path, WorkPath16("current.pdf"));
    EXPECT_EQ(g_session.pageCount, 3);
    EXPECT_TRUE(g_session.conversionFolder.empty());
    EXPECT_TRUE(TempFiles().empty()) << "work files left behind";
    EXPECT_FALSE(g_script.busyShown);
  }

  void ExpectConversionFailedBox() {
    ASSERT_EQ(g_script.boxes.size(), 1u) << RecordedBoxesText();
    EXPECT_EQ(g_script.boxes[0].caption, u"Office 文档转换失败");
    EXPECT_EQ(g_script.boxes[0].text, u"LibreOffice 无法将 Office 文档转换为可显示的 PDF。请确认文件未损坏。");
    EXPECT_EQ(g_script.boxes[0].icon, MessageIcon::Error);
  }

  std::string fakes_;
};

TEST_F(OfficeConversionTest, WordDocumentInAnOddFolderOpensConvertedAndItsFolderGoesWithTheNextDocument) {
  std::string docx = OddFolder() + "/作业 'A' \"一\".docx";
  std::filesystem::copy_file(g_fixtures + "/word.docx", docx);
  std::string before = ReadBytes(docx);
  OpenOrFail(docx);
  EXPECT_EQ(g_session.pageCount, 1);
  EXPECT_EQ(g_session.path, Utf8ToUtf16(docx));
  EXPECT_EQ(g_session.statusText, u"Word 文档已转为 PDF；可使用 PDF 工具编辑，保存为 PDF 副本");
  std::string folder = Utf8(g_session.conversionFolder);
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"作业 'A' \"一\".pdf"});
  // Only the conversion folder stays: the private LibreOffice profile is gone.
  EXPECT_EQ(TempFiles().size(), 1u);
  EXPECT_EQ(ReadBytes(docx), before);
  ASSERT_EQ(g_script.busyTexts.size(), 1u);
  EXPECT_FALSE(g_script.busyShown);

  OpenOrFail(WorkPath("current.pdf"));
  EXPECT_FALSE(Exists(folder));
  EXPECT_TRUE(TempFiles().empty());
}

TEST_F(OfficeConversionTest, SlidesWithACapitalExtensionConvertAndOpenEveryPage) {
  std::string pptx = WorkPath("Slides.PPTX");
  std::filesystem::copy_file(g_fixtures + "/slides.pptx", pptx);
  OpenOrFail(pptx);
  EXPECT_EQ(g_session.pageCount, 2);
  EXPECT_GT(g_session.pageWidth, g_session.pageHeight);  // slides are landscape
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  std::string first = Utf8(g_session.conversionFolder);
  // Opening another converted file replaces the first one's folder.
  std::string docx = WorkPath("second.docx");
  std::filesystem::copy_file(g_fixtures + "/word.docx", docx);
  OpenOrFail(docx);
  EXPECT_FALSE(Exists(first));
  EXPECT_EQ(TempFiles().size(), 1u);
}

TEST_F(OfficeConversionTest, ArgumentsReachTheProgramIntactWithAPrivateProfile) {
  std::string record = root_ + "/args.txt";
  std::string childTemp = root_ + "/tmpdir.txt";
  WriteFakeProgram(fakes_, "soffice",
                   "printf '%s\\n' \"$@\" > '" + record + "'\nprintf '%s' \"$TMPDIR\" > '" + childTemp + "'\nexit 0");
  SearchPathOverride path(fakes_);
  std::string docx = OddFolder() + "/a \"b\" 'c' 中文.docx";
  WriteBytes(docx, "x");
  EXPECT_FALSE(OpenDocument(Utf8ToUtf16(docx)));
  std::string args = ReadText(record);
  size_t profileEnd = args.find('\n');
  std::string profile = args.substr(0, profileEnd);
  EXPECT_EQ(profile.rfind("-env:UserInstallation=file://" + temp_ + "/CVN", 0), 0u) << profile;
  std::string rest = args.substr(profileEnd + 1);
  std::string outdir = rest.substr(rest.find("--outdir\n") + 9);
  outdir = outdir.substr(0, outdir.find('\n'));
  EXPECT_EQ(rest, "--headless\n--infilter=MS Word 2007 XML\n--convert-to\npdf\n--outdir\n" + outdir + "\n" + docx + "\n");
  // The child's temporary files go inside its private profile, which is removed afterwards.
  std::string profileFolder = profile.substr(std::string("-env:UserInstallation=file://").size());
  EXPECT_EQ(ReadText(childTemp), profileFolder + "/tmp");
  EXPECT_EQ(outdir.rfind(temp_ + "/CVN", 0), 0u);
  // Exit code 0 without a PDF is a failure.
  ExpectConversionFailedBox();
  ExpectCurrentDocumentKept();
}

TEST_F(OfficeConversionTest, BadExitCodesEmptyOutputAndHungProgramsFailCleanly) {
  WriteBytes(WorkPath("a.docx"), "x");
  SearchPathOverride path(fakes_);
  // Exit code 0 with an empty PDF.
  WriteFakeProgram(fakes_, "soffice", "while [ $# -gt 1 ]; do [ \"$1\" = --outdir ] && out=\"$2\"; shift; done\n: > \"$out/a.pdf\"");
  EXPECT_FALSE(OpenDocument(WorkPath16("a.docx")));
  ExpectConversionFailedBox();
  ExpectCurrentDocumentKept();

  // A PDF, but a bad exit code.
  g_script.boxes.clear();
  WriteFakeProgram(fakes_, "soffice", "while [ $# -gt 1 ]; do [ \"$1\" = --outdir ] && out=\"$2\"; shift; done\necho '%PDF' > \"$out/a.pdf\"\nexit 3");
  EXPECT_FALSE(OpenDocument(WorkPath16("a.docx")));
  ExpectConversionFailedBox();
  ExpectCurrentDocumentKept();

  // Hung: killed at the (shortened) time-out, with the helper it started.
  g_script.boxes.clear();
  std::string pidFile = root_ + "/helper.pid";
  WriteFakeProgram(fakes_, "soffice", "/bin/sleep 60 & echo $! > '" + pidFile + "'\n/bin/sleep 60");
  g_platform.childTimeoutMs = 300;
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(OpenDocument(WorkPath16("a.docx")));
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(300));
  EXPECT_LT(elapsed, std::chrono::seconds(10));
  ExpectConversionFailedBox();
  ExpectCurrentDocumentKept();
  std::string helper = ReadText(pidFile);
  ASSERT_FALSE(helper.empty());
  EXPECT_FALSE(IsRunning(std::stoi(helper))) << "helper still runs";
}

TEST_F(OfficeConversionTest, CancellingEndsTheProgramSilentlyAndLeavesNothing) {
  WriteBytes(WorkPath("a.pptx"), "x");
  WriteFakeProgram(fakes_, "soffice", "/bin/sleep 60");
  SearchPathOverride path(fakes_);
  g_script.cancelAtPump = 3;
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(OpenDocument(WorkPath16("a.pptx")));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(g_script.pumps, 3);
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  ExpectCurrentDocumentKept();
}

TEST_F(OfficeConversionTest, MissingProgramOrInputIsReported) {
  WriteBytes(WorkPath("a.doc"), "x");
  {
    SearchPathOverride path(fakes_);  // no soffice in it
    EXPECT_FALSE(OpenDocument(WorkPath16("a.doc")));
  }
  EXPECT_FALSE(OpenDocument(WorkPath16("missing.ppt")));
  ASSERT_EQ(g_script.boxes.size(), 2u) << RecordedBoxesText();
  EXPECT_EQ(g_script.boxes[0].caption, u"缺少 Office 文档渲染组件");
  EXPECT_EQ(g_script.boxes[0].text,
            u"无法在本窗体中打开 Office 文档：未检测到 LibreOffice。\n请先安装 LibreOffice；此功能不需要 Microsoft Office。");
  EXPECT_EQ(g_script.boxes[0].icon, MessageIcon::Information);
  EXPECT_EQ(g_script.boxes[1].caption, u"打开失败");
  EXPECT_EQ(g_script.boxes[1].text, u"找不到所选 Office 文档。");
  ExpectCurrentDocumentKept();
}

TEST_F(OfficeConversionTest, UnwritableTemporaryFolderIsReportedWithTheSystemError) {
  WriteBytes(WorkPath("a.docx"), "x");
  setenv("TMPDIR", (root_ + "/no such folder").c_str(), 1);
  EXPECT_FALSE(OpenDocument(WorkPath16("a.docx")));
  ASSERT_EQ(g_script.boxes.size(), 1u) << RecordedBoxesText();
  EXPECT_EQ(g_script.boxes[0].caption, u"演示文稿转换失败");
  EXPECT_EQ(g_script.boxes[0].text, u"创建演示文稿临时目录失败（系统错误 2：没有那个文件或目录）。");
  setenv("TMPDIR", temp_.c_str(), 1);
  ExpectCurrentDocumentKept();
}

TEST_F(OfficeConversionTest, RandomBytesNamedDocxAreRefusedByTheRealLibreOffice) {
  std::string bytes;
  uint32_t state = 12345;
  for (int i = 0; i < 5000; ++i) {
    state = state * 1103515245 + 12345;
    bytes += char(state >> 24);
  }
  WriteBytes(WorkPath("damaged.docx"), bytes);
  EXPECT_FALSE(OpenDocument(WorkPath16("damaged.docx")));
  ExpectConversionFailedBox();
  ExpectCurrentDocumentKept();
  EXPECT_EQ(ReadBytes(WorkPath("damaged.docx")), bytes);
}

TEST_F(OfficeConversionTest, CancellingTheRealLibreOfficeMidwayLeavesTheTemporaryFolderEmpty) {
  std::string docx = WorkPath("lesson.docx");
  std::filesystem::copy_file(g_fixtures + "/word.docx", docx);
  // 取消 once LibreOffice has made its own temporary folder, however fast the machine is.
  bool sawLibreOfficeFolder = false;
  g_script.cancelWhen = [&] {
    std::error_code error;
    for (std::filesystem::recursive_directory_iterator it(temp_, error), end; !error && it != end; it.increment(error)) {
      if (it->path().filename().string().rfind("lu", 0) == 0 && it->path().extension() == ".tmp") {
        sawLibreOfficeFolder = true;
        return true;
      }
    }
    return false;
  };
  EXPECT_FALSE(OpenDocument(Utf8ToUtf16(docx)));
  EXPECT_TRUE(sawLibreOfficeFolder);
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  ExpectCurrentDocumentKept();
}

TEST_F(OfficeConversionTest, FilesWhoseContentDoesNotMatchTheirExtensionConvertByTheirContent) {
  struct Case {
    const char* fixture;
    const char* name;
    const char16_t* filter;
  };
  for (const Case& c : {Case{"word.doc", "word97.docx", u"MS Word 97"}, Case{"word.rtf", "rich.doc", u"Rich Text Format"},
                        Case{"word.html", "page.doc", u"HTML (StarWriter)"},
                        Case{"word.docx", "ooxml.doc", u"MS Word 2007 XML"},
                        Case{"slides.pptx", "slides.ppt", u"Impress MS PowerPoint 2007 XML"}}) {
    std::string path = WorkPath(c.name);
    std::filesystem::copy_file(g_fixtures + "/" + c.fixture, path, std::filesystem::copy_options::overwrite_existing);
    EXPECT_EQ(ImportFilterFor(Utf8ToUtf16(path)), c.filter) << c.name;
    OpenOrFail(path);
    EXPECT_TRUE(g_script.boxes.empty()) << c.name << RecordedBoxesText();
    std::string pdf = Utf8(g_session.conversionFolder) + "/" + std::filesystem::path(c.name).stem().string() + ".pdf";
    std::string text = ExtractedText(pdf);
    EXPECT_TRUE(text.find("Hello") != std::string::npos || text.find("幻灯片一") != std::string::npos)
        << c.name << ": " << text;
  }
  // Unknown content keeps the extension's filter, which refuses it.
  WriteBytes(WorkPath("notes.doc"), "just some words, not a document");
  EXPECT_EQ(ImportFilterFor(WorkPath16("notes.doc")), u"MS Word 97");
}

TEST_F(OfficeConversionTest, TheSocketNameIsTheOneLibreOfficeGivesItsUserInstallation) {
  // Seen next to a real LibreOffice 7.4 run with -env:UserInstallation=file:///tmp/i33exp/prof.
  EXPECT_EQ(LibreOfficePipeName(u"file:///tmp/i33exp/prof", 0), "OSL_PIPE_0_SingleOfficeIPC_70553e82e287c97cd7a9f9aabe35845");
  EXPECT_EQ(LibreOfficePipeName(u"file:///tmp/i33exp/prof", 1000).substr(0, 32), "OSL_PIPE_1000_SingleOfficeIPC_70");
}

TEST_F(OfficeConversionTest, CancellingTheRealLibreOfficeLeavesNoSocketInTheSystemTemporaryFolder) {
  std::string docx = WorkPath("lesson.docx");
  std::filesystem::copy_file(g_fixtures + "/word.docx", docx);
  // 取消 once the socket named after the run's private profile is there (which also shows the
  // name is the one LibreOffice uses).
  std::string socket;
  g_script.cancelWhen = [&] {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(temp_, error)) {
      std::string name = entry.path().filename().string();
      if (name.rfind("CVN", 0) != 0 || !std::filesystem::exists(entry.path() / "user")) continue;
      std::string candidate = "/tmp/" + LibreOfficePipeName(Utf8ToUtf16("file://" + entry.path().string()), getuid());
      if (std::filesystem::exists(std::filesystem::symlink_status(candidate))) socket = candidate;
    }
    return !socket.empty();
  };
  EXPECT_FALSE(OpenDocument(Utf8ToUtf16(docx)));
  ASSERT_FALSE(socket.empty()) << "no socket named after the profile appeared";
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(socket))) << socket;
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  ExpectCurrentDocumentKept();
}

}  // namespace
