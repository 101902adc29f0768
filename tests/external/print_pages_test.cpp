#include <gtest/gtest.h>

#include "external/print_pages.h"
#include "external/printing.h"
#include "platform/text_encoding.h"

TEST(PrintPagesTest, RangesAndPageSetsCountTheDocumentsOwnPageNumbers) {
  EXPECT_EQ(SelectedPages(5, {}, PageSet::All, false), (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(SelectedPages(5, {{2, 3}}, PageSet::All, false), (std::vector<int>{1, 2}));
  EXPECT_EQ(SelectedPages(5, {{1, 1}, {3, 3}}, PageSet::All, false), (std::vector<int>{0, 2}));
  // Even pages of 2-5 are pages 2 and 4, not the second and fourth page of the range.
  EXPECT_EQ(SelectedPages(5, {{2, 5}}, PageSet::Even, false), (std::vector<int>{1, 3}));
  EXPECT_EQ(SelectedPages(5, {{2, 5}}, PageSet::Odd, true), (std::vector<int>{4, 2}));
  EXPECT_TRUE(SelectedPages(5, {{2, 2}}, PageSet::Odd, false).empty());
  EXPECT_TRUE(PageSpansValid({{1, 5}, {2, 2}}, 5));
  EXPECT_FALSE(PageSpansValid({{3, 2}}, 5));
  EXPECT_FALSE(PageSpansValid({{0, 2}}, 5));
  EXPECT_FALSE(PageSpansValid({{4, 6}}, 5));
}

TEST(PrintPagesTest, CopiesRepeatTheSelectionOrEachSheet) {
  std::vector<int> pages{1, 2};
  EXPECT_EQ(SheetSequence(pages, 2, true, false), (std::vector<int>{1, 2, 1, 2}));
  EXPECT_EQ(SheetSequence(pages, 2, false, false), (std::vector<int>{1, 1, 2, 2}));
  EXPECT_EQ(SheetSequence(pages, 1, false, true), (std::vector<int>{1, 2}));
}

TEST(PrintPagesTest, TwoSidedCopiesEachStartOnAFreshSheet) {
  std::vector<int> three{0, 1, 2};
  // Collated: a blank back after each odd copy but the last.
  EXPECT_EQ(SheetSequence(three, 2, true, true), (std::vector<int>{0, 1, 2, kBlankPage, 0, 1, 2}));
  // Uncollated: each sheet (front and back) is repeated, not each page.
  EXPECT_EQ(SheetSequence(three, 2, false, true), (std::vector<int>{0, 1, 0, 1, 2, kBlankPage, 2}));
  EXPECT_EQ(SheetSequence({0, 1, 2, 3}, 2, true, true), (std::vector<int>{0, 1, 2, 3, 0, 1, 2, 3}));
}

TEST(PrintPagesTest, BandsStayWithinTheirBudgetWhateverTheSheet) {
  // A4 at 1200 dpi: 9921 pixels wide, 16 MiB bands of 422 rows.
  EXPECT_EQ(BandRows(9921, 14031), 422);
  EXPECT_EQ(BandRows(100, 50), 50);
  EXPECT_EQ(BandRows(10000000, 10), 1);
  EXPECT_EQ(BandRows(0, 10), 0);
}

TEST(PrintPagesTest, ATypedPageListReadsRangesListsSpacesAndFullWidthForms) {
  using Spans = std::vector<PageSpan>;
  EXPECT_EQ(ParsePageList(u"3"), (Spans{{3, 3}}));
  EXPECT_EQ(ParsePageList(u" 1-3, 5 ,8 - 9 "), (Spans{{1, 3}, {5, 5}, {8, 9}}));
  EXPECT_EQ(ParsePageList(u"2，4、６－７"), (Spans{{2, 2}, {4, 4}, {6, 7}}));
  // Backward and zero spans are read as typed; the range check refuses them.
  EXPECT_EQ(ParsePageList(u"5-3"), (Spans{{5, 3}}));
  EXPECT_FALSE(PageSpansValid(*ParsePageList(u"5-3"), 10));
  EXPECT_FALSE(PageSpansValid(*ParsePageList(u"0"), 10));
  EXPECT_FALSE(PageSpansValid(*ParsePageList(u"1,11"), 10));
  for (const char16_t* bad : {u"", u"  ", u",", u"1,", u",1", u"1,,2", u"1-", u"-3", u"1-2-3", u"a", u"1 2",
                              u"3页", u"1;2", u"12345678901"}) {
    EXPECT_EQ(ParsePageList(bad), std::nullopt) << Utf8(bad);
  }
}

TEST(PrintPagesTest, TheQueueGetsEveryDialogOptionButThePagesOrderAndCopiesTheEditorLaysOut) {
  QueueOptions dialog{{"page-ranges", "2-3"}, {"number-up", "2"},       {"page-set", "odd"},
                      {"InputSlot", "Tray2"}, {"outputorder", "reverse"}, {"Collate", "True"},
                      {"copies", "3"},        {"ColorModel", "Gray"},     {"job-hold-until", "indefinite"},
                      {"orientation-requested", "4"}};
  EXPECT_EQ(OptionsLeftToTheQueue(dialog), (QueueOptions{{"number-up", "2"},
                                                          {"InputSlot", "Tray2"},
                                                          {"ColorModel", "Gray"},
                                                          {"job-hold-until", "indefinite"},
                                                          {"orientation-requested", "4"}}));
}
