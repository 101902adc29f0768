#include <gtest/gtest.h>

#include "document/page_operations.h"
#include "document/session.h"
#include "support/document_test.h"
#include "support/pdf_fixtures.h"
#include "view/command_ids.h"
#include "view/page_menu_model.h"

namespace {

class PageMenuModelTest : public DocumentTest {};

TEST_F(PageMenuModelTest, DeletingIsOfferedOnlyWhileAPageWouldRemain) {
  WriteNumberedPdf(WorkPath("doc.pdf"), 2);
  OpenOrFail(WorkPath("doc.pdf"));
  auto items = PageMenuItems();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].text, u"在此页后插入 PDF...");
  EXPECT_EQ(items[1].text, u"增加空白 PDF");
  EXPECT_EQ(items[2].text, u"删除此页");
  EXPECT_EQ(items[2].command, kCmdDeletePage);
  EXPECT_TRUE(items[0].enabled);
  EXPECT_TRUE(items[1].enabled);
  EXPECT_TRUE(items[2].enabled);

  ASSERT_TRUE(DeleteCurrentPage());
  ASSERT_EQ(g_session.pageCount, 1);
  items = PageMenuItems();
  ASSERT_EQ(items.size(), 3u);
  EXPECT_TRUE(items[0].enabled);
  EXPECT_TRUE(items[1].enabled);
  EXPECT_FALSE(items[2].enabled);
}

}  // namespace
