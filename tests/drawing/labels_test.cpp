#include <gtest/gtest.h>

#include <cstdio>

#include "content/font_table.h"
#include "document/file_writer.h"
#include "document/open_document.h"
#include "document/save_copy.h"
#include "document/session.h"
#include "drawing/drawing_test.h"
#include "drawing/find_remove.h"
#include "drawing/labels.h"
#include "drawing/shapes.h"
#include "engine/engine_table.h"
#include "platform/file_system.h"
#include "platform/text_encoding.h"
#include "view/current_context.h"
#include "view/page_view.h"

namespace {

class LabelsTest : public DrawingTest {
 protected:
  // Draws a labelled segment between two page points, as the arrow tool does.
  FPDF_PAGEOBJECT LabelledSegment(PagePoint a, PagePoint b) {
    FPDF_PAGEOBJECT segment = AddLine(a, b);
    EnsureResult result = EnsureSegmentLabels(CurrentOps(), CurrentLabelContext(), segment, Screen(a.x, a.y),
                                              Screen(b.x, b.y));
    EXPECT_TRUE(result.ok);
    return segment;
  }
  FPDF_PAGEOBJECT Triangle(PagePoint apex, float width, float height, bool label = true) {
    ScreenPoint top = Screen(apex.x, apex.y);
    ScreenPoint corner = Screen(apex.x + width / 2, apex.y - height);
    ScreenPoint start{2 * top.x - corner.x, top.y};
    ShapeAdd added = AddGeometryShape(CurrentOps(), g_session.currentPage, CurrentScreenMapping(), GeometryKind::Triangle, start, corner,
                                      PenStyle{});
    if (label) {
      auto outline = BuildOutline(GeometryKind::Triangle, start, corner);
      EXPECT_TRUE(LabelNewTriangle(CurrentOps(), CurrentLabelContext(), added.object, outline->points).ok);
    }
    return added.object;
  }
  std::string NameOf(FPDF_PAGEOBJECT shape, MarkKind kind) { return FindMark(shape, CurrentOps(), kind).value_or(""); }
  // Paths and texts of page 1 as the page content holds them: the document written out
  // without committing anything first, read back by a fresh engine document.
  std::pair<int, int> CommittedPathsAndTexts(const std::string& name) {
    int fd = OpenForWriting(Utf8ToUtf16(WorkPath(name)), false);
    FileWriter writer = MakeFileWriter(fd);
    EXPECT_TRUE(SaveDocumentToFile(g_session.document, writer, kSaveNoIncremental));
    CloseFile(fd);
    FPDF_DOCUMENT copy = g_engine.FPDF_LoadDocument(WorkPath(name).c_str(), nullptr);
    EXPECT_NE(copy, nullptr);
    if (copy == nullptr) return {-1, -1};
    FPDF_PAGE page = g_engine.FPDF_LoadPage(copy, 0);
    std::pair<int, int> counts{0, 0};
    for (int i = 0; i < g_engine.FPDFPage_CountObjects(page); ++i) {
      int type = g_engine.FPDFPageObj_GetType(g_engine.FPDFPage_GetObject(page, i));
      counts.first += type == kPageObjPath ? 1 : 0;
      counts.second += type == kPageObjText ? 1 : 0;
    }
    g_engine.FPDF_ClosePage(page);
    g_engine.FPDF_CloseDocument(copy);
    return counts;
  }
};

TEST_F(LabelsTest, SegmentsAreNumberedAfterTheLargestPresent) {
  ShowPage();
  FPDF_PAGEOBJECT first = LabelledSegment({100, 600}, {300, 600});
  EXPECT_EQ(LabelTexts(NameOf(first, MarkKind::Line), MarkKind::Line), (std::vector<std::u16string>{u"a1", u"b1"}));
  FPDF_PAGEOBJECT second = LabelledSegment({100, 400}, {300, 450});
  std::string secondName = NameOf(second, MarkKind::Line);
  EXPECT_EQ(LabelTexts(secondName, MarkKind::Line), (std::vector<std::u16string>{u"a2", u"b2"}));

  // Deleting segment 2 (and cleaning up) lets the next one be 2 again.
  PdfOps ops = CurrentOps();
  ASSERT_TRUE(RemoveObjects(g_session.currentPage, {second}, ops));
  ASSERT_TRUE(CleanOrphanLabels(ops, g_session.currentPage, MarkKind::Line));
  EXPECT_TRUE(LabelTexts(secondName, MarkKind::Line).empty());
  FPDF_PAGEOBJECT third = LabelledSegment({100, 200}, {300, 250});
  EXPECT_EQ(ReadLabelNumber(NameOf(third, MarkKind::Line), MarkKind::Line), 2u);
  // Deleting segment 1 does not free its number while 2 exists.
  ASSERT_TRUE(RemoveObjects(g_session.currentPage, {first}, ops));
  FPDF_PAGEOBJECT fourth = LabelledSegment({100, 100}, {300, 100});
  EXPECT_EQ(ReadLabelNumber(NameOf(fourth, MarkKind::Line), MarkKind::Line), 3u);
}

TEST_F(LabelsTest, EnsuringIntactLabelsChangesNothing) {
  ShowPage();
  FPDF_PAGEOBJECT segment = LabelledSegment({100, 600}, {300, 600});
  int objects = g_engine.FPDFPage_CountObjects(g_session.currentPage);
  auto label = LabelsOfShape(g_session.currentPage, segment, g_engine, MarkKind::Line, NameOf(segment, MarkKind::Line));
  EnsureResult again = EnsureSegmentLabels(CurrentOps(), CurrentLabelContext(), segment, Screen(100, 600), Screen(300, 600));
  EXPECT_TRUE(again.ok);
  EXPECT_EQ(again.labelNumber, 1u);
  EXPECT_EQ(g_engine.FPDFPage_CountObjects(g_session.currentPage), objects);
  EXPECT_EQ(LabelsOfShape(g_session.currentPage, segment, g_engine, MarkKind::Line, NameOf(segment, MarkKind::Line)), label);
}

TEST_F(LabelsTest, PlacementsStayInsideThePage) {
  ShowPage(595, 842);
  ScreenMapping frame = CurrentScreenMapping();
  auto placements = ComputeLabelPlacements({Screen(2, 400), Screen(200, 400)}, frame, 1);
  ASSERT_TRUE(placements.has_value());
  EXPECT_FLOAT_EQ((*placements)[0].x, 0);  // pushed outward past the left edge: clamped
  auto top = ComputeLabelPlacements({Screen(300, 840), Screen(300, 500)}, frame, 1);
  ASSERT_TRUE(top.has_value());
  EXPECT_NEAR((*top)[0].baseline, 842 - 13.5, 1e-3);
  // A vertex on the centre: no labels at all.
  EXPECT_FALSE(ComputeLabelPlacements({Screen(300, 300), Screen(300, 300), Screen(300, 300)}, frame, 1).has_value());
}

TEST_F(LabelsTest, TrianglesAreNumberedAndTheirLabelsMoveWithThem) {
  ShowPage();
  FPDF_PAGEOBJECT first = Triangle({200, 700}, 150, 120);
  FPDF_PAGEOBJECT second = Triangle({400, 400}, 150, 120);
  EXPECT_EQ(LabelTexts(NameOf(first, MarkKind::Triangle), MarkKind::Triangle),
            (std::vector<std::u16string>{u"a1", u"b1", u"c1"}));
  std::string name = NameOf(second, MarkKind::Triangle);
  EXPECT_EQ(LabelTexts(name, MarkKind::Triangle), (std::vector<std::u16string>{u"a2", u"b2", u"c2"}));
  auto labels = LabelsOfShape(g_session.currentPage, second, g_engine, MarkKind::Triangle, name);
  float l0, b0, r0, t0, l1, b1, r1, t1;
  g_engine.FPDFPageObj_GetBounds(labels[0], &l0, &b0, &r0, &t0);
  MoveLabelsWithShape(CurrentOps(), g_session.currentPage, second, 5, -3);
  g_engine.FPDFPageObj_GetBounds(labels[0], &l1, &b1, &r1, &t1);
  EXPECT_NEAR(l1 - l0, 5, 1e-3);
  EXPECT_NEAR(b1 - b0, -3, 1e-3);
  EXPECT_EQ(*SideNames(CurrentOps(), second, MarkKind::Triangle),
            (std::vector<std::u16string>{u"a2-b2", u"b2-c2", u"c2-a2"}));
}

TEST_F(LabelsTest, NewTrianglesFollowTheLargestNumberAndStopAtTheLastOne) {
  ShowPage();
  FPDF_PAGEOBJECT first = Triangle({200, 700}, 150, 120, false);
  g_engine.FPDFPageObj_AddMark(first, "PDFEditorTriangle_00000001_0000000000000001_00000001_L41");
  FPDF_PAGEOBJECT second = Triangle({400, 700}, 150, 120);
  EXPECT_EQ(ReadLabelNumber(NameOf(second, MarkKind::Triangle), MarkKind::Triangle), 42u);
  // Past the last number nothing is labelled and the new triangle stays unmarked.
  g_engine.FPDFPageObj_AddMark(Triangle({200, 400}, 150, 120, false),
                               "PDFEditorTriangle_00000001_0000000000000001_00000002_L4294967295");
  FPDF_PAGEOBJECT last = Triangle({400, 400}, 150, 120, false);
  int objects = g_engine.FPDFPage_CountObjects(g_session.currentPage);
  auto outline = BuildOutline(GeometryKind::Triangle, Screen(325, 400), Screen(475, 280));
  EXPECT_FALSE(LabelNewTriangle(CurrentOps(), CurrentLabelContext(), last, outline->points).ok);
  EXPECT_FALSE(FindMark(last, CurrentOps(), MarkKind::Triangle).has_value());
  EXPECT_EQ(g_engine.FPDFPage_CountObjects(g_session.currentPage), objects);
}

int g_setTextCalls = 0;
FPDF_BOOL CountedSetText(FPDF_PAGEOBJECT text, FPDF_WIDESTRING content) {
  ++g_setTextCalls;
  return g_engine.FPDFText_SetText(text, content);
}

TEST_F(LabelsTest, RenumberingRewritesLabelsOnlyWhenSomethingElseMayHaveChangedThem) {
  ShowPage();
  PdfOps counted = CurrentOps();
  counted.FPDFText_SetText = CountedSetText;
  auto labelNext = [&](PagePoint apex) {
    ScreenPoint top = Screen(apex.x, apex.y), corner = Screen(apex.x + 40, apex.y - 60);
    ScreenPoint start{2 * top.x - corner.x, top.y};
    g_setTextCalls = 0;
    LabelledTriangleAdd added = AddLabelledTriangle(counted, CurrentLabelContext(), start, corner, PenStyle{});
    EXPECT_TRUE(added.labels.ok);
    MarkModified();  // the edit recorded, as the geometry command does
    NoteTriangleLabelsCurrent(g_session.currentPage);
    return added.shape.object;
  };
  FPDF_PAGEOBJECT first = labelNext({100, 700});
  EXPECT_EQ(g_setTextCalls, 3);
  labelNext({200, 700});
  labelNext({300, 700});
  EXPECT_EQ(g_setTextCalls, 3);  // only the new labels: the others already read a1 … b2

  // A label changed by another edit (the text tool) is renumbered by the next triangle.
  std::string name = NameOf(first, MarkKind::Triangle);
  auto labels = LabelsOfShape(g_session.currentPage, first, g_engine, MarkKind::Triangle, name);
  std::u16string typed = u"x9";
  typed.push_back(0);
  ASSERT_TRUE(g_engine.FPDFText_SetText(labels[1], reinterpret_cast<FPDF_WIDESTRING>(typed.c_str())));
  MarkModified();
  labelNext({400, 700});
  EXPECT_EQ(g_setTextCalls, 3 * 3 + 3);
  EXPECT_EQ(LabelTexts(name, MarkKind::Triangle), (std::vector<std::u16string>{u"a1", u"b1", u"c1"}));
  labelNext({500, 700});
  EXPECT_EQ(g_setTextCalls, 3);

  // After reopening nothing is known: every label is written once more, then again only new ones.
  SaveAndReopen("reopened.pdf");
  ASSERT_TRUE(EnsureDefaultFont());
  labelNext({100, 400});
  EXPECT_EQ(g_setTextCalls, 5 * 3 + 3);
  labelNext({200, 400});
  EXPECT_EQ(g_setTextCalls, 3);
  EXPECT_EQ(LabelTexts(name, MarkKind::Triangle), (std::vector<std::u16string>{u"a1", u"b1", u"c1"}));
}

TEST_F(LabelsTest, ADamagedTriangleStopsNewLabelsUntilRepaired) {
  ShowPage();
  FPDF_PAGEOBJECT first = Triangle({200, 700}, 150, 120);
  std::string name = NameOf(first, MarkKind::Triangle);
  auto labels = LabelsOfShape(g_session.currentPage, first, g_engine, MarkKind::Triangle, name);
  ASSERT_TRUE(RemoveObjects(g_session.currentPage, {labels[1]}, CurrentOps()));
  FPDF_PAGEOBJECT second = Triangle({400, 400}, 150, 120, false);
  auto outline = BuildOutline(GeometryKind::Triangle, Screen(325, 400), Screen(475, 280));
  EXPECT_FALSE(LabelNewTriangle(CurrentOps(), CurrentLabelContext(), second, outline->points).ok);
  EXPECT_FALSE(FindMark(second, CurrentOps(), MarkKind::Triangle).has_value());
  // Selecting the damaged triangle repairs its set; then new triangles are labelled again.
  auto firstOutline = BuildOutline(GeometryKind::Triangle, Screen(125, 700), Screen(275, 580));
  ASSERT_TRUE(EnsureTriangleLabels(CurrentOps(), CurrentLabelContext(), first, firstOutline->points).ok);
  EXPECT_EQ(LabelTexts(name, MarkKind::Triangle).size(), 3u);
  EXPECT_TRUE(LabelNewTriangle(CurrentOps(), CurrentLabelContext(), second, outline->points).ok);
}

TEST_F(LabelsTest, ADrawnTriangleIsCommittedWithItsLabelsOrAloneWhenLabellingFails) {
  for (const PageCase& page : TurnedAndCroppedPages()) {
    SCOPED_TRACE(page.name);
    ShowHandMadePage(page.entries);
    const IntRect& r = g_view.pageRect;
    ScreenPoint a{r.left + r.Width() / 5, r.top + r.Height() / 6}, b{r.left + r.Width() / 2, r.top + r.Height() / 2};
    LabelledTriangleAdd first = AddLabelledTriangle(CurrentOps(), CurrentLabelContext(), a, b, PenStyle{});
    ASSERT_EQ(first.shape.result, kShapeAdded);
    ASSERT_TRUE(first.labels.ok);
    std::string name = NameOf(first.shape.object, MarkKind::Triangle);
    EXPECT_EQ(LabelTexts(name, MarkKind::Triangle), (std::vector<std::u16string>{u"a1", u"b1", u"c1"}));
    EXPECT_EQ(CommittedPathsAndTexts("one.pdf"), std::make_pair(1, 3));
    // The apex is drawn at the top middle of the drag box on screen, the base along its bottom.
    PagePoint apex, left;
    g_engine.FPDFPathSegment_GetPoint(g_engine.FPDFPath_GetPathSegment(first.shape.object, 0), &apex.x, &apex.y);
    g_engine.FPDFPathSegment_GetPoint(g_engine.FPDFPath_GetPathSegment(first.shape.object, 2), &left.x, &left.y);
    EXPECT_NEAR(Screen(apex.x, apex.y).x, (a.x + b.x) / 2, 1);
    EXPECT_NEAR(Screen(apex.x, apex.y).y, a.y, 1);
    EXPECT_NEAR(Screen(left.x, left.y).x, a.x, 1);
    EXPECT_NEAR(Screen(left.x, left.y).y, b.y, 1);

    // A triangle whose labels were taken away stops the labelling of the next one, which
    // still reaches the page content, unlabelled.
    auto labels = LabelsOfShape(g_session.currentPage, first.shape.object, g_engine, MarkKind::Triangle, name);
    ASSERT_TRUE(RemoveObjects(g_session.currentPage, {labels[1]}, CurrentOps()));
    ScreenPoint c{b.x + 20, a.y}, d{r.right - 20, b.y};
    LabelledTriangleAdd second = AddLabelledTriangle(CurrentOps(), CurrentLabelContext(), c, d, PenStyle{});
    EXPECT_EQ(second.shape.result, kShapeAdded);
    EXPECT_FALSE(second.labels.ok);
    EXPECT_FALSE(FindMark(second.shape.object, CurrentOps(), MarkKind::Triangle).has_value());
    EXPECT_EQ(CommittedPathsAndTexts("two.pdf"), std::make_pair(2, 2));
  }
}

TEST_F(LabelsTest, OrphanLabelsGoAndEverythingElseStays) {
  ShowPage();
  PdfOps ops = CurrentOps();
  ShapeAdd rectangle = AddGeometryShape(ops, g_session.currentPage, CurrentScreenMapping(), GeometryKind::Rectangle, Screen(100, 700),
                                        Screen(300, 600), PenStyle{});
  auto outline = BuildOutline(GeometryKind::Rectangle, Screen(100, 700), Screen(300, 600));
  ASSERT_TRUE(EnsureRectangleLabels(ops, CurrentLabelContext(), rectangle.object, outline->points).ok);
  std::string rectangleName = NameOf(rectangle.object, MarkKind::Rectangle);
  EXPECT_EQ(LabelTexts(rectangleName, MarkKind::Rectangle),
            (std::vector<std::u16string>{u"a1", u"b1", u"c1", u"d1"}));
  FPDF_PAGEOBJECT segment = LabelledSegment({100, 300}, {300, 300});
  // Unmarked text of the page's own.
  FPDF_PAGEOBJECT own = g_engine.FPDFPageObj_CreateTextObj(g_session.document, CurrentLabelContext().font, 12);
  std::u16string hello = u"hello";
  hello.push_back(0);
  g_engine.FPDFText_SetText(own, reinterpret_cast<FPDF_WIDESTRING>(hello.c_str()));
  g_engine.FPDFPage_InsertObject(g_session.currentPage, own);
  int before = g_engine.FPDFPage_CountObjects(g_session.currentPage);

  ASSERT_TRUE(RemoveObjects(g_session.currentPage, {rectangle.object}, ops));
  for (MarkKind kind : {MarkKind::Triangle, MarkKind::Line, MarkKind::Rectangle}) {
    EXPECT_TRUE(CleanOrphanLabels(ops, g_session.currentPage, kind));
  }
  EXPECT_EQ(g_engine.FPDFPage_CountObjects(g_session.currentPage), before - 1 - 4);
  EXPECT_TRUE(LabelTexts(rectangleName, MarkKind::Rectangle).empty());
  EXPECT_EQ(LabelTexts(NameOf(segment, MarkKind::Line), MarkKind::Line).size(), 2u);
  EXPECT_EQ(g_engine.FPDFPage_GetObject(g_session.currentPage, g_engine.FPDFPage_CountObjects(g_session.currentPage) - 1), own);
}

TEST_F(LabelsTest, LabelsAreEmbeddedCjkCapableTextThatSurvivesSaving) {
  ShowPage();
  FPDF_PAGEOBJECT segment = LabelledSegment({100, 600}, {300, 600});
  std::string name = NameOf(segment, MarkKind::Line);
  EXPECT_EQ(g_fontCache.loadCount, 1);
  LabelledSegment({100, 500}, {300, 500});
  EXPECT_EQ(g_fontCache.loadCount, 1);  // one embedded font per document
  SaveAndReopen("labels.pdf");
  EXPECT_EQ(LabelTexts(name, MarkKind::Line), (std::vector<std::u16string>{u"a1", u"b1"}));
  EXPECT_EQ(NextLabelNumber(g_session.currentPage, CurrentOps(), MarkKind::Line), 3u);
}

// The output of a command line, empty when it failed.
std::string Output(const std::string& command) {
  std::string output;
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  return pclose(pipe) == 0 ? output : std::string();
}

TEST_F(LabelsTest, ALabelledTriangleAddsASmallSubsetThatOtherReadersShow) {
  WriteTestPdf(WorkPath("plain.pdf"), {{595, 842, 0, 1}});
  OpenOrFail(WorkPath("plain.pdf"));
  InvalidateRender(false);
  Render();
  g_session.fullRewrite = true;
  g_script.dialogAnswers = {WorkPath16("before.pdf")};
  ASSERT_TRUE(SavePdfCopy(u"", u""));
  ASSERT_TRUE(EnsureDefaultFont());
  Triangle({200, 700}, 150, 120);
  Triangle({400, 400}, 150, 120);  // the second shares the first one's subset
  EXPECT_EQ(g_fontCache.loadCount, 1);
  MarkModified();
  g_script.dialogAnswers = {WorkPath16("after.pdf")};
  ASSERT_TRUE(SavePdfCopy(u"", u""));
  std::string before = WorkPath("before.pdf"), after = WorkPath("after.pdf");
  EXPECT_LE(ReadBytes(after).size(), ReadBytes(before).size() + 64 * 1024);

  std::string text = Output("pdftotext '" + after + "' -");
  for (const char* label : {"a1", "b1", "c1", "a2", "b2", "c2"}) EXPECT_NE(text.find(label), std::string::npos) << label;
  std::string fonts = Output("pdffonts '" + after + "'");
  EXPECT_NE(fonts.find("CID TrueType"), std::string::npos) << fonts;
  // The embedded program is one TrueType face: no collection header in the expanded file.
  std::string expanded = WorkPath("expanded.pdf");
  Output(std::string(CORVAN_QPDF) + " --qdf --object-streams=disable '" + after + "' '" + expanded + "'");
  std::string bytes = ReadBytes(expanded);
  EXPECT_NE(bytes.find("/FontFile2"), std::string::npos);
  EXPECT_EQ(bytes.find("ttcf"), std::string::npos);
  EXPECT_FALSE(Output("pdftoppm -r 30 -png -singlefile '" + after + "' '" + WorkPath("poppler") + "' && echo ok").empty());
  EXPECT_FALSE(Output("mutool draw -q -r 30 -o '" + WorkPath("mupdf.png") + "' '" + after + "' 1 && echo ok").empty());
  EXPECT_TRUE(Exists(WorkPath("poppler.png")) && Exists(WorkPath("mupdf.png")));
}

TEST_F(LabelsTest, TranslatedLabelsOfOlderFilesAreRecognisedRenumberedAndRepairedUpright) {
  // A /Rotate 90 page labelled the old way: texts placed by translation only, older letters.
  ShowPage(595, 842, 1);
  FPDF_PAGEOBJECT old = Triangle({200, 500}, 150, 120, false);
  std::string name = MakeTriangleMarkName(1);
  int k = 0;
  for (const char16_t* text : {u"x1", u"y1", u"z1"}) {
    FPDF_PAGEOBJECT label = g_engine.FPDFPageObj_CreateTextObj(g_session.document, CurrentLabelContext().font, 10);
    std::u16string terminated = std::u16string(text) + u'\0';
    g_engine.FPDFText_SetText(label, reinterpret_cast<FPDF_WIDESTRING>(terminated.c_str()));
    g_engine.FPDFPageObj_AddMark(label, name.c_str());
    g_engine.FPDFPageObj_Transform(label, 1, 0, 0, 1, 150 + 40 * k++, 480);
    g_engine.FPDFPage_InsertObject(g_session.currentPage, label);
  }
  g_engine.FPDFPageObj_AddMark(old, name.c_str());
  MarkModified();
  SaveAndReopen("older.pdf");
  ASSERT_TRUE(EnsureDefaultFont());
  FPDF_PAGEOBJECT reloaded = Objects().at(0);
  EXPECT_EQ(LabelTexts(name, MarkKind::Triangle).size(), 3u);
  EXPECT_EQ(NextLabelNumber(g_session.currentPage, CurrentOps(), MarkKind::Triangle), 2u);

  // A new triangle renumbers the old set to a1 b1 c1 (in place) and stands upright itself.
  FPDF_PAGEOBJECT added = Triangle({400, 300}, 150, 120);
  EXPECT_EQ(LabelTexts(name, MarkKind::Triangle), (std::vector<std::u16string>{u"a1", u"b1", u"c1"}));
  std::string newName = NameOf(added, MarkKind::Triangle);
  auto fresh = LabelsOfShape(g_session.currentPage, added, g_engine, MarkKind::Triangle, newName);
  ASSERT_EQ(fresh.size(), 3u);
  FS_MATRIX m;
  g_engine.FPDFPageObj_GetMatrix(fresh[0], &m);
  EXPECT_NEAR(m.b, 1, 1e-5);  // text x axis up the page: to the right on the turned screen
  EXPECT_NEAR(m.c, -1, 1e-5);

  // A broken old set is repaired with upright labels in its place.
  auto oldLabels = LabelsOfShape(g_session.currentPage, reloaded, g_engine, MarkKind::Triangle, name);
  ASSERT_TRUE(RemoveObjects(g_session.currentPage, {oldLabels[2]}, CurrentOps()));
  auto outline = BuildOutline(GeometryKind::Triangle, Screen(125, 500), Screen(275, 380));
  EnsureResult repaired = EnsureTriangleLabels(CurrentOps(), CurrentLabelContext(), reloaded, outline->points);
  ASSERT_TRUE(repaired.ok);
  EXPECT_TRUE(repaired.oldLabelsRemoved);
  EXPECT_EQ(LabelTexts(name, MarkKind::Triangle), (std::vector<std::u16string>{u"a1", u"b1", u"c1"}));
  g_engine.FPDFPageObj_GetMatrix(LabelsOfShape(g_session.currentPage, reloaded, g_engine, MarkKind::Triangle, name)[0], &m);
  EXPECT_NEAR(m.b, 1, 1e-5);
}

}  // namespace
