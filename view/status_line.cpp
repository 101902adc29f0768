#include "view/status_line.h"

#include "document/session.h"
#include "platform/text_encoding.h"
#include "view/tool_state.h"

std::u16string ModeText() {
  if (g_tool.ocrRegion) return u"OCR：拖动鼠标框选识别区域，Esc 取消";
  switch (g_tool.mode) {
    case ToolMode::Edit:
      return u"编辑模式：点选图形或图片，拖动移动";
    case ToolMode::Text:
      return u"文本模式：点击页面输入并放置文本";
    case ToolMode::ForceErase:
      return u"强制擦除：直接修改图片像素，共享图片可能同时改变";
    case ToolMode::SelectErase:
      return u"选取擦除：点击或拖动擦除线段或图形";
    case ToolMode::Pen:
      return u"画笔：左键绘制；滚轮、中键或空格+左键移动页面；触屏双指移动";
    case ToolMode::Arrow:
      return u"箭头模式：按住鼠标左键拖动绘制箭头";
    case ToolMode::Geometry:
      return u"几何绘图：拖动绘制线段或图形";
    case ToolMode::Select:
      return u"选取模式：使用鼠标指针";
    case ToolMode::Hand:
      return u"手形工具：按住鼠标左键拖动浏览页面";
    default:
      return u"画直线：按住鼠标左键拖动";
  }
}

namespace {

// "手形工具：…" after "手形工具：…": the message only repeats which mode is on.
bool NamesTheSameMode(const std::u16string& mode, const std::u16string& message) {
  size_t colon = mode.find(u'：');
  return colon != std::u16string::npos && message.compare(0, colon + 1, mode, 0, colon + 1) == 0;
}

}  // namespace

std::u16string StatusLineText() {
  std::u16string text;
  std::u16string mode = ModeText();
  // A tool's own hint ("几何绘图：点击放置点") stands once, in the place of its mode's name.
  bool repeat = g_session.document != nullptr && NamesTheSameMode(mode, g_session.statusText);
  if (repeat) mode = g_session.statusText;
  if (g_session.document == nullptr) {
    text = u"文件→打开 PDF  |  可拖放 PDF 文件到窗口";
  } else {
    text = FillPlaceholders(u"%d/%d    %s    %s",
                            {Num(g_session.currentPageIndex + 1), Num(g_session.pageCount), mode,
                             g_session.modified ? u"有未保存的更改" : u""});
  }
  if (!g_session.statusText.empty() && !repeat) text += u"    " + g_session.statusText;
  return text;
}
