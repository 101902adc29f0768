#include <gtest/gtest.h>

#include <regex>

#include "document/session.h"
#include "drawing/drawing_test.h"
#include "drawing/marks.h"
#include "drawing/shapes.h"
#include "engine/engine_table.h"
#include "view/page_view.h"

namespace {

class MarksTest : public DrawingTest {
 protected:
  FPDF_PAGEOBJECT MarkedPath(std::initializer_list<std::string> names) {
    FPDF_PAGEOBJECT path = AddLine({100, 100}, {200, 150});
    for (const auto& name : names) g_engine.FPDFPageObj_AddMark(path, name.c_str());
    return path;
  }
};

TEST_F(MarksTest, NamesFollowTheirFormats) {
  std::regex line("PDFEditorLine_[0-9A-F]{8,}_[0-9A-F]{16}_[0-9A-F]{8,}_L7");
  EXPECT_TRUE(std::regex_match(MakeLineMarkName(7), line)) << MakeLineMarkName(7);
  EXPECT_EQ(MakeLineMarkName(0), "");
  EXPECT_EQ(MakeRectangleMarkName(0), "");
  EXPECT_TRUE(std::regex_match(MakeTriangleMarkName(0), std::regex("PDFEditorTriangle_[0-9A-F]{8,}_[0-9A-F]{16}_[0-9A-F]{8,}")));
  EXPECT_TRUE(std::regex_match(MakePointMarkName(), std::regex("PDFEditorPoint_[0-9A-F]{8,}_[0-9A-F]{16}_[0-9A-F]{8,}")));
  EXPECT_NE(MakePointMarkName(), MakePointMarkName());  // the sequence makes names unique
}

TEST_F(MarksTest, TheFirstMarkOfAKindWinsAndOthersAreIgnored) {
  ShowPage();
  PdfOps ops = CurrentOps();
  FPDF_PAGEOBJECT path = MarkedPath({"SomethingElse", "PDFEditorLine_1_2_3_L7", "PDFEditorLine_1_2_4_L9"});
  auto name = FindMark(path, ops, MarkKind::Line);
  ASSERT_TRUE(name.has_value());
  EXPECT_EQ(ReadLabelNumber(*name, MarkKind::Line), 7u);
  EXPECT_FALSE(FindMark(path, ops, MarkKind::Triangle).has_value());
  // A name beyond ASCII leaves the object unmarked.
  FPDF_PAGEOBJECT foreign = MarkedPath({"PDFEditorLine_标记_L3"});
  EXPECT_FALSE(FindMark(foreign, ops, MarkKind::Line).has_value());
  // Without the mark entries nothing is found.
  PdfOps missing = ops;
  missing.FPDFPageObjMark_GetName = nullptr;
  EXPECT_FALSE(FindMark(path, missing, MarkKind::Line).has_value());
}

TEST_F(MarksTest, NamesAroundTheReadBufferSizeAreReadWhole) {
  ShowPage();
  PdfOps ops = CurrentOps();
  // 127 characters and the NUL fill the first read exactly; 128 and 300 need a second one.
  for (size_t length : {127u, 128u, 300u}) {
    std::string name = "PDFEditorLine_";
    name += std::string(length - name.size() - 3, 'A') + "_L5";
    auto found = FindMark(MarkedPath({"SomethingElse", name}), ops, MarkKind::Line);
    ASSERT_TRUE(found.has_value()) << length;
    EXPECT_EQ(*found, name);
    EXPECT_EQ(ReadLabelNumber(*found, MarkKind::Line), 5u);
  }
}

TEST_F(MarksTest, LabelNumbersAndTheirFallbacks) {
  EXPECT_EQ(ReadLabelNumber("PDFEditorLine_0_0_1_L12a", MarkKind::Line), 0u);
  EXPECT_EQ(ReadLabelNumber("PDFEditorLine_0_0_1_L", MarkKind::Line), 0u);
  EXPECT_EQ(ReadLabelNumber("PDFEditorLine_0_0_1_L4294967295", MarkKind::Line), 4294967295u);
  EXPECT_EQ(ReadLabelNumber("PDFEditorLine_0_0_1_L4294967296", MarkKind::Line), 0u);
  EXPECT_EQ(ReadLabelNumber("PDFEditorTriangle_00001234_0000000000000001_0000001F", MarkKind::Triangle), 31u);
  EXPECT_EQ(ReadLabelNumber("PDFEditorRectangle_00001234_0000000000000001_0000001F", MarkKind::Rectangle), 0u);
}

TEST_F(MarksTest, NextLabelNumberIsOneAboveTheLargestReadableOne) {
  ShowPage();
  PdfOps ops = CurrentOps();
  EXPECT_EQ(NextLabelNumber(g_session.currentPage, ops, MarkKind::Line), 1u);
  MarkedPath({"PDFEditorLine_0_0_1_L3"});
  MarkedPath({"PDFEditorLine_0_0_2_L12a"});
  MarkedPath({"PDFEditorTriangle_0_0_9_L40"});
  EXPECT_EQ(NextLabelNumber(g_session.currentPage, ops, MarkKind::Line), 4u);
  EXPECT_EQ(NextLabelNumber(g_session.currentPage, ops, MarkKind::Triangle), 41u);
  MarkedPath({"PDFEditorLine_0_0_3_L4294967295"});
  EXPECT_EQ(NextLabelNumber(g_session.currentPage, ops, MarkKind::Line), 0u);
}

TEST_F(MarksTest, CoordinateSystemNumbersLieBetweenOneAnd128) {
  ShowPage();
  PdfOps ops = CurrentOps();
  for (const char* name : {"CorvanCoordinateSystem_0", "CorvanCoordinateSystem_129", "CorvanCoordinateSystem_1000",
                           "CorvanCoordinateSystem_", "CorvanCoordinateSystem_1x"}) {
    EXPECT_EQ(FindCoordinateSystem(MarkedPath({name}), ops), 0) << name;
  }
  EXPECT_EQ(FindCoordinateSystem(MarkedPath({"CorvanCoordinateSystem_128"}), ops), 128);
  EXPECT_EQ(FindCoordinateSystem(MarkedPath({"CorvanCoordinateSystem_0", "CorvanCoordinateSystem_11"}), ops), 11);
}

TEST_F(MarksTest, StraightSegmentsAndArrowsAreRecognisedByShape) {
  ShowPage();
  PdfOps ops = CurrentOps();
  FPDF_PAGEOBJECT plain = AddLine({100, 100}, {300, 100});
  g_engine.FPDFPageObj_Transform(plain, 1, 0, 0, 1, 10, 20);
  auto segment = RecogniseStraightSegment(plain, ops, CurrentScreenMapping());
  ASSERT_TRUE(segment.has_value());
  EXPECT_FALSE(segment->arrow);
  EXPECT_FLOAT_EQ(segment->start.x, 110);
  EXPECT_FLOAT_EQ(segment->end.y, 120);
  ScreenPoint expected = Screen(110, 120);
  EXPECT_EQ(segment->screenStart.x, expected.x);
  EXPECT_EQ(segment->screenStart.y, expected.y);

  FPDF_PAGEOBJECT arrow = g_engine.FPDFPageObj_CreateNewPath(100, 200);
  g_engine.FPDFPath_LineTo(arrow, 200, 200);
  ASSERT_TRUE(AppendArrowHead(ops, arrow, {100, 200}, {200, 200}, 2));
  g_engine.FPDFPage_InsertObject(g_session.currentPage, arrow);
  auto recognised = RecogniseStraightSegment(arrow, ops, CurrentScreenMapping());
  ASSERT_TRUE(recognised.has_value());
  EXPECT_TRUE(recognised->arrow);

  // The head's return to the tip 0.02 away: neither arrow nor segment.
  FPDF_PAGEOBJECT off = g_engine.FPDFPageObj_CreateNewPath(100, 300);
  for (auto [x, y] : {std::pair{200.0f, 300.0f}, {190.0f, 305.0f}, {200.02f, 300.0f}, {190.0f, 295.0f}}) {
    g_engine.FPDFPath_LineTo(off, x, y);
  }
  g_engine.FPDFPage_InsertObject(g_session.currentPage, off);
  EXPECT_FALSE(RecogniseStraightSegment(off, ops, CurrentScreenMapping()).has_value());
  // A closed two-segment path is no segment either.
  FPDF_PAGEOBJECT closed = AddLine({10, 10}, {50, 50});
  g_engine.FPDFPath_Close(closed);
  EXPECT_FALSE(RecogniseStraightSegment(closed, ops, CurrentScreenMapping()).has_value());
}

}  // namespace
