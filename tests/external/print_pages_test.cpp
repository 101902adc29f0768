#include <gtest/gtest.h>

#include "external/print_pages.h"
#include "external/printing.h"

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
