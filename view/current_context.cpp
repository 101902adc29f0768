#include "view/current_context.h"

#include "content/font_table.h"
#include "document/session.h"
#include "document/window_hooks.h"
#include "view/page_view.h"

LabelContext CurrentLabelContext() {
  LabelContext ctx;
  ctx.document = g_session.document;
  ctx.page = g_session.currentPage;
  ctx.font = g_fontCache.defaultFont;
  ctx.screen = CurrentScreenMapping();
  return ctx;
}

TextToolContext CurrentTextToolContext() {
  TextToolContext ctx;
  ctx.pageRect = g_view.pageRect;
  ctx.frame = CurrentPageFrame();
  ctx.document = g_session.document;
  ctx.page = g_session.currentPage;
  ctx.ops = CurrentOps();
  ctx.screenToPage = ScreenToPage;
  ctx.fontByName = GetFontByName;
  ctx.pageChanged = [] {
    g_session.fullRewrite = true;
    MarkModified();
  };
  ctx.textAdded = [](bool generated) {
    g_session.statusText = generated ? u"文本已添加" : u"文本已添加，但生成 PDF 页面内容失败";
    g_window.changed(Change::PageContent);
    if (generated) UpdateTitle();
  };
  return ctx;
}
