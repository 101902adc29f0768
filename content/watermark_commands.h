// "添加水印..." and "删除水印": the whole-document watermark commands as the window runs them
// (dialog, messages, status line). Each run that changes pages is one undo step.
#pragma once

void AddWatermarkCommand();
void RemoveWatermarksCommand();

// What "删除水印" says when it found nothing. It names only what it removes: page content marked
// the standard way (/Artifact with /Subtype /Watermark) stays, because the engine reports that
// subtype as a name without giving its value (its string and blob readers refuse names), so it
// cannot be told from a header or a page number.
constexpr const char16_t* kNothingRemovedText =
    u"未找到可自动删除的水印。\n\n可自动删除本软件添加的水印和 PDF 标准水印批注。\n"
    u"其他程序写入页面内容的水印（包括带有 Watermark 标记的页面内容），以及已与扫描图片或普通页面内容合并的水印，"
    u"无法通过水印删除功能自动识别。";
