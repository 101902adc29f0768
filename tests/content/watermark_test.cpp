// Watermarks over whole documents against the real engine: placement on plain, turned and
// cropped pages, rollback after a failure part-way, and what removal recognises.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <regex>
#include <sstream>

#include "content/font_table.h"
#include "content/watermark_commands.h"
#include "content/watermarks.h"
#include "document/edit_wrapper.h"
#include "document/file_writer.h"
#include "document/session.h"
#include "document/undo_history.h"
#include "engine/engine_table.h"
#include "engine/page_box.h"
#include "platform/file_system.h"
#include "platform/text_encoding.h"
#include "support/document_test.h"
#include "support/live_handles.h"
#include "support/pdf_fixtures.h"

namespace {

// One page of a hand-written PDF: entries of its dictionary and its content stream.
struct HandPage {
  std::string entries = "/MediaBox [0 0 595 842]";
  std::string content;
};

void WriteHandMadeDocument(const std::string& path, const std::vector<HandPage>& pages) {
  std::string kids;
  for (size_t i = 0; i < pages.size(); ++i) kids += std::to_string(3 + 2 * i) + " 0 R ";
  std::vector<std::string> objects{"<< /Type /Catalog /Pages 2 0 R >>",
                                   "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages.size()) + " >>"};
  for (size_t i = 0; i < pages.size(); ++i) {
    objects.push_back("<< /Type /Page /Parent 2 0 R " + pages[i].entries + " /Contents " + std::to_string(4 + 2 * i) +
                      " 0 R >>");
    objects.push_back("<< /Length " + std::to_string(pages[i].content.size()) + " >>\nstream\n" + pages[i].content +
                      "\nendstream");
  }
  WritePdfObjects(path, objects);
}

constexpr const char* kWatermarkAnnotation =
    "<< /Type /Annot /Subtype /Watermark /Rect [100 100 300 300] >>";
constexpr const char* kTextAnnotation = "<< /Type /Annot /Subtype /Text /Rect [20 20 40 40] >>";

// A filled square inside a marked-content sequence.
std::string MarkedSquare(const std::string& opening, int x) {
  return opening + " 0 0 1 rg " + std::to_string(x) + " 100 40 40 re f EMC\n";
}

std::u16string MarkNameOf(FPDF_PAGEOBJECT object, int index) {
  FPDF_PAGEOBJECTMARK mark = g_engine.FPDFPageObj_GetMark(object, index);
  unsigned long needed = 0;
  g_engine.FPDFPageObjMark_GetName(mark, nullptr, 0, &needed);
  std::vector<FPDF_WCHAR> buffer(needed / 2 + 1);
  g_engine.FPDFPageObjMark_GetName(mark, buffer.data(), buffer.size() * 2, &needed);
  return std::u16string(buffer.begin(), buffer.begin() + needed / 2 - 1);
}

int AnnotationCount(FPDF_PAGE page) { return g_engine.FPDFPage_GetAnnotCount(page); }

// Counters for the injected engine failures (plain functions: the table holds function pointers).
int g_generateCalls = 0;
int g_failGenerateAtCall = -1;
int g_insertCalls = 0;

FPDF_BOOL GenerateFailingOnce(FPDF_PAGE page) {
  if (++g_generateCalls == g_failGenerateAtCall) return 0;
  return g_engine.FPDFPage_GenerateContent(page);
}
void CountingInsert(FPDF_PAGE page, FPDF_PAGEOBJECT object) {
  ++g_insertCalls;
  g_engine.FPDFPage_InsertObject(page, object);
}
FPDF_PAGE LoadFailingOnTenthPage(FPDF_DOCUMENT document, int index) {
  return index == 9 ? nullptr : g_engine.FPDF_LoadPage(document, index);
}
FPDF_BOOL NeverRemoves(FPDF_PAGE, FPDF_PAGEOBJECT) { return 0; }

class WatermarkTest : public DocumentTest {
 protected:
  void SetUp() override {
    DocumentTest::SetUp();
    g_generateCalls = 0;
    g_failGenerateAtCall = -1;
    g_insertCalls = 0;
  }

  // The session's document and its default font for `text`.
  FPDF_FONT FontFor(const std::u16string& text) {
    FPDF_FONT font = DefaultFontFor(text);
    EXPECT_NE(font, nullptr) << RecordedBoxesText();
    return font;
  }

  WatermarkOutcome Add(const WatermarkOps& ops, const std::u16string& text = u"内部资料 DRAFT", float size = 48) {
    return AddWatermarkToAllPages(ops, g_session.document, g_session.currentPage, g_session.currentPageIndex,
                                  FontFor(text), text, size);
  }

  WatermarkOutcome Remove(const WatermarkOps& ops = WatermarkOpsFromEngine()) {
    return RemoveWatermarksFromAllPages(ops, g_session.document, g_session.currentPage, g_session.currentPageIndex,
                                        nullptr);
  }

  // Objects per page and annotations per page of the open document.
  std::vector<int> ObjectCounts() {
    std::vector<int> counts;
    for (int i = 0; i < g_session.pageCount; ++i) counts.push_back(ObjectCountOnPage(g_session.document, i));
    return counts;
  }
  std::vector<int> AnnotationCounts() {
    std::vector<int> counts;
    for (int i = 0; i < g_session.pageCount; ++i) {
      FPDF_PAGE page = g_engine.FPDF_LoadPage(g_session.document, i);
      counts.push_back(AnnotationCount(page));
      g_engine.FPDF_ClosePage(page);
    }
    return counts;
  }

  // Saves the session's document and reopens the copy in the session.
  void SaveAndReopen(const std::string& name) {
    ASSERT_TRUE(SaveDocumentToPath(g_session.document, WorkPath(name)));
    g_session.modified = false;
    OpenOrFail(WorkPath(name));
  }

  // Ten pages; page 2 carries a foreign watermark annotation, page 5 a watermark of an earlier run.
  void OpenTenPagesWithEarlierWatermarks() {
    std::vector<HandPage> pages(10);
    for (auto& page : pages) page.content = "0 0 0 RG 20 20 m 200 60 l S";
    pages[1].entries += std::string(" /Annots [") + kWatermarkAnnotation + " " + kTextAnnotation + "]";
    pages[4].content += "\n" + MarkedSquare("/CorvanWatermark-EARLIER-RUN BMC", 300);
    WriteHandMadeDocument(WorkPath("ten.pdf"), pages);
    OpenOrFail(WorkPath("ten.pdf"));
  }
};

TEST_F(WatermarkTest, RunMarksAreFiftyTwoCharactersOfUpperCaseGuidAndDifferEachRun) {
  std::string first = MakeWatermarkRunMark();
  std::string second = MakeWatermarkRunMark();
  std::regex format("CorvanWatermark-[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
  EXPECT_EQ(first.size(), 52u);
  EXPECT_TRUE(std::regex_match(first, format)) << first;
  EXPECT_TRUE(std::regex_match(second, format)) << second;
  EXPECT_NE(first, second);
}

TEST_F(WatermarkTest, EveryPageGetsOneGreyTranslucentTextTurnedAndCentredOnWhatIsShown) {
  // Plain, turned and cropped, cropped away from the origin and turned.
  std::vector<HandPage> pages(4);
  pages[1].entries += " /Rotate 90";
  pages[2].entries += " /CropBox [100 100 495 742]";
  pages[3].entries = "/MediaBox [0 0 842 595] /CropBox [300 50 800 400] /Rotate 270";
  WriteHandMadeDocument(WorkPath("mixed.pdf"), pages);
  OpenOrFail(WorkPath("mixed.pdf"));

  WatermarkOutcome outcome = Add(WatermarkOpsFromEngine(), u"内部资料 DRAFT", 40);
  ASSERT_TRUE(outcome.ok) << Utf8(outcome.message);
  EXPECT_EQ(outcome.count, 4);
  SaveAndReopen("marked.pdf");  // what is checked is what a reader of the file sees

  std::u16string runMark;
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    FPDF_PAGE page = g_engine.FPDF_LoadPage(g_session.document, i);
    int count = g_engine.FPDFPage_CountObjects(page);
    ASSERT_EQ(count, 1);
    FPDF_PAGEOBJECT text = g_engine.FPDFPage_GetObject(page, count - 1);
    EXPECT_EQ(g_engine.FPDFPageObj_GetType(text), 1);  // text
    unsigned r = 0, g = 0, b = 0, a = 0;
    ASSERT_TRUE(g_engine.FPDFPageObj_GetFillColor(text, &r, &g, &b, &a));
    EXPECT_EQ(r, 128u);
    EXPECT_EQ(g, 128u);
    EXPECT_EQ(b, 128u);
    EXPECT_EQ(a, 72u);
    ASSERT_EQ(g_engine.FPDFPageObj_CountMarks(text), 1);
    std::u16string name = MarkNameOf(text, 0);
    EXPECT_EQ(name.size(), 52u);
    if (i == 0) runMark = name;
    EXPECT_EQ(name, runMark);  // one run, one mark

    // Centred on the displayed box (crop box clipped to the media box).
    float left, bottom, right, top;
    ASSERT_TRUE(g_engine.FPDFPageObj_GetBounds(text, &left, &bottom, &right, &top));
    PageBox shown = DisplayedPageBox(page);
    EXPECT_NEAR((left + right) / 2, (shown.left + shown.right) / 2, 1.0);
    EXPECT_NEAR((bottom + top) / 2, (shown.bottom + shown.top) / 2, 1.0);

    // The baseline rises to the right as the page is shown: page space turned back by the
    // page's quarter turns (clockwise) must give +45°.
    FS_MATRIX m{};
    ASSERT_TRUE(g_engine.FPDFPageObj_GetMatrix(text, &m));
    double pageAngle = std::atan2(m.b, m.a) * 180 / std::numbers::pi;
    double shownAngle = std::remainder(pageAngle - 90.0 * g_engine.FPDFPage_GetRotation(page), 360.0);
    EXPECT_NEAR(shownAngle, 45.0, 0.01);
    EXPECT_NEAR(std::hypot(m.a, m.b), 1.0, 1e-4);  // turned, not scaled
    g_engine.FPDF_ClosePage(page);
  }
}

TEST_F(WatermarkTest, AFailureOnTheLastOfTenPagesTakesBackThisRunOnlyAndLeavesEarlierWatermarks) {
  OpenTenPagesWithEarlierWatermarks();
  GoToPage(3);  // the current page is used in place, the others are loaded
  std::vector<int> objectsBefore = ObjectCounts();
  std::vector<int> annotationsBefore = AnnotationCounts();

  WatermarkOps ops = WatermarkOpsFromEngine();
  ops.FPDFPage_InsertObject = CountingInsert;
  ops.FPDFPage_GenerateContent = GenerateFailingOnce;
  g_failGenerateAtCall = 10;  // the tenth page's own content generation
  WatermarkOutcome outcome = Add(ops);

  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.count, 0);
  EXPECT_EQ(Utf8(outcome.message), "第 10 页水印已加入，但 PDF 页面内容生成失败。");
  EXPECT_EQ(g_insertCalls, 10);  // nine pages and the failing one had been changed
  EXPECT_EQ(ObjectCounts(), objectsBefore);
  EXPECT_EQ(AnnotationCounts(), annotationsBefore);

  // The earlier run's object on page 5 is still there, in the saved file too.
  SaveAndReopen("rolled-back.pdf");
  EXPECT_EQ(ObjectCounts(), objectsBefore);
  FPDF_PAGE five = g_engine.FPDF_LoadPage(g_session.document, 4);
  EXPECT_EQ(Utf8(MarkNameOf(g_engine.FPDFPage_GetObject(five, 1), 0)), "CorvanWatermark-EARLIER-RUN");
  g_engine.FPDF_ClosePage(five);
  EXPECT_EQ(AnnotationCounts(), annotationsBefore);
}

TEST_F(WatermarkTest, RunsCloseEveryPageAndAnnotationTheyOpenAndLeaveNoObjectOffAPage) {
  OpenTenPagesWithEarlierWatermarks();
  GoToPage(3);  // used in place; the nine others are loaded
  FontFor(u"内部资料 DRAFT");  // the session's font, loaded before counting
  LiveHandles live;

  // Fails on the tenth page; the rollback loads the pages again and takes this run's objects out.
  WatermarkOps ops = WatermarkOpsFromEngine();
  ops.FPDFPage_GenerateContent = GenerateFailingOnce;
  g_failGenerateAtCall = 10;
  WatermarkOutcome failed = Add(ops);
  EXPECT_FALSE(failed.ok);
  EXPECT_EQ(failed.count, 0);
  EXPECT_EQ(live.Open(), HandleCounts{});
  // Nine pages loaded by the run and again by the rollback, nine objects taken back (the
  // tenth, never written into its page's content, went with the page when it closed).
  EXPECT_EQ(live.Closes(), 9 + 9 + 9);

  // Removal reads both annotations of page 2 and removes the earlier run's object on page 5.
  int closesBefore = live.Closes();
  WatermarkOutcome removed = Remove();
  EXPECT_TRUE(removed.ok) << Utf8(removed.message);
  EXPECT_EQ(removed.count, 2);
  EXPECT_EQ(live.Open(), HandleCounts{});
  EXPECT_EQ(live.Closes() - closesBefore, 9 + 2 + 1);
}

TEST_F(WatermarkTest, AFailedRollbackIsReportedAndThePagesStayCounted) {
  OpenTenPagesWithEarlierWatermarks();
  WatermarkOps ops = WatermarkOpsFromEngine();
  ops.FPDF_LoadPage = LoadFailingOnTenthPage;
  ops.FPDFPage_RemoveObject = NeverRemoves;
  WatermarkOutcome outcome = Add(ops);
  EXPECT_FALSE(outcome.ok);
  EXPECT_GT(outcome.count, 0);
  EXPECT_EQ(Utf8(outcome.message), "无法读取第 10 页。\n部分水印未能自动回滚：无法删除第 1 页的水印对象。");
}

// The shipped library's string reader refuses name values (it reads strings only), so an
// artifact's /Subtype /Watermark cannot be confirmed through it. This stands in for a reader
// that does read names; values come from the real reader's view of the type.
FPDF_BOOL ReaderOfNames(FPDF_PAGEOBJECTMARK mark, const char* key, FPDF_WCHAR* buffer, unsigned long length,
                        unsigned long* needed) {
  if (g_engine.FPDFPageObjMark_GetParamValueType(mark, key) != 4) {
    return g_engine.FPDFPageObjMark_GetParamStringValue(mark, key, buffer, length, needed);
  }
  static const std::u16string value = u"Watermark";
  *needed = (value.size() + 1) * 2;
  if (buffer != nullptr && length >= *needed) std::copy(value.c_str(), value.c_str() + value.size() + 1, buffer);
  return 1;
}

TEST_F(WatermarkTest, RemovalTakesOwnMarksNamedArtifactsAndWatermarkAnnotationsOnly) {
  std::vector<HandPage> pages(2);
  pages[0].content = MarkedSquare("/CorvanWatermark-anything BMC", 10) +             // removed
                     MarkedSquare("/CorvanWatermark BMC", 60) +                       // no dash: kept
                     MarkedSquare("/Artifact << /Subtype (Watermark) >> BDC", 160) +  // a string: kept
                     MarkedSquare("/Artifact << /Subtype /Watermark >> BDC", 110) +   // see below
                     "0 0 0 RG 20 20 m 200 60 l S";                                    // kept
  pages[0].entries += std::string(" /Annots [") + kWatermarkAnnotation + " " + kTextAnnotation + "]";
  pages[1].entries += std::string(" /Annots [") + kWatermarkAnnotation + "]";
  WriteHandMadeDocument(WorkPath("foreign.pdf"), pages);
  OpenOrFail(WorkPath("foreign.pdf"));
  ASSERT_EQ(ObjectCounts(), (std::vector<int>{5, 0}));

  // With the shipped library the name cannot be read: the artifact stays, nothing else changes.
  WatermarkOutcome first = Remove();
  ASSERT_TRUE(first.ok) << Utf8(first.message);
  EXPECT_EQ(first.count, 3);  // one object and two annotations
  SaveAndReopen("cleaned.pdf");
  EXPECT_EQ(ObjectCounts(), (std::vector<int>{4, 0}));
  EXPECT_EQ(AnnotationCounts(), (std::vector<int>{1, 0}));
  std::vector<std::string> kept;
  for (int i = 0; i < 4; ++i) {
    FPDF_PAGEOBJECT object = g_engine.FPDFPage_GetObject(g_session.currentPage, i);
    kept.push_back(g_engine.FPDFPageObj_CountMarks(object) > 0 ? Utf8(MarkNameOf(object, 0)) : "");
  }
  EXPECT_EQ(kept, (std::vector<std::string>{"CorvanWatermark", "Artifact", "Artifact", ""}));
  WatermarkOutcome second = Remove();
  EXPECT_TRUE(second.ok);
  EXPECT_EQ(second.count, 0);

  // Why: the engine sees the artifact's one parameter and its type, a name, but no reader it
  // offers gives the name's value, so a watermark cannot be told from a header.
  FPDF_PAGEOBJECT namedArtifact = g_engine.FPDFPage_GetObject(g_session.currentPage, 2);
  FPDF_PAGEOBJECTMARK artifact = g_engine.FPDFPageObj_GetMark(namedArtifact, 0);
  EXPECT_EQ(MarkNameOf(namedArtifact, 0), u"Artifact");
  EXPECT_EQ(g_engine.FPDFPageObjMark_CountParams(artifact), 1);
  EXPECT_EQ(g_engine.FPDFPageObjMark_GetParamValueType(artifact, "Subtype"), 4);  // a name
  FPDF_WCHAR wide[32] = {};
  unsigned char raw[32] = {};
  unsigned long needed = 0;
  EXPECT_FALSE(g_engine.FPDFPageObjMark_GetParamStringValue(artifact, "Subtype", wide, sizeof wide, &needed));
  EXPECT_FALSE(g_engine.FPDFPageObjMark_GetParamBlobValue(artifact, "Subtype", raw, sizeof raw, &needed));

  // A reader that reads names takes the named artifact and still leaves the string one.
  WatermarkOps ops = WatermarkOpsFromEngine();
  ops.FPDFPageObjMark_GetParamStringValue = ReaderOfNames;
  WatermarkOutcome named = Remove(ops);
  EXPECT_EQ(named.count, 1);
  EXPECT_EQ(ObjectCounts(), (std::vector<int>{3, 0}));
  FPDF_PAGEOBJECT stringArtifact = g_engine.FPDFPage_GetObject(g_session.currentPage, 1);
  EXPECT_EQ(g_engine.FPDFPageObjMark_GetParamValueType(g_engine.FPDFPageObj_GetMark(stringArtifact, 0), "Subtype"), 3);

  // Without the annotation entries annotations are left alone; own marks are still found.
  WriteHandMadeDocument(WorkPath("foreign.pdf"), pages);
  OpenOrFail(WorkPath("foreign.pdf"));
  ops = WatermarkOpsFromEngine();
  ops.FPDFAnnot_GetSubtype = nullptr;
  WatermarkOutcome reduced = Remove(ops);
  EXPECT_TRUE(reduced.ok);
  EXPECT_EQ(reduced.count, 1);
  EXPECT_EQ(AnnotationCounts(), (std::vector<int>{2, 1}));
}

TEST_F(WatermarkTest, BadInputsZeroWidthPagesAndEmptyDocumentsAreRefusedWithTheirMessages) {
  WriteHandMadeDocument(WorkPath("plain.pdf"), {HandPage{}, HandPage{}});
  OpenOrFail(WorkPath("plain.pdf"));
  WatermarkOps ops = WatermarkOpsFromEngine();
  for (float size : {3.9f, 144.1f, std::nanf("")}) {
    EXPECT_EQ(Utf8(Add(ops, u"x", size).message), "水印文字或字号无效。");
  }
  EXPECT_EQ(Utf8(AddWatermarkToAllPages(ops, g_session.document, g_session.currentPage, 0, FontFor(u"x"), u"", 48)
                     .message),
            "水印文字或字号无效。");
  EXPECT_TRUE(Add(ops, u"x", 4).ok);
  EXPECT_TRUE(Add(ops, u"x", 144).ok);
  WatermarkOps broken = ops;
  broken.FPDFPageObjMark_GetName = nullptr;
  EXPECT_EQ(Utf8(Add(broken).message), "当前 PDFium 运行库不支持添加或识别水印。");

  // The second page shows nothing (its crop box lies beside the media box): width zero.
  std::vector<HandPage> pages(3);
  pages[1].entries = "/MediaBox [0 0 595 842] /CropBox [600 0 700 842]";
  WriteHandMadeDocument(WorkPath("zero.pdf"), pages);
  OpenOrFail(WorkPath("zero.pdf"));
  WatermarkOutcome zero = Add(ops);
  EXPECT_FALSE(zero.ok);
  EXPECT_EQ(zero.count, 0);
  EXPECT_EQ(Utf8(zero.message), "无法创建第 2 页的水印文字。");
  EXPECT_EQ(ObjectCounts(), (std::vector<int>{0, 0, 0}));  // page 1 taken back

  FPDF_DOCUMENT empty = g_engine.FPDF_CreateNewDocument();
  WatermarkOutcome none =
      AddWatermarkToAllPages(ops, empty, nullptr, 0, g_fontCache.defaultFont, u"x", 48);
  EXPECT_EQ(Utf8(none.message), "当前 PDF 没有可添加水印的页面。");
  WatermarkOutcome nothing = RemoveWatermarksFromAllPages(ops, empty, nullptr, 0, nullptr);
  EXPECT_TRUE(nothing.ok);
  EXPECT_EQ(nothing.count, 0);
  g_engine.FPDF_CloseDocument(empty);
}

// The commands as the window runs them: dialog, status, messages, one undo step per run.
TEST_F(WatermarkTest, CommandsAskForTheTextReportCountsAndUndoInOneStep) {
  WriteHandMadeDocument(WorkPath("three.pdf"), {HandPage{}, HandPage{}, HandPage{}});
  OpenOrFail(WorkPath("three.pdf"));

  g_script.textAnswers.push_back(std::nullopt);  // 取消: nothing happens
  EditScope cancelled = BeginPossibleEdit();
  AddWatermarkCommand();
  EndPossibleEdit(cancelled);
  ASSERT_EQ(g_script.textDialogs.size(), 1u);
  EXPECT_TRUE(g_script.textDialogs[0].watermark);
  EXPECT_EQ(g_script.textDialogs[0].size, 48.0f);
  EXPECT_FALSE(g_session.modified);
  EXPECT_TRUE(g_history.undo.empty());

  TextDialogRequest answer;
  answer.watermark = true;
  answer.text = u"样卷";
  answer.size = 60;
  g_script.textAnswers.push_back(answer);
  EditScope scope = BeginPossibleEdit();
  AddWatermarkCommand();
  EndPossibleEdit(scope);
  EXPECT_TRUE(g_script.boxes.empty()) << RecordedBoxesText();
  EXPECT_EQ(Utf8(g_session.statusText), "已在 3 页添加半透明水印");
  EXPECT_TRUE(g_session.modified);
  EXPECT_EQ(ObjectCounts(), (std::vector<int>{1, 1, 1}));
  EXPECT_EQ(g_history.undo.size(), 1u);

  ASSERT_TRUE(Undo());
  EXPECT_EQ(ObjectCounts(), (std::vector<int>{0, 0, 0}));
  ASSERT_TRUE(Redo());
  EXPECT_EQ(ObjectCounts(), (std::vector<int>{1, 1, 1}));

  EditScope removal = BeginPossibleEdit();
  RemoveWatermarksCommand();
  EndPossibleEdit(removal);
  EXPECT_EQ(Utf8(g_session.statusText), "已删除 3 个水印对象");
  EXPECT_EQ(ObjectCounts(), (std::vector<int>{0, 0, 0}));

  RemoveWatermarksCommand();
  ASSERT_EQ(g_script.boxes.size(), 1u);
  EXPECT_EQ(Utf8(g_script.boxes[0].caption), "删除水印");
  EXPECT_EQ(g_script.boxes[0].icon, MessageIcon::Information);
  EXPECT_EQ(Utf8(g_script.boxes[0].text),
            "未找到可自动删除的水印。\n\n可自动删除本软件添加的水印和 PDF 标准水印批注。\n"
            "其他程序写入页面内容的水印（包括带有 Watermark 标记的页面内容），以及已与扫描图片或普通页面内容合并的水印，"
            "无法通过水印删除功能自动识别。");

  g_platform.showTextDialog = nullptr;
  AddWatermarkCommand();
  ASSERT_EQ(g_script.boxes.size(), 2u);
  EXPECT_EQ(Utf8(g_script.boxes[1].caption), "添加水印失败");
  EXPECT_EQ(Utf8(g_script.boxes[1].text), "无法打开水印输入窗口。");

  ResetDocumentState();
  AddWatermarkCommand();
  RemoveWatermarksCommand();
  ASSERT_EQ(g_script.boxes.size(), 4u);
  EXPECT_EQ(Utf8(g_script.boxes[2].text), "请先打开或新建 PDF 文档。");
  EXPECT_EQ(g_script.boxes[2].icon, MessageIcon::Warning);
  EXPECT_EQ(Utf8(g_script.boxes[3].text), "当前没有打开的 PDF 文档。");
}

}  // namespace

namespace {

// A binary greyscale picture as pdftoppm writes it (P5, 8 bits).
struct GreyPicture {
  int width = 0, height = 0;
  std::string pixels;
};

GreyPicture ReadPgm(const std::string& path) {
  std::istringstream in(ReadBytes(path));
  std::string magic;
  int maxValue = 0;
  GreyPicture picture;
  in >> magic >> picture.width >> picture.height >> maxValue;
  in.get();
  picture.pixels.resize(size_t(picture.width) * picture.height);
  in.read(picture.pixels.data(), std::streamsize(picture.pixels.size()));
  return picture;
}

// Where the watermark's grey lies in a rendered page: how many pixels, their centre, and
// whether they rise to the right (image rows run downwards).
struct GreyStroke {
  int pixels = 0;
  double centreX = 0, centreY = 0;
  double covariance = 0;
};

GreyStroke FindGrey(const GreyPicture& picture) {
  GreyStroke stroke;
  double sx = 0, sy = 0, sxy = 0;
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      unsigned char value = static_cast<unsigned char>(picture.pixels[size_t(y) * picture.width + x]);
      if (value < 150 || value > 240) continue;  // translucent grey on white only
      ++stroke.pixels;
      sx += x;
      sy += y;
      sxy += double(x) * y;
    }
  }
  if (stroke.pixels == 0) return stroke;
  stroke.centreX = sx / stroke.pixels;
  stroke.centreY = sy / stroke.pixels;
  stroke.covariance = sxy / stroke.pixels - stroke.centreX * stroke.centreY;
  return stroke;
}

}  // namespace

// Poppler, not PDFium, reads the saved file: every page shows the grey diagonal text in the
// middle of what it displays, rising to the right; after removal no page shows it.
TEST_F(WatermarkTest, PopplerShowsTheWatermarkOnEveryPageAndNothingAfterRemoval) {
  std::vector<HandPage> pages(10);
  pages[3].entries += " /Rotate 90";
  pages[5].entries += " /CropBox [100 100 495 742]";
  pages[7].entries = "/MediaBox [0 0 842 595] /CropBox [300 50 800 400] /Rotate 270";
  pages[8].entries += " /Rotate 180";
  WriteHandMadeDocument(WorkPath("handout.pdf"), pages);
  OpenOrFail(WorkPath("handout.pdf"));
  ASSERT_TRUE(Add(WatermarkOpsFromEngine(), u"内部资料 DRAFT", 60).ok);
  SaveAndReopen("watermarked.pdf");
  ASSERT_TRUE(Remove().ok);
  SaveAndReopen("cleaned.pdf");

  std::string artefacts = std::string(CORVAN_ARTEFACTS) + "/watermark";
  std::filesystem::create_directories(artefacts);
  for (const char* name : {"watermarked", "cleaned"}) {
    std::string pdf = WorkPath(std::string(name) + ".pdf");
    std::string png = "pdftoppm -cropbox -png -r 30 '" + pdf + "' '" + artefacts + "/" + name + "'";
    std::string pgm = "pdftoppm -cropbox -gray -r 30 '" + pdf + "' '" + WorkPath(name) + "'";
    ASSERT_EQ(std::system(png.c_str()), 0);
    ASSERT_EQ(std::system(pgm.c_str()), 0);
    for (int page = 1; page <= 10; ++page) {
      SCOPED_TRACE(std::string(name) + " page " + std::to_string(page));
      char suffix[16];
      std::snprintf(suffix, sizeof suffix, "-%02d.pgm", page);
      GreyPicture picture = ReadPgm(WorkPath(name) + suffix);
      ASSERT_GT(picture.width, 0);
      GreyStroke grey = FindGrey(picture);
      if (std::string(name) == "cleaned") {
        EXPECT_EQ(grey.pixels, 0);
        continue;
      }
      EXPECT_GT(grey.pixels, 200);
      EXPECT_NEAR(grey.centreX, picture.width / 2.0, picture.width * 0.06);
      EXPECT_NEAR(grey.centreY, picture.height / 2.0, picture.height * 0.06);
      EXPECT_LT(grey.covariance, 0);  // rows run down: rising to the right
    }
  }
}
