#include "view/page_menu_model.h"

#include "document/session.h"
#include "view/command_ids.h"

std::vector<PageMenuItem> PageMenuItems() {
  return {
      {kCmdMergeAfterCurrent, u"在此页后插入 PDF...", true},
      {kCmdInsertBlankPage, u"增加空白 PDF", true},
      {kCmdDeletePage, u"删除此页", g_session.pageCount >= 2},
  };
}
