// Edits that fail after they already changed the page: the engine is made to refuse one step
// part-way through (a text, an insertion, a removal, a mark), and the page must come back
// exactly as it was — same objects, same order — or the failure must be reported.
#include <gtest/gtest.h>

#include <set>

#include "document/session.h"
#include "drawing/drawing_test.h"
#include "drawing/find_remove.h"
#include "drawing/geometry_edits.h"
#include "drawing/labels.h"
#include "drawing/shapes.h"
#include "engine/engine_table.h"
#include "view/current_context.h"
#include "view/page_view.h"

namespace {

// What the fake entry points refuse.
std::set<FPDF_PAGEOBJECT> g_refuseRemoving;
int g_insertionsLeft = 0;       // insertions the fake lets through before it refuses
bool g_refuseMarksOnPaths = false;
bool g_keepInsertedTexts = false;  // texts let through become impossible to remove

FPDF_BOOL RefusingSetText(FPDF_PAGEOBJECT, FPDF_WIDESTRING) { return 0; }

FPDF_BOOL SelectiveRemove(FPDF_PAGE page, FPDF_PAGEOBJECT object) {
  return g_refuseRemoving.count(object) != 0 ? 0 : g_engine.FPDFPage_RemoveObject(page, object);
}

// Takes the object and drops it, as the engine does with an insertion it refuses.
void CountedInsert(FPDF_PAGE page, FPDF_PAGEOBJECT object) {
  if (g_insertionsLeft-- > 0) {
    if (g_keepInsertedTexts && g_engine.FPDFPageObj_GetType(object) == kPageObjText) g_refuseRemoving.insert(object);
    g_engine.FPDFPage_InsertObject(page, object);
  } else {
    g_engine.FPDFPageObj_Destroy(object);
  }
}

FPDF_PAGEOBJECTMARK SelectiveAddMark(FPDF_PAGEOBJECT object, const char* name) {
  if (g_refuseMarksOnPaths && g_engine.FPDFPageObj_GetType(object) == kPageObjPath) return nullptr;
  return g_engine.FPDFPageObj_AddMark(object, name);
}

class RollbackTest : public DrawingTest {
 protected:
  void SetUp() override {
    DrawingTest::SetUp();
    g_refuseRemoving.clear();
    g_insertionsLeft = 0;
    g_refuseMarksOnPaths = false;
    g_keepInsertedTexts = false;
  }
  // A labelled triangle or rectangle drawn by dragging on the screen.
  FPDF_PAGEOBJECT Labelled(GeometryKind kind) {
    ScreenPoint a = Screen(150, 700), b = Screen(350, 550);
    ShapeAdd added = AddGeometryShape(CurrentOps(), g_session.currentPage, CurrentScreenMapping(), kind, a, b, PenStyle{});
    auto outline = BuildOutline(kind, a, b);
    bool ok = kind == GeometryKind::Triangle
                  ? LabelNewTriangle(CurrentOps(), CurrentLabelContext(), added.object, outline->points).ok
                  : EnsureRectangleLabels(CurrentOps(), CurrentLabelContext(), added.object, outline->points).ok;
    EXPECT_TRUE(ok);
    return added.object;
  }
};

TEST_F(RollbackTest, ATriangleWhoseNewLabelsFailTakesItsNewPathBackOff) {
  ShowPage(595, 842, 1);
  FPDF_PAGEOBJECT triangle = Labelled(GeometryKind::Triangle);
  std::vector<FPDF_PAGEOBJECT> before = Objects();
  PdfOps ops = CurrentOps();
  ops.FPDFText_SetText = RefusingSetText;  // fails after the new path went in
  EditResult edit = SetTriangleSide(ops, CurrentLabelContext(), triangle, 0, 5);
  EXPECT_FALSE(edit.ok);
  EXPECT_TRUE(edit.rollbackCommitted);
  EXPECT_EQ(Objects(), before);
  EXPECT_EQ(LabelTexts(*FindMark(triangle, ops, MarkKind::Triangle), MarkKind::Triangle),
            (std::vector<std::u16string>{u"a1", u"b1", u"c1"}));
}

TEST_F(RollbackTest, ARectangleWhoseThirdLabelIsRefusedComesBackWhole) {
  ShowPage();
  FPDF_PAGEOBJECT rectangle = Labelled(GeometryKind::Rectangle);
  std::vector<FPDF_PAGEOBJECT> before = Objects();
  PdfOps ops = CurrentOps();
  ops.FPDFPage_InsertObject = CountedInsert;
  g_insertionsLeft = 3;  // the new path and two labels go in, the third label is refused
  EditResult edit = SetRectangleSide(ops, CurrentLabelContext(), rectangle, 0, 6);
  EXPECT_FALSE(edit.ok);
  EXPECT_TRUE(edit.rollbackCommitted);
  EXPECT_EQ(Objects(), before);
}

TEST_F(RollbackTest, AnOldTriangleThatCannotBeRemovedKeepsTheOldShapeAndLabels) {
  ShowPage();
  FPDF_PAGEOBJECT triangle = Labelled(GeometryKind::Triangle);
  std::vector<FPDF_PAGEOBJECT> before = Objects();
  PdfOps ops = CurrentOps();
  ops.FPDFPage_RemoveObject = SelectiveRemove;
  g_refuseRemoving = {triangle};
  EditResult edit = SetTriangleSide(ops, CurrentLabelContext(), triangle, 1, 4);
  EXPECT_FALSE(edit.ok);
  EXPECT_TRUE(edit.rollbackCommitted);
  EXPECT_EQ(Objects(), before);
  // A new label that cannot be taken off again leaves the page changed, and says so.
  g_refuseRemoving.clear();
  ops.FPDFPage_InsertObject = CountedInsert;
  g_insertionsLeft = 3;
  g_keepInsertedTexts = true;
  edit = SetTriangleSide(ops, CurrentLabelContext(), triangle, 1, 4);
  EXPECT_FALSE(edit.ok);
  EXPECT_FALSE(edit.rollbackCommitted);
}

TEST_F(RollbackTest, OldLabelsThatStayAreReported) {
  ShowPage();
  FPDF_PAGEOBJECT segment = AddLine({100, 400}, {300, 400});
  ASSERT_TRUE(EnsureSegmentLabels(CurrentOps(), CurrentLabelContext(), segment, Screen(100, 400), Screen(300, 400)).ok);
  std::string name = *FindMark(segment, CurrentOps(), MarkKind::Line);
  auto old = LabelsOfShape(g_session.currentPage, segment, g_engine, MarkKind::Line, name);
  PdfOps ops = CurrentOps();
  ops.FPDFPage_RemoveObject = SelectiveRemove;
  g_refuseRemoving = {old[0]};
  SegmentRelabel relabel = RebuildSegmentLabels(ops, CurrentLabelContext(), segment, Screen(100, 400), Screen(320, 400));
  EXPECT_TRUE(relabel.ok);
  EXPECT_FALSE(relabel.oldLabelsRemoved);
  EXPECT_EQ(LabelTexts(name, MarkKind::Line).size(), 3u);
  g_refuseRemoving.clear();
  relabel = RebuildSegmentLabels(ops, CurrentLabelContext(), segment, Screen(100, 400), Screen(320, 400));
  EXPECT_TRUE(relabel.oldLabelsRemoved);
  EXPECT_TRUE(relabel.committed);
  EXPECT_EQ(LabelTexts(name, MarkKind::Line), (std::vector<std::u16string>{u"a1", u"b1"}));
}

TEST_F(RollbackTest, ARectangleThatCannotTakeItsMarkLosesItsNewLabels) {
  ShowPage();
  ScreenPoint a = Screen(150, 700), b = Screen(350, 550);
  ShapeAdd rectangle = AddGeometryShape(CurrentOps(), g_session.currentPage, CurrentScreenMapping(), GeometryKind::Rectangle, a, b, PenStyle{});
  PdfOps ops = CurrentOps();
  ops.FPDFPageObj_AddMark = SelectiveAddMark;
  g_refuseMarksOnPaths = true;  // the labels are in when the rectangle refuses its mark
  EnsureResult labels = EnsureRectangleLabels(ops, CurrentLabelContext(), rectangle.object,
                                              BuildOutline(GeometryKind::Rectangle, a, b)->points);
  EXPECT_FALSE(labels.ok);
  EXPECT_EQ(Objects(), std::vector<FPDF_PAGEOBJECT>{rectangle.object});
}

TEST_F(RollbackTest, RefusedInsertionsAreFailuresAndNothingIsFreedTwice) {
  ShowPage();
  PdfOps ops = CurrentOps();
  ops.FPDFPage_InsertObject = CountedInsert;
  g_insertionsLeft = 0;
  EXPECT_EQ(AddGeometryShape(ops, g_session.currentPage, CurrentScreenMapping(), GeometryKind::Ellipse, Screen(100, 700), Screen(300, 600),
                             PenStyle{}).result,
            kShapeFailed);
  EXPECT_FALSE(AddPoint(ops, g_session.currentPage, {200, 200}, 3, 0).added);
  EXPECT_TRUE(Objects().empty());
}

TEST_F(RollbackTest, APointThatCannotBeReplacedStaysAndItsLockFollowsAReplacement) {
  ShowPage();
  FPDF_PAGEOBJECT segment = AddLine({100, 400}, {400, 400});
  PointAdd point = AddPoint(CurrentOps(), g_session.currentPage, {200, 403}, 3, 0);
  g_pointLock = LockPointToSegment(CurrentOps(), g_session.currentPage, CurrentScreenMapping(), point.object);
  ASSERT_TRUE(g_pointLock.has_value());
  EXPECT_EQ(g_pointLock->segment, segment);
  std::vector<FPDF_PAGEOBJECT> before = Objects();
  PdfOps ops = CurrentOps();
  ops.FPDFPage_RemoveObject = SelectiveRemove;
  g_refuseRemoving = {point.object};
  EXPECT_FALSE(ResizePoint(ops, g_session.currentPage, point.object, 20, 0).ok);
  EXPECT_EQ(Objects(), before);
  EXPECT_EQ(g_pointLock->point, point.object);
  PointResize resized = ResizePoint(CurrentOps(), g_session.currentPage, point.object, 20, 0);
  ASSERT_TRUE(resized.ok);
  EXPECT_EQ(g_pointLock->point, resized.object);
  EXPECT_EQ(g_pointLock->segment, segment);
  g_pointLock.reset();
}

}  // namespace
