#include <gtest/gtest.h>

#include "document/open_document.h"
#include "document/session.h"
#include "support/document_test.h"
#include "view/navigator_model.h"
#include "view/page_view.h"

namespace {

class NavigatorModelTest : public DocumentTest {
 protected:
  void SetUp() override {
    DocumentTest::SetUp();
    g_navigator = NavigatorState{};
  }
};

TEST_F(NavigatorModelTest, ThumbnailsFitIn126By90AndRenderOnce) {
  WriteTestPdf(WorkPath("mixed.pdf"), {{842, 595, 0, 1}, {595, 842, 0, 1}, {300, 400, 0, 1}});
  OpenOrFail(WorkPath("mixed.pdf"));
  ASSERT_TRUE(SyncNavigatorList());
  EXPECT_FALSE(SyncNavigatorList());
  ASSERT_TRUE(ThumbnailFor(0));
  EXPECT_EQ(g_navigator.thumbnails[0].width, 126);
  EXPECT_EQ(g_navigator.thumbnails[0].height, 89);
  ASSERT_TRUE(ThumbnailFor(1));
  EXPECT_EQ(g_navigator.thumbnails[1].width, 64);
  EXPECT_EQ(g_navigator.thumbnails[1].height, 90);
  EXPECT_EQ(g_navigator.renderCount, 2);
  ASSERT_TRUE(ThumbnailFor(1));
  EXPECT_EQ(g_navigator.renderCount, 2);
  EXPECT_FALSE(ThumbnailFor(3));
  // The drawn line (red) shows in the thumbnail somewhere.
  bool red = false;
  const auto& pixels = g_navigator.thumbnails[1].pixels;
  for (size_t i = 0; i + 2 < pixels.size(); i += 4) red = red || (pixels[i + 2] > 200 && pixels[i + 1] < 150);
  EXPECT_TRUE(red);
}

TEST_F(NavigatorModelTest, AnEditRerendersOnlyTheCurrentPage) {
  WriteNumberedPdf(WorkPath("five.pdf"), 5);
  OpenOrFail(WorkPath("five.pdf"));
  SyncNavigatorList();
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(ThumbnailFor(i));
  ASSERT_TRUE(GoToPage(2));
  EditOnce();
  InvalidateCurrentThumbnail();
  int before = g_navigator.renderCount;
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(ThumbnailFor(i));
  EXPECT_EQ(g_navigator.renderCount, before + 1);
}

TEST_F(NavigatorModelTest, PageControlsFollowThePosition) {
  WriteNumberedPdf(WorkPath("one.pdf"), 1);
  OpenOrFail(WorkPath("one.pdf"));
  PageControlsState one = PageControls(0);
  EXPECT_EQ(one.pageText, u"1");
  EXPECT_EQ(one.countText, u"/ 1");
  EXPECT_FALSE(one.firstEnabled || one.previousEnabled || one.nextEnabled || one.lastEnabled);
  EXPECT_FALSE(one.moveUpEnabled || one.moveDownEnabled);
  EXPECT_TRUE(one.jumpEnabled);

  WriteNumberedPdf(WorkPath("three.pdf"), 3);
  OpenOrFail(WorkPath("three.pdf"));
  ASSERT_TRUE(GoToPage(1));
  PageControlsState middle = PageControls(1);
  EXPECT_TRUE(middle.firstEnabled && middle.previousEnabled && middle.nextEnabled && middle.lastEnabled);
  EXPECT_TRUE(middle.moveUpEnabled && middle.moveDownEnabled);
  EXPECT_EQ(middle.pageText, u"2");

  EmptySession();
  PageControlsState none = PageControls(-1);
  EXPECT_EQ(none.pageText, u"");
  EXPECT_EQ(none.countText, u"/ 0");
  EXPECT_FALSE(none.pageEditEnabled || none.jumpEnabled);
}

}  // namespace
